#include "tags/id3v2_tag.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>

#include "outside/files/file_replacement.h"
#include "outside/files/rewrite_start.h"
#include "outside/files/small_regular_file.h"
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

void AppendFrame(QByteArray& tag, const char* id, const QByteArray& data) {
    tag.append(id, 4);
    const quint32 size = static_cast<quint32>(data.size());
    tag.append(static_cast<char>(size >> 24));
    tag.append(static_cast<char>(size >> 16));
    tag.append(static_cast<char>(size >> 8));
    tag.append(static_cast<char>(size));
    tag.append(2, '\0');  // flags
    tag.append(data);
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

QByteArray BuildId3v2Tag(const ID3StructV2& tag) {
    const std::array<const QString*, kId3FrameCount> values = {
        &tag.Title, &tag.Artist, &tag.Album, &tag.Track, &tag.Year, &tag.Genre, &tag.Comment};
    QByteArray frames;
    for (int i = 0; i < kId3FrameCount; ++i) {
        QByteArray data = EncodeText(*values[static_cast<std::size_t>(i)]);
        if (i == 6) {
            // COMM: language "eng" and an empty content description between encoding and text.
            const bool utf16 = data.at(0) == '\1';
            QByteArray prefix("eng", 3);
            prefix.append(utf16 ? QByteArray("\xFF\xFE\0\0", 4) : QByteArray(1, '\0'));
            data.insert(1, prefix);
        }
        AppendFrame(frames, kId3FrameIds[static_cast<std::size_t>(i)], data);
    }
    frames.append(10, '\0');  // padding

    quint32 size = static_cast<quint32>(frames.size());
    QByteArray out("ID3\3\0\0", 6);
    char sizeBytes[4];
    for (int i = 3; i >= 0; --i) {
        sizeBytes[i] = static_cast<char>(size & 0x7F);
        size >>= 7;
    }
    out.append(sizeBytes, 4);
    out.append(frames);
    return out;
}

void ReadId3Tag(const QString& fileName) {
    Id3Tag = ID3StructV2();
    try {
        if (!IsRegularFile(fileName)) {
            return;  // a FIFO or device would block the open
        }
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly)) {
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
        const auto texts = ParseId3v2Tag(reinterpret_cast<const unsigned char*>(data.constData()),
                                         static_cast<std::size_t>(data.size()));
        auto text = [&](int i) {
            return QString::fromStdString(texts[static_cast<std::size_t>(i)]);
        };
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

void WriteId3TagInPlace(const QString& fileName, const ID3StructV2& tag) {
    const QByteArray tagBytes = BuildId3v2Tag(tag);
    QFile source(fileName);
    if (!source.open(QIODevice::ReadOnly)) {
        throw TagError(Fail(fileName, source.errorString()));
    }
    const qint64 skip = ExistingTagLength(source);
    source.close();
    QString error;
    if (!RewriteFileStart(fileName, skip, tagBytes, &error)) {
        throw TagError(Fail(fileName, error));
    }
}

void WriteId3Tag(const QString& fileName, const ID3StructV2& tag) {
    const QByteArray tagBytes = BuildId3v2Tag(tag);
    if (QFileInfo::exists(fileName) && !IsRegularFile(fileName)) {
        throw TagError(Fail(fileName, QStringLiteral("it is not a regular file")));
    }
    QFile source(fileName);
    if (!source.open(QIODevice::ReadOnly)) {
        throw TagError(Fail(fileName, source.errorString()));
    }
    const qint64 skip = ExistingTagLength(source);
    if (!source.seek(skip)) {
        throw TagError(Fail(fileName, source.errorString()));
    }

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
