#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QtEndian>

#include "support/temp_dir.h"
#include "tag_test_support.h"
#include "tags/id3v2_tag.h"
#include "tags/tag_error.h"

namespace {

// A literal with its embedded zero bytes.
template <size_t N>
QByteArray Raw(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

const QByteArray kAudio =
    QByteArray("\xFF\xFB\x90\x64", 4) + QByteArray(3000, '\x55') + QByteArray("\xFF\x00\xFF", 3);

QByteArray Be32(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) {
        b[i] = static_cast<char>(v >> (24 - 8 * i));
    }
    return b;
}

QByteArray Syncsafe(quint32 v) {
    QByteArray b(4, '\0');
    for (int i = 3; i >= 0; --i) {
        b[i] = static_cast<char>(v & 0x7F);
        v >>= 7;
    }
    return b;
}

QByteArray Frame(const char* id, const QByteArray& data, int major = 3, char flags2 = 0) {
    return QByteArray(id, 4) + (major == 4 ? Syncsafe(data.size()) : Be32(data.size())) +
           QByteArray(1, '\0') + QByteArray(1, flags2) + data;
}

QByteArray Tag(const QByteArray& body, int major = 3, char flags = 0) {
    return QByteArray("ID3", 3) + char(major) + QByteArray(1, '\0') + QByteArray(1, flags) +
           Syncsafe(body.size()) + body;
}

ID3StructV2 TitleOnly(const QString& title) {
    ID3StructV2 tag;
    tag.Title = title;
    return tag;
}

ID3StructV2 ReadBytes(const TempDir& dir, const QByteArray& bytes) {
    ReadId3Tag(dir.Write(QStringLiteral("t.mp3"), bytes));
    return Id3Tag;
}

TEST(Id3v2Writer, EmptyRecordIsExactly101BytesAheadOfTheAudio) {
    TempDir dir;
    const QString path = dir.Write(QStringLiteral("a.mp3"), kAudio);
    WriteId3Tag(path, ID3StructV2());
    const QByteArray bytes = ReadAll(path);
    ASSERT_EQ(bytes.size(), 101 + kAudio.size());
    EXPECT_EQ(bytes.left(10), QByteArray("ID3\x03\x00\x00\x00\x00\x00\x5B", 10));
    EXPECT_EQ(bytes.mid(10, 11), QByteArray("TIT2\0\0\0\1\0\0\0", 11));
    EXPECT_EQ(bytes.mid(76, 15), QByteArray("COMM\0\0\0\5\0\0\0eng\0", 15));
    EXPECT_EQ(bytes.mid(91, 10), QByteArray(10, '\0'));
    EXPECT_EQ(bytes.mid(101), kAudio);
}

TEST(Id3v2Writer, TitleAbcGivesTagSize94) {
    const QByteArray tag = BuildId3v2Tag(TitleOnly(QStringLiteral("abc")));
    EXPECT_EQ(tag.mid(6, 4), QByteArray("\0\0\0\x5E", 4));
    EXPECT_EQ(tag.mid(10, 14), QByteArray("TIT2\0\0\0\4\0\0\0abc", 14));
}

TEST(Id3v2Writer, FrameSizeAlwaysEqualsTheBytesWritten) {
    ID3StructV2 tag;
    tag.Title = QString(300, QLatin1Char('x'));  // cut to 255 ISO-8859-1 bytes
    tag.Artist = QString(300, QChar(0x0416));    // cut to 126 UTF-16 units
    tag.Comment = QStringLiteral("\U0001F600") + QString(200, QChar(0x0416));
    const QByteArray bytes = BuildId3v2Tag(tag);
    qsizetype pos = 10;
    int frames = 0;
    while (pos + 10 <= bytes.size() && bytes.at(pos) != '\0') {
        const quint32 size = qFromBigEndian<quint32>(bytes.constData() + pos + 4);
        pos += 10 + size;
        ++frames;
    }
    EXPECT_EQ(frames, 7);
    EXPECT_EQ(pos + 10, bytes.size());
    EXPECT_EQ(bytes.mid(10, 10), QByteArray("TIT2\0\0\1\0\0\0", 10));  // 1 + 255
}

TEST(Id3v2Writer, RoundTripKeepsTextsAndAudioAndAgreesWithMutagen) {
    TempDir dir;
    const QString path = dir.Write(QStringLiteral("a.mp3"), kAudio);
    ID3StructV2 tag{QStringLiteral("  Café  "), QStringLiteral("Дмитрий"),
                    QStringLiteral("Album"),    QStringLiteral("1999"),
                    QStringLiteral("7"),        QStringLiteral("日本語 comment"),
                    QStringLiteral("Rock")};
    WriteId3Tag(path, tag);
    WriteId3Tag(path, tag);  // the second tag replaces the first
    ReadId3Tag(path);
    ID3StructV2 expected = tag;
    expected.Title = QStringLiteral("Café");
    EXPECT_EQ(Id3Tag, expected);
    const QByteArray bytes = ReadAll(path);
    EXPECT_EQ(bytes.mid(bytes.size() - kAudio.size()), kAudio);
    EXPECT_EQ(bytes.indexOf("ID3", 3), -1);

    const QJsonObject m = MutagenRead(QStringLiteral("mp3"), path);
    if (m.isEmpty()) {
        GTEST_SKIP() << "python3-mutagen is not available";
    }
    EXPECT_EQ(m.value(QStringLiteral("version")).toString(), QStringLiteral("3.0"));
    EXPECT_EQ(m.value(QStringLiteral("TIT2")).toString(), QStringLiteral("  Café  "));
    EXPECT_EQ(m.value(QStringLiteral("TPE1")).toString(), QStringLiteral("Дмитрий"));
    EXPECT_EQ(m.value(QStringLiteral("COMM")).toString(), QStringLiteral("日本語 comment"));
    EXPECT_EQ(m.value(QStringLiteral("TCON")).toString(), QStringLiteral("Rock"));
}

TEST(Id3v2Writer, ReplacesAVersion4TagWithFooterAndKeepsPermissions) {
    TempDir dir;
    const QByteArray old = Tag(Frame("TIT2", QByteArray("\3old", 4), 4), 4, 0x10);
    const QByteArray footer = QByteArray("3DI\x04\x00\x10", 6) + old.mid(6, 4);
    const QString path = dir.Write(QStringLiteral("a.mp3"), old + footer + kAudio);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup);
    WriteId3Tag(path, TitleOnly(QStringLiteral("new")));
    EXPECT_EQ(ModeOf(path), QFile::ReadOwner | QFile::ReadGroup);
    const QByteArray bytes = ReadAll(path);
    EXPECT_EQ(bytes.size(), 104 + kAudio.size());
    EXPECT_EQ(bytes.mid(104), kAudio);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// The in-place writer (used on a batch's hidden output) gives the very bytes of the replacing
// one, whether the new tag is longer or shorter than the one it replaces, across copy chunks.
TEST(Id3v2Writer, InPlaceGivesTheBytesOfTheReplacingWriter) {
    TempDir dir;
    ID3StructV2 longTag;
    longTag.Title = QString(200, QLatin1Char('t'));
    longTag.Artist = QString(200, QChar(0x263A));
    ID3StructV2 shortTag;
    shortTag.Title = QStringLiteral("x");
    const QByteArray audio = kAudio.repeated(700);  // beyond one 1 MiB chunk
    for (const ID3StructV2* first : {&shortTag, &longTag}) {
        for (const ID3StructV2* second : {&shortTag, &longTag}) {
            const QString replaced = dir.Write(QStringLiteral("r.mp3"), audio);
            const QString inPlace = dir.Write(QStringLiteral("p.mp3"), audio);
            WriteId3Tag(replaced, *first);
            WriteId3Tag(replaced, *second);
            WriteId3TagInPlace(inPlace, *first);
            WriteId3TagInPlace(inPlace, *second);
            EXPECT_EQ(ReadAll(inPlace), ReadAll(replaced));
            EXPECT_TRUE(ReadAll(inPlace).endsWith(audio));
        }
    }
}

TEST(Id3v2Writer, TagsTheFileALinkPointsTo) {
    TempDir dir;
    const QString real = dir.Write(QStringLiteral("real.mp3"), kAudio);
    const QString link = dir.File(QStringLiteral("link.mp3"));
    ASSERT_TRUE(QFile::link(real, link));
    WriteId3Tag(link, TitleOnly(QStringLiteral("linked")));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    ReadId3Tag(real);
    EXPECT_EQ(Id3Tag.Title, QStringLiteral("linked"));
}

TEST(Id3v2Writer, MissingFileRaisesAndLeavesNothingBehind) {
    TempDir dir;
    try {
        WriteId3Tag(dir.File(QStringLiteral("none.mp3")), ID3StructV2());
        FAIL() << "no error";
    } catch (const TagError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("none.mp3")));
    }
    EXPECT_TRUE(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(Id3v2Reader, NoTagGivesTheEmptyRecord) {
    TempDir dir;
    const ID3StructV2 empty;
    EXPECT_EQ(ReadBytes(dir, QByteArray("ID3\3", 4)), empty);  // shorter than a header
    // A tag end beyond the file's length.
    EXPECT_EQ(ReadBytes(dir, Tag(Frame("TIT2", QByteArray("\0x", 2))).left(15)), empty);
    // Not "ID3", or a version other than 3 and 4, even with plausible bytes 6 to 9.
    EXPECT_EQ(ReadBytes(dir, Raw("XYZ\3\0\0\0\0\0\x0BTIT2\0\0\0\1\0\0\0") + kAudio), empty);
    QByteArray v2 = Tag(Frame("TIT2", QByteArray("\0x", 2)));
    v2[3] = 2;
    EXPECT_EQ(ReadBytes(dir, v2), empty);
    ReadId3Tag(dir.File(QStringLiteral("missing.mp3")));
    EXPECT_EQ(Id3Tag, empty);
}

TEST(Id3v2Reader, DecodesEncodingsAndCommentText) {
    TempDir dir;
    const QByteArray body =
        Frame("TIT2", QByteArray("\x01\xFF\xFE\x54\x00\xE9\x00", 7)) +  // UTF-16 LE BOM
        Frame("TPE1", QByteArray("\x01\xFE\xFF\x04\x16\x00\x00", 7)) +  // UTF-16 BE BOM
        Frame("TALB", QByteArray("\x02\x00\x41\x04\x16", 5)) +          // UTF-16BE
        Frame("TYER", QByteArray("\x03 2001 \xC3\xA9", 9)) +            // UTF-8
        Frame("TCON", QByteArray("\x00\xE9t\xE9\x00junk", 9)) +         // ISO-8859-1
        Frame("COMM", QByteArray("\x00"
                                 "engdesc\0the text",
                                 17)) +
        Frame("TRCK", QByteArray("\x00"
                                 "1",
                                 2)) +
        Frame("TRCK", QByteArray("\x00"
                                 "2",
                                 2));
    const ID3StructV2 tag = ReadBytes(dir, Tag(body));
    EXPECT_EQ(tag.Title, QStringLiteral("Té"));
    EXPECT_EQ(tag.Artist, QStringLiteral("Ж"));
    EXPECT_EQ(tag.Album, QStringLiteral("AЖ"));
    EXPECT_EQ(tag.Year, QStringLiteral("2001 é"));
    EXPECT_EQ(tag.Genre, QStringLiteral("été"));
    EXPECT_EQ(tag.Comment, QStringLiteral("the text"));
    EXPECT_EQ(tag.Track, QStringLiteral("2"));  // the later duplicate wins
}

TEST(Id3v2Reader, HandlesVersion4UnsynchronisationAndExtendedHeaders) {
    TempDir dir;
    // 2.4: syncsafe frame sizes; a frame of 200 bytes has size bytes 00 00 01 48.
    const QByteArray long4 = QByteArray(1, '\0') + QByteArray(199, 'a');
    ID3StructV2 tag =
        ReadBytes(dir, Tag(Frame("TPE1", long4, 4) + Frame("TIT2", Raw("\0v4"), 4), 4));
    EXPECT_EQ(tag.Artist.size(), 199);
    EXPECT_EQ(tag.Title, QStringLiteral("v4"));

    // 2.3 with the whole body unsynchronised: FF E0 was stored as FF 00 E0.
    QByteArray unsync = Frame("TIT2", QByteArray("\0\xFF\xE0x", 4));
    unsync.insert(12, '\0');  // after the 0xFF of the text
    tag = ReadBytes(dir, Tag(unsync, 3, char(0x80)));
    EXPECT_EQ(tag.Title, QStringLiteral("\u00FF\u00E0x"));

    // Extended headers are skipped (2.3: size without itself; 2.4: syncsafe, with itself).
    const QByteArray ext3 = Be32(6) + QByteArray(6, '\0');
    EXPECT_EQ(ReadBytes(dir, Tag(ext3 + Frame("TIT2", Raw("\0e3")), 3, 0x40)).Title,
              QStringLiteral("e3"));
    const QByteArray ext4 = Syncsafe(6) + QByteArray("\x01\x00", 2);
    EXPECT_EQ(ReadBytes(dir, Tag(ext4 + Frame("TIT2", Raw("\0e4"), 4), 4, 0x40)).Title,
              QStringLiteral("e4"));
}

TEST(Id3v2Reader, KeepsThe250ByteCapAndFindsTheNextFrame) {
    TempDir dir;
    const QByteArray body = Frame("TIT2", QByteArray(1, '\0') + QByteArray(400, 'b')) +
                            Frame("COMM", QByteArray("\0eng\0", 5) + QByteArray(300, 'c')) +
                            Frame("TALB", QByteArray("\0next", 5));
    const ID3StructV2 tag = ReadBytes(dir, Tag(body));
    EXPECT_EQ(tag.Title, QString(249, QLatin1Char('b')));
    EXPECT_EQ(tag.Comment, QString(245, QLatin1Char('c')));
    EXPECT_EQ(tag.Album, QStringLiteral("next"));
}

// Files other taggers write, each read the way mutagen reads them: v2.4 frames with plain
// (not syncsafe) sizes, a frame with an invalid identifier between two good ones.
TEST(Id3v2Reader, ReadsFramesOtherTaggersWriteAsMutagenDoes) {
    TempDir dir;
    auto plain4 = [](const char* id, const QByteArray& data) {
        return QByteArray(id, 4) + Be32(data.size()) + QByteArray(2, '\0') + data;
    };
    const QByteArray title200 = QByteArray(1, '\0') + QByteArray(199, 't');
    const QByteArray title300 = QByteArray(1, '\0') + QByteArray(299, 'u');
    const QByteArray artist = Raw("\0Artist");
    struct Case {
        const char* name;
        QByteArray tag;
        QString title;
    };
    const Case cases[] = {
        // 200 = 00 00 00 C8: not syncsafe at all.
        {"plain size, invalid as syncsafe",
         Tag(plain4("TIT2", title200) + Frame("TPE1", artist, 4), 4),
         QString(199, QLatin1Char('t'))},
        // 300 = 00 00 01 2C: valid syncsafe bytes that would mean 172 and land inside the text.
        {"plain size, valid as syncsafe", Tag(plain4("TIT2", title300) + plain4("TPE1", artist), 4),
         QString(249, QLatin1Char('u'))},
        {"invalid identifier in between",
         Tag(Frame("TIT2", Raw("\0T")) + Frame("tit2", Raw("\0bad")) + Frame("TPE1", artist)),
         QStringLiteral("T")},
        {"invalid identifier in between, v2.4",
         Tag(Frame("TIT2", Raw("\0T"), 4) + Frame("T!T2", title200, 4) + Frame("TPE1", artist, 4) +
                 QByteArray(20, '\0'),
             4),
         QStringLiteral("T")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.Write(QStringLiteral("o.mp3"), c.tag + kAudio);
        ReadId3Tag(path);
        EXPECT_EQ(Id3Tag.Title, c.title);
        EXPECT_EQ(Id3Tag.Artist, QStringLiteral("Artist"));
        const QJsonObject m = MutagenRead(QStringLiteral("mp3"), path);
        if (!m.isEmpty()) {
            EXPECT_EQ(m.value(QStringLiteral("TPE1")).toString(), QStringLiteral("Artist"));
            EXPECT_TRUE(m.value(QStringLiteral("TIT2")).toString().startsWith(c.title));
        }
    }
}

// The read cap falls inside a character: the text ends at the character before it.
TEST(Id3v2Reader, TheReadCapNeverSplitsACharacter) {
    TempDir dir;
    QByteArray utf16(Raw("\1\xFF\xFE"));
    QByteArray pairs(Raw("\1\xFF\xFE"));
    for (int i = 0; i < 200; ++i) {
        utf16 += Raw("\xE9\0");
        pairs += Raw("\x3D\xD8\x00\xDE");  // U+1F600
    }
    struct Case {
        QByteArray data;
        QString expected;
    };
    const Case cases[] = {
        {QByteArray(1, '\3') + QString(200, QChar(0xE9)).toUtf8(), QString(124, QChar(0xE9))},
        {utf16, QString(123, QChar(0xE9))},
        {pairs, QString::fromUtf8("\xF0\x9F\x98\x80").repeated(61)},
    };
    for (const Case& c : cases) {
        const ID3StructV2 tag = ReadBytes(dir, Tag(Frame("TIT2", c.data)));
        EXPECT_EQ(tag.Title, c.expected);
    }
    // The comment's text starts after its description, so the cut lands elsewhere in it.
    const QByteArray comment =
        Raw("\3eng\0") + QString(200, QChar(0x65E5)).toUtf8();  // three bytes each
    EXPECT_EQ(ReadBytes(dir, Tag(Frame("COMM", comment))).Comment, QString(81, QChar(0x65E5)));
}

TEST(Id3v2Reader, HostileSizesAreReadSafely) {
    TempDir dir;
    // Frame sizes past the tag's end, a 4 GB claim, zero sizes, compressed data, truncation.
    ReadBytes(dir, Tag(Frame("TIT2", Raw("\0ok")) + Raw("TPE1\xFF\xFF\xFF\xFF\0\0\0abc")));
    EXPECT_EQ(Id3Tag.Title, QStringLiteral("ok"));
    EXPECT_EQ(Id3Tag.Artist, QStringLiteral("abc"));
    ReadBytes(dir,
              Tag(QByteArray("TIT2\0\0\0\0\0\0TPE1\0\0\0\0\0\0", 20) + Frame("TALB", Raw("\0z"))));
    EXPECT_EQ(Id3Tag.Album, QStringLiteral("z"));
    ReadBytes(dir, Tag(Frame("TIT2", QByteArray("\0\0\0\5xxxxx", 9), 3, char(0x80))));
    EXPECT_EQ(Id3Tag.Title, QString());
    ReadBytes(dir,
              Tag(Frame("COMM", QByteArray("\1en", 3)) + Frame("TIT2", QByteArray("\1\xFF", 2))));
    EXPECT_EQ(Id3Tag, ID3StructV2());
    QByteArray huge = Tag(Frame("TIT2", Raw("\0x")));
    huge.replace(6, 4, QByteArray("\x7F\x7F\x7F\x7F", 4));
    EXPECT_EQ(ReadBytes(dir, huge), ID3StructV2());
}

TEST(Id3v2Reader, NeverChangesPermissions) {
    TempDir dir;
    const QString path = dir.Write(QStringLiteral("r.mp3"), Tag(Frame("TIT2", Raw("\0r"))));
    QFile::setPermissions(path, QFile::ReadOwner);
    ReadId3Tag(path);
    EXPECT_EQ(Id3Tag.Title, QStringLiteral("r"));
    EXPECT_EQ(ModeOf(path), QFile::ReadOwner);
}

}  // namespace
