#include "tags/tag_transfer.h"

#include <QFile>
#include <QFileInfo>
#include <QtDebug>
#include <algorithm>

#include "platform/file_replacement.h"
#include "platform/native_name.h"
#include "platform/rewrite_start.h"
#include "tags/id3v2_parse.h"
#include "tags/id3v2_tag.h"
#include "tags/ogg_tag.h"
#include "tags/tag_carry.h"
#include "tags/tag_error.h"
#include "tags/wma_tag.h"

namespace {

constexpr qint64 kCopyChunk = 1 << 20;

QString Id3Fail(const QString& fileName, const QString& cause) {
    return QStringLiteral("Cannot write the ID3 tag of %1: %2").arg(fileName, cause);
}

// What one field of the record is in the tag set, and in the ID3 writer's record.
struct RecordField {
    TagFieldId id;
    QString AudioFileinfo::*record;
};
constexpr RecordField kRecordFields[] = {
    {TagFieldId::Title, &AudioFileinfo::Title}, {TagFieldId::Artist, &AudioFileinfo::Artist},
    {TagFieldId::Album, &AudioFileinfo::Album}, {TagFieldId::Date, &AudioFileinfo::Year},
    {TagFieldId::Genre, &AudioFileinfo::Genre}, {TagFieldId::Comment, &AudioFileinfo::Comment}};

// The whole image's tags as one track's: what names one track of it goes (the sheet's own
// track fields come instead), and so does what only holds for the whole (chapters, the sheet).
void ForTrack(TagSet& tags, const TagSet& track) {
    for (const TagFieldId id :
         {TagFieldId::Title, TagFieldId::Track, TagFieldId::Isrc, TagFieldId::TrackGain,
          TagFieldId::TrackPeak, TagFieldId::MusicBrainzTrackId,
          TagFieldId::MusicBrainzReleaseTrackId, TagFieldId::Lyrics}) {
        tags.Set(id, {});
        tags.dropped.remove(TagKey(id));
    }
    for (const char* key : {"CUESHEET", "TRACKTOTAL", "TOTALTRACKS", "LOG"}) {
        tags.fields.remove(QLatin1String(key));
    }
    tags.id3Frames.clear();
    for (auto it = track.fields.cbegin(); it != track.fields.cend(); ++it) {
        tags.fields.insert(it.key(), it.value());
        tags.dropped.remove(it.key());
    }
}

// The source's tags with the record's edits in them.
TagSet Merged(const AudioFileinfo& entry, const TagSource& source) {
    TagSet tags;
    bool readable = false;
    if (!source.path.isEmpty()) {
        QString error;
        tags = ReadTagSet(source.path, &error);
        readable = error.isEmpty();
        if (!readable) {
            // The audio is fine and the record still goes in; the result has no place for it.
            qWarning("%s", qPrintable(error));
        }
    }
    if (source.sheetTrack) {
        ForTrack(tags, source.sheetTags);
    }
    for (const RecordField& f : kRecordFields) {
        const QString& value = entry.*f.record;
        const QString key = TagKey(f.id);
        const bool edited = !readable || value != source.read.*f.record;
        // Unedited, the source's own values stand: the record may hold less of them.
        if (edited || (!tags.fields.contains(key) && !tags.dropped.contains(key))) {
            tags.Set(f.id, value.isEmpty() ? QStringList() : QStringList{value});
        }
    }
    if (source.levelsChanged) {
        for (auto it = tags.fields.begin(); it != tags.fields.end();) {
            const bool gain = it.key().startsWith(QLatin1String("REPLAYGAIN_")) ||
                              it.key().startsWith(QLatin1String("R128_"));
            it = gain ? tags.fields.erase(it) : std::next(it);
        }
    }
    return tags;
}

QString DroppedNote(const TagSet& tags) {
    QStringList names;
    for (auto it = tags.dropped.cbegin(); it != tags.dropped.cend(); ++it) {
        if (!tags.fields.contains(it.key())) {
            names << it.value();
        }
    }
    return names.isEmpty() ? QString()
                           : QStringLiteral("Left out tags that cannot be read: %1")
                                 .arg(names.join(QStringLiteral(", ")));
}

// Whether the ID3 writer's record holds the values as they are: one value that fits its slot,
// and a year of four digits for the date (TagLib writes a longer date as TYER and TDAT).
bool FitsId3Slot(TagFieldId id, const QStringList& values) {
    if (values.size() > 1) {
        return false;
    }
    const QString value = values.value(0);
    if (id == TagFieldId::Date && !value.isEmpty() &&
        (value.size() != 4 || !std::all_of(value.begin(), value.end(), [](QChar c) {
             return c >= QLatin1Char('0') && c <= QLatin1Char('9');
         }))) {
        return false;
    }
    const bool latin1 =
        std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() <= 0xFF; });
    return latin1 ? value.size() <= 255 : value.size() <= 126;
}

