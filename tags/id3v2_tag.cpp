#include "tags/id3v2_tag.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

#include "platform/file_replacement.h"
#include "platform/native_name.h"
#include "platform/rewrite_start.h"
#include "platform/small_regular_file.h"
#include "tags/genre_names.h"
#include "tags/id3v2_parse.h"
#include "tags/tag_error.h"

ID3StructV2 Id3Tag;

namespace {

// A field's slot holds at most this many bytes of encoded text.
constexpr qsizetype kTextSlot = 255;
constexpr qint64 kCopyChunk = 1 << 20;

// The encoding byte followed by the text: ISO-8859-1 when every character fits, else UTF-16 with
// a byte-order mark (little-endian), cut without splitting a character.
QByteArray EncodeText(const QString& text) {
    bool latin1 = true;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            latin1 = false;
            break;
        }
    }
    QByteArray out;
    if (latin1) {
        out.append('\0');
        out.append(text.left(kTextSlot).toLatin1());
        return out;
    }
    out.append('\1');
    out.append("\xFF\xFE", 2);
    qsizetype units = qMin(text.size(), (kTextSlot - 2) / 2);
    if (units > 0 && units < text.size() && text.at(units - 1).isHighSurrogate()) {
        --units;
    }
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t u = text.at(i).unicode();
        out.append(static_cast<char>(u & 0xFF));
        out.append(static_cast<char>(u >> 8));
    }
    return out;
}

void AppendSize(QByteArray& out, quint32 size, int bytes, bool syncsafe) {
    for (int i = bytes - 1; i >= 0; --i) {
        const int shift = i * (syncsafe ? 7 : 8);
        out.append(static_cast<char>((size >> shift) & (syncsafe ? 0x7F : 0xFF)));
    }
}

// Frame headers differ by version: 2.2 has a three-letter name and a three-byte size, 2.3 a plain
// and 2.4 a syncsafe four-byte size, both followed by two flag bytes.
void AppendFrame(QByteArray& tag, unsigned char major, const std::string& id, const char flags[2],
                 const char* data, qsizetype size) {
    const quint64 limit = major == 2 ? 0xFFFFFF : major == 4 ? 0x0FFFFFFF : 0xFFFFFFFF;
    if (static_cast<quint64>(size) > limit) {
        throw TagError(QStringLiteral("a frame of %1 bytes is too large for the tag").arg(size));
    }
    tag.append(id.data(), static_cast<qsizetype>(id.size()));
    if (major == 2) {
        AppendSize(tag, static_cast<quint32>(size), 3, false);
    } else {
        AppendSize(tag, static_cast<quint32>(size), 4, major == 4);
        tag.append(flags, 2);
    }
    tag.append(data, size);
}

// A new frame for one of the seven fields: its name in the tag's version (a 2.4 tag keeps the year
// as TDRC) and its data.
void AppendFieldFrame(QByteArray& tag, unsigned char major, int index, const QString& value) {
    QByteArray data = EncodeText(value);
    if (index == kId3CommentField) {
        // COMM: language "eng" and an empty content description between encoding and text.
        const bool utf16 = data.at(0) == '\1';
        QByteArray prefix("eng", 3);
        prefix.append(utf16 ? QByteArray("\xFF\xFE\0\0", 4) : QByteArray(1, '\0'));
        data.insert(1, prefix);
    }
    const auto u = static_cast<std::size_t>(index);
    std::string id = major == 2 ? kId3v22FrameIds[u] : kId3FrameIds[u];
    if (major == 4 && index == kId3YearField) {
        id = "TDRC";
    }
    const char noFlags[2] = {0, 0};
    AppendFrame(tag, major, id, noFlags, data.constData(), data.size());
}

// The seven texts as ReadId3Tag shows them, in frame-table order.
std::array<QString, kId3FrameCount> Texts(const Id3v2Reading& reading) {
    std::array<QString, kId3FrameCount> texts;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        texts[i] = QString::fromStdString(reading.texts[i]);
    }
    texts[5] = GenreFromId3(texts[5]);
    return texts;
}

QString Fail(const QString& fileName, const QString& cause) {
    return QStringLiteral("Cannot write the ID3 tag of %1: %2").arg(fileName, cause);
}

// An ID3v2 tag already at the start is replaced, not stacked in front of the new one: its
// length, or 0.
qint64 ExistingTagLength(QFile& source) {
    const QByteArray head = source.peek(kId3HeaderSize);
    if (head.size() != static_cast<qsizetype>(kId3HeaderSize)) {
        return 0;
    }
    const std::uint64_t existing =
        Id3v2ExistingTagLength(reinterpret_cast<const unsigned char*>(head.constData()));
    return existing <= static_cast<std::uint64_t>(source.size()) ? static_cast<qint64>(existing)
                                                                 : 0;
}

}  // namespace

