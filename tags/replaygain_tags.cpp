#include "tags/replaygain_tags.h"

#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <QFileInfo>
#include <utility>
#include <vector>

#include "platform/file_replacement.h"
#include "platform/native_name.h"
#include "tags/r128_gain.h"
#include "tags/tag_carry.h"
#include "tags/tag_error.h"

namespace {

using Pairs = std::vector<std::pair<TagLib::String, TagLib::String>>;

TagLib::String Text(const QString& s) {
    return TagLib::String(s.toStdString(), TagLib::String::UTF8);
}

Pairs Values(const ReplayGainTags& v) {
    Pairs pairs;
    const std::pair<const char*, const QString*> all[] = {{"REPLAYGAIN_TRACK_GAIN", &v.trackGain},
                                                          {"REPLAYGAIN_TRACK_PEAK", &v.trackPeak},
                                                          {"REPLAYGAIN_ALBUM_GAIN", &v.albumGain},
                                                          {"REPLAYGAIN_ALBUM_PEAK", &v.albumPeak}};
    for (const auto& [name, value] : all) {
        if (!value->isEmpty()) {
            pairs.emplace_back(TagLib::String(name), Text(*value));
        }
    }
    return pairs;
}

[[noreturn]] void Fail(const QString& path, const char* cause) {
    throw TagError(
        QStringLiteral("Cannot write ReplayGain tags to %1: %2").arg(path, QLatin1String(cause)));
}

template <typename File>
void Check(const QString& path, File& file) {
    if (!file.isValid()) {
        Fail(path, "the file cannot be read");
    }
}

void Save(const QString& path, bool saved) {
    if (!saved) {
        Fail(path, "the file cannot be written");
    }
}

void SetXiph(TagLib::Ogg::XiphComment& comment, const Pairs& pairs) {
    for (const auto& [name, value] : pairs) {
        comment.addField(name, value, true);
    }
}

// The R128 text for one gain: the value given, else what the file already holds in R128 or, failing
// that, in ReplayGain terms; empty when there is none of them.
TagLib::String R128Value(const QString& path, const TagLib::Ogg::FieldListMap& fields,
                         const QString& given, const char* r128Key, const char* replayGainKey) {
    QString r128;
    if (!given.isEmpty()) {
        r128 = R128FromReplayGain(given);
        if (r128.isEmpty()) {
            throw TagError(QStringLiteral("Cannot write ReplayGain tags to %1: %2 is not a gain")
                               .arg(path, given));
        }
        return Text(r128);
    }
    const auto held = fields.find(r128Key);
    if (held != fields.end() && !held->second.isEmpty()) {
        return held->second.front();
    }
    const auto older = fields.find(replayGainKey);
    if (older != fields.end() && !older->second.isEmpty()) {
        r128 = R128FromReplayGain(QString::fromStdString(older->second.front().to8Bit(true)));
    }
    return Text(r128);
}

// Opus players read R128_TRACK_GAIN / R128_ALBUM_GAIN, relative to the header's output gain, and
// some of them read REPLAYGAIN_* too: the file keeps the former alone, so that a gain is never
// applied twice nor missed. No peaks: R128 has none. The gains were measured on the decoded file,
// output gain included, so they hold on top of whatever output gain the header has (ours write
// 0).
void WriteOpus(const QString& path, const QByteArray& name, const ReplayGainTags& values) {
    TagLib::Ogg::Opus::File file(name.constData(), false);
    Check(path, file);
    TagLib::Ogg::XiphComment& comment = *file.tag();
    const TagLib::Ogg::FieldListMap fields = comment.fieldListMap();
    const TagLib::String track =
        R128Value(path, fields, values.trackGain, "R128_TRACK_GAIN", "REPLAYGAIN_TRACK_GAIN");
    const TagLib::String album =
        R128Value(path, fields, values.albumGain, "R128_ALBUM_GAIN", "REPLAYGAIN_ALBUM_GAIN");
    for (const auto& [key, list] : fields) {
        if (key.startsWith("REPLAYGAIN_") || key == "R128_TRACK_GAIN" || key == "R128_ALBUM_GAIN") {
            comment.removeFields(key);
        }
    }
    if (!track.isEmpty()) {
        comment.addField("R128_TRACK_GAIN", track, true);
    }
    if (!album.isEmpty()) {
        comment.addField("R128_ALBUM_GAIN", album, true);
    }
    Save(path, file.save());
}

void WriteMpeg(const QString& path, const QByteArray& name, const Pairs& pairs) {
    TagLib::MPEG::File file(name.constData(), false);
    Check(path, file);
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    for (const auto& [key, value] : pairs) {
        // The description is compared without case, as players read it.
        const TagLib::ID3v2::FrameList frames = tag->frameList("TXXX");
        for (TagLib::ID3v2::Frame* frame : frames) {
            auto* text = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame);
            if (text && text->description().upper() == key) {
                tag->removeFrame(frame);
            }
        }
        auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
        frame->setDescription(key);
        frame->setText(value);
        tag->addFrame(frame);
    }
    // Keep the tag's own version (our writer's is 2.3), and add no ID3v1 or APE tag.
    const bool v3 = tag->header()->majorVersion() == 3;
    if (v3) {
        // UTF-8 does not exist in 2.3: those frames go out as UTF-16.
        for (TagLib::ID3v2::Frame* frame : tag->frameList("TXXX")) {
            if (auto* text = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame)) {
                text->setTextEncoding(TagLib::String::UTF16);
            }
        }
    }
    Save(path, file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                         v3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate));
}

}  // namespace

