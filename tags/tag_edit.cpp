#include "tags/tag_edit.h"

#include <taglib/oggflacfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>

#include <QFile>
#include <QFileInfo>
#include <memory>

#include "platform/file_replacement.h"
#include "platform/native_name.h"
#include "platform/small_regular_file.h"
#include "tags/tag_carry.h"
#include "tags/tag_error.h"

namespace {

constexpr std::array<const char*, kTagEditFieldCount> kProperties = {
    "TITLE", "ARTIST", "ALBUM", "DATE", "TRACKNUMBER", "COMMENT", "GENRE"};
constexpr std::size_t kTrack = 4;
constexpr std::size_t kGenre = 6;
// The names Vorbis comments keep a track total under; TRACKTOTAL is the one written.
constexpr std::array<const char*, 2> kTotals = {"TRACKTOTAL", "TOTALTRACKS"};

QString FormatName(TagEditFormat format) {
    switch (format) {
        case TagEditFormat::Flac:
            return QStringLiteral("FLAC");
        case TagEditFormat::OggOpus:
            return QStringLiteral("Opus");
        case TagEditFormat::OggFlac:
            return QStringLiteral("Ogg FLAC");
        case TagEditFormat::Mp4:
            return QStringLiteral("MP4");
        case TagEditFormat::WavPack:
            return QStringLiteral("WavPack");
        case TagEditFormat::Ape:
            return QStringLiteral("Monkey's Audio");
        case TagEditFormat::Aiff:
            return QStringLiteral("AIFF");
    }
    return {};
}

bool KeepsTotalApart(TagEditFormat format) {
    return format == TagEditFormat::Flac || format == TagEditFormat::OggOpus ||
           format == TagEditFormat::OggFlac;
}

QString Q(const TagLib::String& s) {
    return QString::fromStdString(s.to8Bit(true));
}

TagLib::String T(const QString& s) {
    return TagLib::String(s.toStdString(), TagLib::String::UTF8);
}

TagContainer ContainerOf(TagEditFormat format) {
    switch (format) {
        case TagEditFormat::Flac:
            return TagContainer::Flac;
        case TagEditFormat::OggOpus:
            return TagContainer::OggOpus;
        case TagEditFormat::OggFlac:
            return TagContainer::OggFlac;
        case TagEditFormat::Mp4:
            return TagContainer::Mp4;
        case TagEditFormat::WavPack:
            return TagContainer::WavPack;
        case TagEditFormat::Ape:
            return TagContainer::Ape;
        case TagEditFormat::Aiff:
            return TagContainer::Aiff;
    }
    return TagContainer::Unknown;
}

// Whether the file's content is that of the format; nullopt with cause set when the file cannot
// be read at all.
std::optional<bool> HoldsFormat(const QString& path, TagEditFormat format, QString* cause) {
    if (!IsRegularFile(path)) {
        *cause = NativeExists(path) ? QStringLiteral("it is not a regular file")
                                    : QStringLiteral("no such file");
        return std::nullopt;
    }
    QFile file;
    if (!OpenNative(file, path, QIODevice::ReadOnly)) {
        *cause = file.errorString();
        return std::nullopt;
    }
    return DetectTagContainer(path) == ContainerOf(format);
}

// A file of the format, checked by its first bytes and opened by TagLib; throws TagError with
// what(cause) otherwise.
class OpenedFile {
  public:
    template <typename Fail>
    OpenedFile(const QString& path, TagEditFormat format, bool writable, Fail fail)
        : name_(NativeName(path)) {
        QString cause;
        const std::optional<bool> holds = HoldsFormat(path, format, &cause);
        if (!holds) {
            throw fail(cause);
        }
        if (!*holds) {
            throw fail(QStringLiteral("its content is not %1").arg(FormatName(format)));
        }
        stream_ = std::make_unique<TagLib::FileStream>(name_.constData(), !writable);
        if (!stream_->isOpen() || (writable && stream_->readOnly())) {
            throw fail(writable ? QStringLiteral("it cannot be opened for writing")
                                : QStringLiteral("it cannot be opened"));
        }
        file_ = OpenByContent(ContainerOf(format), stream_.get(), true);
        // TagLib takes some files cut short as valid: a stream without its audio format is not.
        const TagLib::AudioProperties* audio = file_ ? file_->audioProperties() : nullptr;
        if (!file_ || !file_->isValid() || audio == nullptr || audio->sampleRate() <= 0 ||
            audio->channels() <= 0) {
            throw fail(QStringLiteral("it is damaged (its %1 structure cannot be read)")
                           .arg(FormatName(format)));
        }
    }
    TagLib::File& operator*() { return *file_; }
    TagLib::File* operator->() { return file_.get(); }