QByteArray BuildId3v2Tag(const ID3StructV2& tag, const QByteArray& existing, TagFields fields) {
    const std::array<const QString*, kId3FrameCount> values = {
        &tag.Title, &tag.Artist, &tag.Album, &tag.Track, &tag.Year, &tag.Genre, &tag.Comment};
    const Id3v2Frames old =
        SplitId3v2Tag(reinterpret_cast<const unsigned char*>(existing.constData()),
                      static_cast<std::size_t>(existing.size()));
    const Id3v2Reading reading = ReadId3v2Fields(old);
    const std::array<QString, kId3FrameCount> current = Texts(reading);
    // A new tag is 2.3; an existing one keeps its version so that its frames stay valid as they
    // are.
    const unsigned char major = old.major == 0 ? 3 : old.major;

    std::array<bool, kId3FrameCount> replace{};
    QByteArray frames;
    for (int i = 0; i < kId3FrameCount; ++i) {
        const auto u = static_cast<std::size_t>(i);
        const bool named = (fields & (1u << i)) != 0;
        const bool alreadyThere = reading.source[u] >= 0 && current[u] == *values[u];
        replace[u] = named && !alreadyThere;
        if (replace[u]) {
            AppendFieldFrame(frames, major, i, *values[u]);
        }
    }
    for (std::size_t f = 0; f < old.frames.size(); ++f) {
        const int field = Id3v2FieldOfFrame(old, reading, f);
        if (field >= 0 && replace[static_cast<std::size_t>(field)]) {
            continue;
        }
        const Id3v2Frame& frame = old.frames[f];
        const char flags[2] = {static_cast<char>(frame.flags[0]),
                               static_cast<char>(frame.flags[1])};
        AppendFrame(frames, major, frame.id, flags,
                    reinterpret_cast<const char*>(frame.data.data()),
                    static_cast<qsizetype>(frame.data.size()));
    }
    frames.append(10, '\0');  // padding

    if (static_cast<quint64>(frames.size()) > 0x0FFFFFFF) {
        throw TagError(QStringLiteral("the tag would be larger than 256 MB"));
    }
    QByteArray out("ID3", 3);
    out.append(static_cast<char>(major));
    out.append(2, '\0');  // revision, flags
    AppendSize(out, static_cast<quint32>(frames.size()), 4, true);
    out.append(frames);
    return out;
}

void ReadId3Tag(const QString& fileName) {
    Id3Tag = ID3StructV2();
    try {
        if (!IsRegularFile(fileName)) {
            return;  // a FIFO or device would block the open
        }
        QFile file;
        if (!OpenNative(file, fileName, QIODevice::ReadOnly)) {
            return;
        }
        QByteArray data = file.read(kId3HeaderSize);
        if (data.size() < static_cast<qsizetype>(kId3HeaderSize)) {
            return;
        }
        const std::uint64_t length =
            Id3v2TagLength(reinterpret_cast<const unsigned char*>(data.constData()));
        if (length == 0 || length > static_cast<std::uint64_t>(file.size())) {
            return;
        }
        data.append(file.read(static_cast<qint64>(length) - data.size()));
        if (static_cast<std::uint64_t>(data.size()) != length) {
            return;
        }
        const Id3v2Frames tag =
            SplitId3v2Tag(reinterpret_cast<const unsigned char*>(data.constData()),
                          static_cast<std::size_t>(data.size()));
        const auto texts = Texts(ReadId3v2Fields(tag));
        auto text = [&](int i) { return texts[static_cast<std::size_t>(i)]; };
        Id3Tag.Title = text(0);
        Id3Tag.Artist = text(1);
        Id3Tag.Album = text(2);
        Id3Tag.Track = text(3);
        Id3Tag.Year = text(4);
        Id3Tag.Genre = text(5);
        Id3Tag.Comment = text(6);
    } catch (...) {
        Id3Tag = ID3StructV2();  // a reader never fails its caller
    }
}

namespace {

// The new tag for the file open in source, built over the tag already there; source is left at
// the first byte after that tag, whose length goes to skip.
QByteArray TagFor(const QString& fileName, QFile& source, const ID3StructV2& tag, TagFields fields,
                  qint64* skip) {
    *skip = ExistingTagLength(source);
    const QByteArray existing = source.read(*skip);
    if (existing.size() != *skip) {
        throw TagError(Fail(fileName, source.errorString()));
    }
    try {
        return BuildId3v2Tag(tag, existing, fields);
    } catch (const TagError& e) {
        throw TagError(Fail(fileName, e.Message()));
    }
}

}  // namespace

void WriteId3TagInPlace(const QString& fileName, const ID3StructV2& tag, TagFields fields) {
    QFile source;
    if (!OpenNative(source, fileName, QIODevice::ReadOnly)) {
        throw TagError(Fail(fileName, source.errorString()));
    }
    qint64 skip = 0;
    const QByteArray tagBytes = TagFor(fileName, source, tag, fields, &skip);
    source.close();
    QString error;
    if (!RewriteFileStart(fileName, skip, tagBytes, &error)) {
        throw TagError(Fail(fileName, error));
    }
}

void WriteId3Tag(const QString& fileName, const ID3StructV2& tag, TagFields fields) {
    if (QFileInfo::exists(fileName) && !IsRegularFile(fileName)) {
        throw TagError(Fail(fileName, QStringLiteral("it is not a regular file")));
    }
    QFile source;
    if (!OpenNative(source, fileName, QIODevice::ReadOnly)) {
        throw TagError(Fail(fileName, source.errorString()));
    }
    qint64 skip = 0;
    const QByteArray tagBytes = TagFor(fileName, source, tag, fields, &skip);

    FileReplacement replacement(fileName);
    QString error;
    if (!replacement.Create(QString(), &error)) {
        throw TagError(Fail(fileName, error));
    }
    QFileDevice& out = replacement.File();
    if (out.write(tagBytes) != tagBytes.size()) {
        throw TagError(Fail(fileName, out.errorString()));
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(kCopyChunk);
        if (chunk.isEmpty()) {
            throw TagError(Fail(fileName, source.errorString()));
        }
        if (out.write(chunk) != chunk.size()) {
            throw TagError(Fail(fileName, out.errorString()));
        }
    }
    source.close();
    if (!replacement.Commit(&error)) {
        throw TagError(Fail(fileName, error));
    }
}
