#include "tags/tag_transfer.h"

#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include "platform/file_replacement.h"
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

// The source's tags without what the row's record decides.
CarriedTags Extras(const TagSource& source) {
    if (source.path.isEmpty()) {
        return {};
    }
    QString error;
    CarriedTags tags = ReadCarriedTags(source.path, &error);
    if (!error.isEmpty()) {
        // The audio is fine and the record still goes in; the result has no place for a warning.
        qWarning("%s", qPrintable(error));
    }
    for (const char* key : {"TITLE", "ARTIST", "ALBUM", "DATE", "GENRE", "COMMENT"}) {
        tags.fields.remove(QLatin1String(key));
    }
    if (source.levelsChanged) {
        for (auto it = tags.fields.begin(); it != tags.fields.end();) {
            it = it.key().startsWith(QLatin1String("REPLAYGAIN_")) ? tags.fields.erase(it)
                                                                   : std::next(it);
        }
    }
    return tags;
}

QString TakeField(CarriedTags& tags, const char* key) {
    const QStringList values = tags.fields.take(QLatin1String(key));
    return values.value(0);
}

void AddRecordFields(CarriedTags& tags, const AudioFileinfo& entry) {
    const std::pair<const char*, const QString*> fields[] = {
        {"TITLE", &entry.Title}, {"ARTIST", &entry.Artist}, {"ALBUM", &entry.Album},
        {"DATE", &entry.Year},   {"GENRE", &entry.Genre},   {"COMMENT", &entry.Comment}};
    for (const auto& [key, value] : fields) {
        if (!value->isEmpty()) {
            tags.fields.insert(QLatin1String(key), {*value});
        }
    }
}

qint64 ExistingId3Length(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
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
QByteArray Id3TagWithExtras(const ID3StructV2& seven, const QByteArray& extraFrames) {
    constexpr qsizetype kPadding = 10;
    QByteArray tag = BuildId3v2Tag(seven);
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
    QFile source(fileName);
    if (!source.open(QIODevice::ReadOnly) || !source.seek(skip)) {
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

void TransferId3(const QString& outputPath, const AudioFileinfo& entry, CarriedTags extras,
                 TagRewrite rewrite) {
    ID3StructV2 seven;
    seven.Title = entry.Title;
    seven.Artist = entry.Artist;
    seven.Album = entry.Album;
    seven.Year = entry.Year;
    seven.Genre = entry.Genre;
    seven.Comment = entry.Comment;
    seven.Track = TakeField(extras, "TRACKNUMBER");
    const QByteArray frames = CarriedId3v2Frames(extras);
    if (frames.isEmpty()) {
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
    PutId3Tag(outputPath, Id3TagWithExtras(seven, frames), rewrite);
}

void TransferOggVorbis(const QString& outputPath, const AudioFileinfo& entry, CarriedTags extras) {
    OGGTag tag;
    tag.Title = entry.Title;
    tag.Artist = entry.Artist;
    tag.Album = entry.Album;
    tag.Date = entry.Year;
    tag.Genre = entry.Genre;
    tag.Comment = entry.Comment;
    // Vorbis comments keep the total in a field of its own.
    const QString track = TakeField(extras, "TRACKNUMBER");
    const qsizetype slash = track.indexOf(QLatin1Char('/'));
    tag.TrackNumber = slash < 0 ? track : track.left(slash).trimmed();
    if (slash >= 0 && !track.mid(slash + 1).trimmed().isEmpty()) {
        extras.fields.insert(QStringLiteral("TRACKTOTAL"), {track.mid(slash + 1).trimmed()});
    }
    WriteOggTag(outputPath, tag);
    if (!extras.IsEmpty()) {
        WriteCarriedTags(outputPath, extras, CarryWrite::Add);
    }
}

}  // namespace

void TransferTags(const QString& outputPath, TagKind kind, const AudioFileinfo& entry,
                  const TagSource& source, TagRewrite rewrite) {
    switch (kind) {
        case TagKind::None:
            return;
        case TagKind::Id3v2:
            TransferId3(outputPath, entry, Extras(source), rewrite);
            return;
        case TagKind::WmaAttributes: {
            WmaTagInfo tag;
            tag.Title = entry.Title;
            tag.Author = entry.Artist;
            tag.Album = entry.Album;
            tag.Year = entry.Year;
            tag.Genre = entry.Genre;
            tag.Description = entry.Comment;
            WriteWmaTag(outputPath, tag);
            return;
        }
        case TagKind::VorbisComments:
            if (DetectTagContainer(outputPath) == TagContainer::OggVorbis) {
                TransferOggVorbis(outputPath, entry, Extras(source));
                return;
            }
            [[fallthrough]];
        case TagKind::Mp4Atoms:
        case TagKind::Id3Chunk:
        case TagKind::ApeTag: {
            CarriedTags tags = Extras(source);
            AddRecordFields(tags, entry);
            WriteCarriedTags(outputPath, tags, CarryWrite::Replace);
            return;
        }
    }
}