  private:
    QByteArray name_;
    std::unique_ptr<TagLib::FileStream> stream_;  // outlives the file that reads through it
    std::unique_ptr<TagLib::File> file_;
};

QString Joined(const TagLib::PropertyMap& properties, const char* key) {
    const TagLib::String name(key);
    if (!properties.contains(name)) {
        return {};
    }
    QStringList values;
    for (const TagLib::String& v : properties[name]) {
        values << Q(v);
    }
    return values.join(QStringLiteral("; "));
}

TagEditValues ValuesOf(const TagLib::PropertyMap& properties) {
    TagEditValues values;
    for (std::size_t k = 0; k < kTagEditFieldCount; ++k) {
        values[k] = Joined(properties, kProperties[k]);
    }
    // A total kept in a field of its own goes after the number, as the other formats show it.
    QString& track = values[kTrack];
    if (!track.isEmpty() && !track.contains(QLatin1Char('/')) &&
        properties[TagLib::String(kProperties[kTrack])].size() == 1) {
        for (const char* total : kTotals) {
            const QString value = Joined(properties, total);
            if (!value.isEmpty()) {
                track += QLatin1Char('/') + value;
                break;
            }
        }
    }
    return values;
}

void Change(TagLib::PropertyMap& properties, TagEditFormat format, std::size_t field,
            const QString& value) {
    const TagLib::String key(kProperties[field]);
    QString stored = value;
    if (field == kTrack && KeepsTotalApart(format)) {
        for (const char* total : kTotals) {
            properties.erase(TagLib::String(total));
        }
        const QString number = value.section(QLatin1Char('/'), 0, 0);
        const QString total = value.section(QLatin1Char('/'), 1);
        if (!total.isEmpty()) {
            properties.replace(TagLib::String(kTotals[0]), TagLib::StringList(T(total)));
        }
        stored = number;
    }
    if (stored.isEmpty()) {
        properties.erase(key);
    } else {
        properties.replace(key, TagLib::StringList(T(stored)));
    }
}

// The header packet of an Ogg FLAC stream that holds its Vorbis comment block, and whether that
// block is the last metadata block; nullopt when there is none.
std::optional<std::pair<unsigned, bool>> OggFlacComment(TagLib::Ogg::File& file) {
    // Packet 0 is the mapping header with the stream info; metadata blocks follow, one a packet.
    for (unsigned i = 1; i < 1024; ++i) {
        const TagLib::ByteVector packet = file.packet(i);
        if (packet.isEmpty()) {
            return std::nullopt;
        }
        const auto header = static_cast<unsigned char>(packet[0]);
        if ((header & 0x7F) == 4) {
            return std::pair{i, (header & 0x80) != 0};
        }
        if ((header & 0x80) != 0) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

// TagLib 1.13 writes an Ogg FLAC comment block without the flag that marks the last metadata
// block (ffmpeg makes its comment the last one): the audio would then read as metadata. The
// flag goes back on the saved copy.
void RestoreLastBlockFlag(const QString& copyName, unsigned packetIndex) {
    const QByteArray name = NativeName(copyName);
    TagLib::FileStream stream(name.constData());
    TagLib::Ogg::FLAC::File file(&stream, false);
    TagLib::ByteVector packet = file.packet(packetIndex);
    if (!packet.isEmpty() && (static_cast<unsigned char>(packet[0]) & 0x80) == 0) {
        packet[0] = static_cast<char>(static_cast<unsigned char>(packet[0]) | 0x80);
        file.setPacket(packetIndex, packet);
        // The Ogg pages alone: FLAC's own save would render the comment once more.
        file.TagLib::Ogg::File::save();
    }
}

// A track as its numbers: "04/09" and "4/9" are the same track; no total is a total of 0.
std::pair<uint, uint> TrackNumbers(const QString& text) {
    return {text.section(QLatin1Char('/'), 0, 0).trimmed().toUInt(),
            text.section(QLatin1Char('/'), 1).trimmed().toUInt()};
}

bool ReadsBackAsSet(const TagEditValues& back, const TagEditChanges& changes) {
    for (std::size_t k = 0; k < kTagEditFieldCount; ++k) {
        if (!changes[k]) {
            continue;
        }
        // A genre number may read back as its name (ID3's 17 is Rock).
        const bool same = k == kTrack   ? TrackNumbers(back[k]) == TrackNumbers(*changes[k])
                          : k == kGenre ? back[k].isEmpty() == changes[k]->isEmpty()
                                        : back[k] == *changes[k];
        if (!same) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<TagEditFormat> TagEditFormatOf(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == QLatin1String("flac")) {
        return TagEditFormat::Flac;
    }
    if (extension == QLatin1String("opus")) {
        return TagEditFormat::OggOpus;
    }
    if (extension == QLatin1String("m4a") || extension == QLatin1String("m4b") ||
        extension == QLatin1String("mp4")) {
        return TagEditFormat::Mp4;
    }
    if (extension == QLatin1String("wv")) {
        return TagEditFormat::WavPack;
    }
    if (extension == QLatin1String("ape")) {
        return TagEditFormat::Ape;
    }
    if (extension == QLatin1String("aif") || extension == QLatin1String("aiff") ||
        extension == QLatin1String("aifc")) {
        return TagEditFormat::Aiff;
    }
    if (extension == QLatin1String("ogg") || extension == QLatin1String("oga")) {
        for (TagEditFormat inside : {TagEditFormat::OggOpus, TagEditFormat::OggFlac}) {
            QString cause;
            if (HoldsFormat(path, inside, &cause).value_or(false)) {
                return inside;
            }
        }
    }
    return std::nullopt;
}

TagEditValues ReadTagEdit(const QString& path, TagEditFormat format) {
    auto fail = [&](const QString& cause) {
        return TagError(QStringLiteral("Cannot read the tags of %1: %2").arg(path, cause));
    };
    try {
        OpenedFile file(path, format, false, fail);
        return ValuesOf(file->properties());
    } catch (const TagError&) {
        throw;
    } catch (const std::exception& e) {
        throw fail(QString::fromLocal8Bit(e.what()));
    }
}

void WriteTagEdit(const QString& path, TagEditFormat format, const TagEditChanges& changes) {
    auto fail = [&](const QString& cause) {
        return TagError(QStringLiteral("Cannot write the tags of %1: %2").arg(path, cause));
    };
    try {
        // Checked on the file itself, so that a wrong or damaged file gets no copy at all.
        { OpenedFile check(path, format, false, fail); }
        // TagLib rewrites a file in place; a failure half way would leave it broken. It works
        // on a copy instead, which replaces the file only once it reads back as meant.
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly)) {
            throw fail(source.errorString());
        }
        FileReplacement replacement(path);
        QString error;
        if (!replacement.Create(QString(), &error)) {
            throw fail(error);
        }
        QFileDevice& copy = replacement.File();
        constexpr qint64 kChunk = 1 << 20;
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(kChunk);
            if (chunk.isEmpty()) {
                throw fail(source.errorString());
            }
            if (copy.write(chunk) != chunk.size()) {
                throw fail(copy.errorString());
            }
        }
        source.close();
        if (!copy.flush()) {
            throw fail(copy.errorString());
        }
        const QString copyName = replacement.FileName();
        std::optional<std::pair<unsigned, bool>> oggFlacComment;
        {
            OpenedFile file(copyName, format, true, fail);
            if (format == TagEditFormat::OggFlac) {
                oggFlacComment = OggFlacComment(dynamic_cast<TagLib::Ogg::File&>(*file));
            }
            TagLib::PropertyMap properties = file->properties();
            for (std::size_t k = 0; k < kTagEditFieldCount; ++k) {
                if (changes[k]) {
                    Change(properties, format, k, *changes[k]);
                }
            }
            const TagLib::PropertyMap refused = file->setProperties(properties);
            for (std::size_t k = 0; k < kTagEditFieldCount; ++k) {
                if (changes[k] && refused.contains(TagLib::String(kProperties[k]))) {
                    throw fail(QStringLiteral("the format has no place for %1")
                                   .arg(QString::fromLatin1(kProperties[k])));
                }
            }
            if (!file->save()) {
                throw fail(
                    QStringLiteral("TagLib could not save the tags (the file is unchanged)"));
            }
        }
        if (oggFlacComment && oggFlacComment->second) {
            RestoreLastBlockFlag(copyName, oggFlacComment->first);
        }
        {
            OpenedFile back(copyName, format, false, fail);
            if (!ReadsBackAsSet(ValuesOf(back->properties()), changes)) {
                throw fail(
                    QStringLiteral("the new tags did not read back as set (the file is "
                                   "unchanged)"));
            }
        }
        if (!replacement.Commit(&error)) {
            throw fail(error);
        }
    } catch (const TagError&) {
        throw;
    } catch (const std::exception& e) {
        throw fail(QString::fromLocal8Bit(e.what()));
    }
}
