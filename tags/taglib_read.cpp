#include "tags/taglib_read.h"

#include <taglib/fileref.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tag.h>

#include <QFile>
#include <QFileInfo>
#include <memory>

#include "platform/small_regular_file.h"

namespace {

QString FromTagLib(const TagLib::String& text) {
    return QString::fromStdWString(text.toWString()).trimmed();
}

bool Fill(const TagLib::Tag* tag, TagLibFields& fields) {
    if (tag == nullptr) {
        return false;
    }
    TagLibFields read;
    read.Title = FromTagLib(tag->title());
    read.Artist = FromTagLib(tag->artist());
    read.Album = FromTagLib(tag->album());
    read.Comment = FromTagLib(tag->comment());
    read.Genre = FromTagLib(tag->genre());
    if (tag->year() != 0) {
        read.Year = QString::number(tag->year());
    }
    fields = read;
    return true;
}

}  // namespace

bool IsTagLibFormat(const QString& path) {
    static const QStringList kExtensions = {
        QStringLiteral("flac"), QStringLiteral("opus"), QStringLiteral("oga"),
        QStringLiteral("spx"),  QStringLiteral("m4a"),  QStringLiteral("m4b"),
        QStringLiteral("mp4"),  QStringLiteral("wv"),   QStringLiteral("ape"),
        QStringLiteral("aif"),  QStringLiteral("aiff"), QStringLiteral("aifc"),
        QStringLiteral("mpc"),  QStringLiteral("tta")};
    return kExtensions.contains(QFileInfo(path).suffix().toLower());
}

bool ReadTagLibFields(const QString& path, TagLibFields& fields) {
    try {
        if (!IsRegularFile(path)) {
            return false;  // a FIFO or device would block the open
        }
        const QByteArray name = QFile::encodeName(path);
        TagLib::FileRef file(name.constData(), false);
        return !file.isNull() && Fill(file.tag(), fields);
    } catch (...) {
        return false;  // a reader never fails its caller
    }
}

bool ReadOggNonVorbisFields(const QString& path, TagLibFields& fields) {
    try {
        if (!IsRegularFile(path)) {
            return false;
        }
        const QByteArray name = QFile::encodeName(path);
        {
            TagLib::Ogg::Opus::File opus(name.constData(), false);
            if (opus.isValid()) {
                return Fill(opus.tag(), fields);
            }
        }
        {
            TagLib::Ogg::FLAC::File flac(name.constData(), false);
            if (flac.isValid()) {
                return Fill(flac.tag(), fields);
            }
        }
        TagLib::Ogg::Speex::File speex(name.constData(), false);
        return speex.isValid() && Fill(speex.tag(), fields);
    } catch (...) {
        return false;
    }
}