qint64 ExistingId3Length(const QString& fileName) {
    QFile file;
    if (!OpenNative(file, fileName, QIODevice::ReadOnly)) {
        throw TagError(Id3Fail(fileName, file.errorString()));
    }
    const QByteArray head = file.read(kId3HeaderSize);
    if (head.size() != static_cast<qsizetype>(kId3HeaderSize)) {
        return 0;
    }
    const std::uint64_t length =
        Id3v2ExistingTagLength(reinterpret_cast<const unsigned char*>(head.constData()));
    return length <= static_cast<std::uint64_t>(file.size()) ? static_cast<qint64>(length) : 0;
}

// The ID3 writer's tag with the carried frames put in before its padding.
QByteArray Id3TagWithExtras(const ID3StructV2& seven, TagFields fields,
                            const QByteArray& extraFrames) {
    constexpr qsizetype kPadding = 10;
    QByteArray tag = BuildId3v2Tag(seven, QByteArray(), fields);
    tag.insert(tag.size() - kPadding, extraFrames);
    quint32 size = static_cast<quint32>(tag.size() - static_cast<qsizetype>(kId3HeaderSize));
    for (int i = 9; i >= 6; --i) {
        tag[i] = static_cast<char>(size & 0x7F);
        size >>= 7;
    }
    return tag;
}

void PutId3Tag(const QString& fileName, const QByteArray& tag, TagRewrite rewrite) {
    QString error;
    const qint64 skip = ExistingId3Length(fileName);
    if (rewrite == TagRewrite::InPlace) {
        if (!RewriteFileStart(fileName, skip, tag, &error)) {
            throw TagError(Id3Fail(fileName, error));
        }
        return;
    }
    QFile source;
    if (!OpenNative(source, fileName, QIODevice::ReadOnly) || !source.seek(skip)) {
        throw TagError(Id3Fail(fileName, source.errorString()));
    }
    FileReplacement replacement(fileName);
    if (!replacement.Create(QString(), &error)) {
        throw TagError(Id3Fail(fileName, error));
    }
    QFileDevice& out = replacement.File();
    if (out.write(tag) != tag.size()) {
        throw TagError(Id3Fail(fileName, out.errorString()));
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(kCopyChunk);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size()) {
            throw TagError(
                Id3Fail(fileName, chunk.isEmpty() ? source.errorString() : out.errorString()));
        }
    }
    source.close();
    if (!replacement.Commit(&error)) {
        throw TagError(Id3Fail(fileName, error));
    }
}

// One field of a writer's own record.
template <typename Record>
struct Slot {
    TagFieldId id;
    TagFields bit;
    QString Record::*text;
};

// Moves each field the record's writer holds as it is (fits) out of the set into the record; the
// others stay in the set for TagLib and leave the writer's field set.
template <typename Record, std::size_t N, typename Fits>
TagFields TakeFitting(TagSet& tags, Record& record, const Slot<Record> (&table)[N], Fits fits) {
    TagFields fields = TagField::All;
    for (const Slot<Record>& slot : table) {
        const QStringList values = tags.Values(slot.id);
        if (fits(slot.id, values)) {
            record.*slot.text = values.value(0);
            tags.Set(slot.id, {});
        } else {
            fields &= ~slot.bit;
        }
    }
    return fields;
}