bool HoldsReplayGainTags(const QString& path) {
    static const QStringList tagged{
        QStringLiteral("mp3"), QStringLiteral("mp2"),  QStringLiteral("ogg"),
        QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("flac"),
        QStringLiteral("m4a"), QStringLiteral("mp4"),  QStringLiteral("wma")};
    return tagged.contains(QFileInfo(path).suffix().toLower());
}

namespace {

// Writes into `path` as a file of extension `ext`.
bool WriteAs(const QString& path, const QString& ext, const ReplayGainTags& values) {
    const QByteArray name = NativeName(path);
    // Opus by what the file holds: an Opus stream named .ogg still gets the tags Opus players
    // read.
    if (DetectTagContainer(path) == TagContainer::OggOpus) {
        WriteOpus(path, name, values);
        return true;
    }
    const Pairs pairs = Values(values);
    if (ext == QLatin1String("mp3") || ext == QLatin1String("mp2")) {
        WriteMpeg(path, name, pairs);
    } else if (ext == QLatin1String("ogg") || ext == QLatin1String("oga") ||
               ext == QLatin1String("opus")) {
        TagLib::Ogg::Vorbis::File file(name.constData(), false);
        Check(path, file);
        SetXiph(*file.tag(), pairs);
        Save(path, file.save());
    } else if (ext == QLatin1String("flac")) {
        TagLib::FLAC::File file(name.constData(), false);
        Check(path, file);
        SetXiph(*file.xiphComment(true), pairs);
        Save(path, file.save());
    } else if (ext == QLatin1String("m4a") || ext == QLatin1String("mp4")) {
        TagLib::MP4::File file(name.constData(), false);
        Check(path, file);
        for (const auto& [key, value] : pairs) {
            file.tag()->setItem("----:com.apple.iTunes:" + key,
                                TagLib::MP4::Item(TagLib::StringList(value)));
        }
        Save(path, file.save());
    } else if (ext == QLatin1String("wma")) {
        TagLib::ASF::File file(name.constData(), false);
        Check(path, file);
        for (const auto& [key, value] : pairs) {
            file.tag()->setAttribute(key, TagLib::ASF::Attribute(value));
        }
        Save(path, file.save());
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool WriteReplayGainTags(const QString& path, const ReplayGainTags& values) {
    return WriteAs(path, QFileInfo(path).suffix().toLower(), values);
}

bool ReplaceWithReplayGainTags(const QString& path, const ReplayGainTags& values) {
    if (!HoldsReplayGainTags(path) && DetectTagContainer(path) != TagContainer::OggOpus) {
        return false;
    }
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly)) {
        Fail(path, "the file cannot be read");
    }
    FileReplacement copy(path);
    QString error;
    if (!copy.Create(QString(), &error)) {
        throw TagError(QStringLiteral("Cannot write ReplayGain tags to %1: %2").arg(path, error));
    }
    constexpr qint64 kChunk = 1 << 20;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(kChunk);
        if (chunk.isEmpty() || copy.File().write(chunk) != chunk.size()) {
            Fail(path, "the copy cannot be written");
        }
    }
    if (!copy.File().flush()) {
        Fail(path, "the copy cannot be written");
    }
    WriteAs(copy.FileName(), QFileInfo(path).suffix().toLower(), values);
    if (!copy.Commit(&error)) {
        throw TagError(QStringLiteral("Cannot write ReplayGain tags to %1: %2").arg(path, error));
    }
    return true;
}