void TransferId3(const QString& outputPath, TagSet tags, TagRewrite rewrite) {
    constexpr Slot<ID3StructV2> kSlots[] = {
        {TagFieldId::Title, TagField::Title, &ID3StructV2::Title},
        {TagFieldId::Artist, TagField::Artist, &ID3StructV2::Artist},
        {TagFieldId::Album, TagField::Album, &ID3StructV2::Album},
        {TagFieldId::Date, TagField::Year, &ID3StructV2::Year},
        {TagFieldId::Track, TagField::Track, &ID3StructV2::Track},
        {TagFieldId::Comment, TagField::Comment, &ID3StructV2::Comment},
        {TagFieldId::Genre, TagField::Genre, &ID3StructV2::Genre}};
    ID3StructV2 seven;
    // What does not fit goes whole into TagLib's frames below.
    const TagFields fields = TakeFitting(tags, seven, kSlots, FitsId3Slot);
    const QByteArray frames = Id3v2FramesOf(tags);
    if (frames.isEmpty() && fields == TagField::All) {
        if (rewrite == TagRewrite::InPlace) {
            WriteId3TagInPlace(outputPath, seven);
        } else {
            WriteId3Tag(outputPath, seven);
        }
        return;
    }
    if (QFileInfo::exists(outputPath) && !QFileInfo(outputPath).isFile()) {
        throw TagError(Id3Fail(outputPath, QStringLiteral("it is not a regular file")));
    }
    PutId3Tag(outputPath, Id3TagWithExtras(seven, fields, frames), rewrite);
}

void TransferOggVorbis(const QString& outputPath, TagSet tags) {
    constexpr Slot<OGGTag> kSlots[] = {{TagFieldId::Title, TagField::Title, &OGGTag::Title},
                                       {TagFieldId::Artist, TagField::Artist, &OGGTag::Artist},
                                       {TagFieldId::Album, TagField::Album, &OGGTag::Album},
                                       {TagFieldId::Date, TagField::Year, &OGGTag::Date},
                                       {TagFieldId::Comment, TagField::Comment, &OGGTag::Comment},
                                       {TagFieldId::Genre, TagField::Genre, &OGGTag::Genre}};
    OGGTag tag;
    // Several values become repeated comments, written below.
    const TagFields fields =
        TakeFitting(tags, tag, kSlots,
                    [](TagFieldId, const QStringList& values) { return values.size() <= 1; });
    // Vorbis comments keep the total in a field of its own.
    const QString track = tags.First(TagFieldId::Track);
    tags.Set(TagFieldId::Track, {});
    const qsizetype slash = track.indexOf(QLatin1Char('/'));
    tag.TrackNumber = slash < 0 ? track : track.left(slash).trimmed();
    if (slash >= 0 && !track.mid(slash + 1).trimmed().isEmpty()) {
        tags.fields.insert(QStringLiteral("TRACKTOTAL"), {track.mid(slash + 1).trimmed()});
    }
    WriteOggTag(outputPath, tag, fields);
    if (!tags.IsEmpty()) {
        WriteTagSet(outputPath, tags, CarryWrite::Add);
    }
}

}  // namespace

QString TransferTags(const QString& outputPath, TagKind kind, const AudioFileinfo& entry,
                     const TagSource& source, TagRewrite rewrite, TagSet* written) {
    if (kind == TagKind::None && !written) {
        return {};
    }
    TagSet tags = Merged(entry, source);
    ApplyCoverOptions(tags, source.path, source.covers);
    const QString note = DroppedNote(tags);
    if (written) {
        *written = tags;
    }
    if (kind == TagKind::None) {
        return {};
    }
    switch (kind) {
        case TagKind::None:
            break;
        case TagKind::Id3v2:
            TransferId3(outputPath, std::move(tags), rewrite);
            break;
        case TagKind::WmaAttributes: {
            // The attributes hold one text each: several values share it.
            WmaTagInfo tag;
            tag.Title = tags.Joined(TagFieldId::Title);
            tag.Author = tags.Joined(TagFieldId::Artist);
            tag.Album = tags.Joined(TagFieldId::Album);
            tag.Year = tags.First(TagFieldId::Date);
            tag.Genre = tags.Joined(TagFieldId::Genre);
            tag.Description = tags.Joined(TagFieldId::Comment);
            WriteWmaTag(outputPath, tag);
            break;
        }
        case TagKind::VorbisComments:
            if (DetectTagContainer(outputPath) == TagContainer::OggVorbis) {
                TransferOggVorbis(outputPath, std::move(tags));
                break;
            }
            [[fallthrough]];
        case TagKind::Mp4Atoms:
        case TagKind::Id3Chunk:
        case TagKind::ApeTag:
            WriteTagSet(outputPath, tags, CarryWrite::Replace);
            break;
    }
    return note;
}
