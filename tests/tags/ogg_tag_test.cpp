#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "support/temp_dir.h"
#include "tag_test_support.h"
#include "tags/ogg_tag.h"
#include "tags/tag_error.h"
#include "tags/tag_modules.h"

namespace {

// Points the loader at a module that does not exist for the lifetime of the object.
class MissingModule {
  public:
    explicit MissingModule(TagModule module) : module_(module) {
        SetTagModuleOverride(module_, QStringLiteral("/nonexistent/quorvel-missing-module"));
    }
    ~MissingModule() { SetTagModuleOverride(module_, QString()); }

  private:
    TagModule module_;
};

QStringList Comments(const QString& path) {
    const QJsonObject m = MutagenRead(QStringLiteral("ogg"), path);
    QStringList out;
    for (const QJsonValue& pair : m.value(QStringLiteral("comments")).toArray()) {
        out << pair.toArray().at(0).toString() + QLatin1Char('=') + pair.toArray().at(1).toString();
    }
    return out;
}

QStringList FilesIn(const TempDir& dir) {
    return QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

TEST(OggReader, MapsNamesLikeTheProgramExpects) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("a.ogg"));
    WriteOggFixture(path, {QStringLiteral("ARTIST=Foo"), QStringLiteral("artist=Bar"),
                           QStringLiteral("TITLE=a=b"), QStringLiteral("no equals sign"),
                           QStringLiteral("Gen\u00E9=x"), QStringLiteral("ALBUM=  spaced  "),
                           QStringLiteral("Date=2024"), QStringLiteral("TrackNumber=3"),
                           QStringLiteral("COMMENT=Ünïcödé ✓"), QStringLiteral("genre=Jazz")});
    OGGTag tag;
    ReadOggTag(path, tag);
    EXPECT_EQ(tag.Artist, QStringLiteral("Bar"));
    EXPECT_EQ(tag.Title, QStringLiteral("a=b"));
    EXPECT_EQ(tag.Album, QStringLiteral("spaced"));
    EXPECT_EQ(tag.Date, QStringLiteral("2024"));
    EXPECT_EQ(tag.TrackNumber, QStringLiteral("3"));
    EXPECT_EQ(tag.Comment, QStringLiteral("Ünïcödé ✓"));
    EXPECT_EQ(tag.Genre, QStringLiteral("Jazz"));
}

TEST(OggParse, CommentsWithoutAValidNameKeepTheirWholeText) {
    char a[] = "no name";
    char b[] = "T\x01tle=x";
    char c[] = "=v";
    char* texts[] = {a, b, c};
    int lengths[] = {7, 7, 2};
    vorbis_comment vc{texts, lengths, 3, nullptr};
    const TStrComments parsed = ParseVorbisComments(vc);
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_TRUE(parsed[0].Name.isEmpty());
    EXPECT_EQ(parsed[0].Text, QStringLiteral("no name"));
    EXPECT_TRUE(parsed[1].Name.isEmpty());
    EXPECT_EQ(parsed[1].Value, QStringLiteral("T\u0001tle=x"));
    EXPECT_TRUE(parsed[2].Name.isEmpty());
    EXPECT_EQ(parsed[2].Value, QStringLiteral("v"));
}

TEST(OggWriter, ReplacesTheHandledCommentsAndKeepsTheOthersTheAudioPacketsAndVendor) {
    for (const bool sharedPage : {false, true}) {
        SCOPED_TRACE(sharedPage ? "setup header shares its page with audio" : "plain layout");
        TempDir dir;
        const QString path = dir.File(QStringLiteral("song.ogg"));
        WriteOggFixture(path, {QStringLiteral("ARTIST=Old"), QStringLiteral("ENCODER=x")},
                        sharedPage);
        QString error;
        const QList<QByteArray> before = ReadOggPackets(path, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();

        OGGTag tag;
        tag.Genre = QStringLiteral("Rock");
        tag.Title = QStringLiteral("x");
        EXPECT_TRUE(WriteOggTag(path, tag));
        EXPECT_EQ(FilesIn(dir), QStringList{QStringLiteral("song.ogg")});  // song.temp is gone

        const QList<QByteArray> after = ReadOggPackets(path, &error);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after[0], before[0]);
        EXPECT_EQ(after.mid(2), before.mid(2));  // setup and every audio packet, byte for byte
        EXPECT_EQ(DecodeOggFrames(path), 22050);

        OGGTag back;
        ReadOggTag(path, back);
        EXPECT_EQ(back, tag);
        if (MutagenAvailable()) {
            EXPECT_EQ(Comments(path),
                      (QStringList{QStringLiteral("ENCODER=x"), QStringLiteral("Title=x"),
                                   QStringLiteral("Genre=Rock")}));
            EXPECT_TRUE(MutagenRead(QStringLiteral("ogg"), path)
                            .value(QStringLiteral("vendor"))
                            .toString()
                            .startsWith(QStringLiteral("Xiph.Org")));
        }
    }
}

TEST(OggWriter, EmptyRecordRemovesEveryCommentAndTextsRoundTrip) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("a.ogg"));
    WriteOggFixture(path, {QStringLiteral("TITLE=t"), QStringLiteral("ARTIST=a")});
    EXPECT_TRUE(WriteOggTag(path, OGGTag()));
    OGGTag back;
    ReadOggTag(path, back);
    EXPECT_EQ(back, OGGTag());

    OGGTag tag{QStringLiteral("Альбом"), QStringLiteral("Tïtle 日本"), QStringLiteral("Ærtist"),
               QStringLiteral("c"),      QStringLiteral("g"),          QStringLiteral("2001"),
               QStringLiteral("12")};
    // A big comment makes the header packets span several pages.
    tag.Comment = QString(70000, QLatin1Char('c'));
    EXPECT_TRUE(WriteOggTag(path, tag));
    ReadOggTag(path, back);
    EXPECT_EQ(back, tag);
    EXPECT_EQ(DecodeOggFrames(path), 22050);
    if (MutagenAvailable()) {
        const QStringList c = Comments(path);
        ASSERT_EQ(c.size(), 7);
        EXPECT_EQ(c.mid(0, 6),
                  (QStringList{QStringLiteral("Title=Tïtle 日本"), QStringLiteral("Artist=Ærtist"),
                               QStringLiteral("Album=Альбом"), QStringLiteral("TrackNumber=12"),
                               QStringLiteral("Date=2001"), QStringLiteral("Genre=g")}));
    }
}

TEST(OggWriter, NeverReplacesAnExistingTempFileAndKeepsPermissions) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("song.ogg"));
    WriteOggFixture(path, {});
    const QString temp = dir.Write(QStringLiteral("song.temp"), "the user's own file");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    OGGTag tag;
    tag.Title = QStringLiteral("t");
    EXPECT_TRUE(WriteOggTag(path, tag));
    EXPECT_EQ(ReadAll(temp), QByteArray("the user's own file"));
    EXPECT_EQ(FilesIn(dir), (QStringList{QStringLiteral("song.ogg"), QStringLiteral("song.temp")}));
    EXPECT_EQ(ModeOf(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

TEST(OggWriter, MissingLibrariesGiveTheirOutcomes) {
    TempDir dir;
    const QString path = dir.File(QStringLiteral("a.ogg"));
    WriteOggFixture(path, {QStringLiteral("TITLE=old")});
    const QByteArray original = ReadAll(path);
    OGGTag tag;
    tag.Title = QStringLiteral("new");
    {
        MissingModule missing(TagModule::Vcedit);
        OGGTag kept;
        kept.Album = QStringLiteral("untouched");
        ReadOggTag(path, kept);
        EXPECT_EQ(kept.Album, QStringLiteral("untouched"));
        EXPECT_FALSE(WriteOggTag(path, tag));
        EXPECT_EQ(ReadAll(path), original);
    }
    {
        MissingModule missing(TagModule::Vorbis);
        EXPECT_TRUE(WriteOggTag(path, tag));  // rewritten with its old comments
        OGGTag back;
        ReadOggTag(path, back);
        EXPECT_EQ(back.Title, QStringLiteral("old"));
    }
}

TEST(OggWriter, FilesThatAreNotOggVorbisRaiseCannotOpen) {
    TempDir dir;
    QString full = dir.File(QStringLiteral("full.ogg"));
    WriteOggFixture(full, {});
    const QByteArray ogg = ReadAll(full);
    const QList<QByteArray> inputs = {QByteArray(), QByteArray("not an ogg file at all"),
                                      ogg.left(200), ogg.left(ogg.indexOf("OggS", 4))};
    for (const QByteArray& bytes : inputs) {
        const QString path = dir.Write(QStringLiteral("bad.ogg"), bytes);
        OGGTag tag;
        try {
            ReadOggTag(path, tag);
            ADD_FAILURE() << "no error for " << bytes.size() << " bytes";
        } catch (const TagError& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot open ") + path +
                                               QStringLiteral(": ")));
        }
        EXPECT_THROW(WriteOggTag(path, tag), TagError);
        EXPECT_EQ(ReadAll(path), bytes);
    }
    EXPECT_EQ(FilesIn(dir), (QStringList{QStringLiteral("bad.ogg"), QStringLiteral("full.ogg")}));
    EXPECT_THROW(WriteOggTag(dir.File(QStringLiteral("missing.ogg")), OGGTag()), TagError);
}

// The pages of an Ogg file, each whole, in file order.
QList<QByteArray> OggPages(const QByteArray& bytes) {
    QList<QByteArray> pages;
    qsizetype at = 0;
    while (at + 27 <= bytes.size()) {
        const auto segments = static_cast<unsigned char>(bytes[at + 26]);
        qsizetype size = 27 + segments;
        for (int i = 0; i < segments; ++i) {
            size += static_cast<unsigned char>(bytes[at + 27 + i]);
        }
        pages << bytes.mid(at, size);
        at += size;
    }
    return pages;
}

// Two interleaved Vorbis streams: the rewrite keeps every first page ahead of all other pages,
// as the format requires, and every packet of both streams except the edited comments.
TEST(OggWriter, InterleavedStreamsStayValidForOtherTools) {
    TempDir dir;
    const QString path = dir.CopyFixture(QStringLiteral("two_vorbis_streams.ogg"));
    QString error;
    const QList<QByteArray> before[2] = {ReadOggPackets(path, &error, 0),
                                         ReadOggPackets(path, &error, 1)};
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    OGGTag tag;
    tag.Title = QStringLiteral("Zwei Ströme");
    ASSERT_TRUE(WriteOggTag(path, tag));

    const QList<QByteArray> pages = OggPages(ReadAll(path));
    ASSERT_GE(pages.size(), 4);
    EXPECT_TRUE(pages[0][5] & 0x02);
    EXPECT_TRUE(pages[1][5] & 0x02);
    for (int stream = 0; stream < 2; ++stream) {
        const QList<QByteArray> after = ReadOggPackets(path, &error, stream);
        ASSERT_TRUE(error.isEmpty()) << error.toStdString();
        ASSERT_EQ(after.size(), before[stream].size());
        EXPECT_EQ(after[0], before[stream][0]);
        EXPECT_EQ(after.mid(2), before[stream].mid(2));         // setup and audio, byte for byte
        EXPECT_EQ(after[1] == before[stream][1], stream == 1);  // only the first stream is edited
    }
    OGGTag back;
    ReadOggTag(path, back);
    EXPECT_EQ(back, tag);

    QString output;
    const int ogginfo = RunTool(QStringLiteral("ogginfo"), {path}, &output);
    if (ogginfo >= 0) {
        EXPECT_EQ(ogginfo, 0) << output.toStdString();
        EXPECT_FALSE(output.contains(QStringLiteral("violated"))) << output.toStdString();
        EXPECT_FALSE(output.contains(QStringLiteral("WARNING"))) << output.toStdString();
    }
    const int ffprobe = RunTool(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
         QStringLiteral("stream=index"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), path},
        &output);
    if (ffprobe >= 0) {
        EXPECT_EQ(ffprobe, 0) << output.toStdString();
        EXPECT_EQ(output.trimmed(), QStringLiteral("0\n1"));
    }
    if (ogginfo < 0 || ffprobe < 0) {
        GTEST_SKIP() << "ogginfo (vorbis-tools) or ffprobe (ffmpeg) is not installed";
    }
}

// Bytes outside the pages (an ID3 tag in front, a tag behind) are kept; a layout the rewrite
// could not keep valid is refused before anything is written.
TEST(OggWriter, KeepsBytesAroundThePagesAndRefusesWhatItCannotKeepValid) {
    TempDir dir;
    const QString plain = dir.File(QStringLiteral("plain.ogg"));
    WriteOggFixture(plain, {QStringLiteral("TITLE=x")});
    const QByteArray front = QByteArray("ID3\x03\0\0\0\0\0\x05", 10) + QByteArray(5, '\0');
    const QByteArray back = QByteArray("TAG") + QByteArray(125, 'b');
    const QString path = dir.Write(QStringLiteral("id3.ogg"), front + ReadAll(plain) + back);
    OGGTag tag;
    tag.Artist = QStringLiteral("a");
    ASSERT_TRUE(WriteOggTag(path, tag));
    const QByteArray written = ReadAll(path);
    EXPECT_TRUE(written.startsWith(front));
    EXPECT_TRUE(written.endsWith(back));
    OGGTag read;
    ReadOggTag(path, read);
    EXPECT_EQ(read, tag);

    // A stream that begins after another page, before the headers end: no rewrite could keep
    // every first page ahead without moving pages the file put there.
    const QList<QByteArray> pages =
        OggPages(ReadAll(dir.CopyFixture(QStringLiteral("two_vorbis_streams.ogg"))));
    QByteArray misplaced = pages[0] + pages[3] + pages[1] + pages[2];
    for (qsizetype i = 4; i < pages.size(); ++i) {
        misplaced += pages[i];
    }
    const QString bad = dir.Write(QStringLiteral("bad.ogg"), misplaced);
    EXPECT_THROW(WriteOggTag(bad, tag), TagError);
    EXPECT_EQ(ReadAll(bad), misplaced);
    EXPECT_FALSE(QFileInfo::exists(dir.File(QStringLiteral("bad.temp"))));
}

TEST(OggWriter, AStreamCutInsideTheAudioIsStillRewritten) {
    TempDir dir;
    const QString full = dir.File(QStringLiteral("full.ogg"));
    WriteOggFixture(full, {QStringLiteral("TITLE=x")});
    const QByteArray ogg = ReadAll(full);
    const QString path = dir.Write(QStringLiteral("cut.ogg"), ogg.left(ogg.size() - 700));
    OGGTag tag;
    tag.Artist = QStringLiteral("a");
    EXPECT_TRUE(WriteOggTag(path, tag));
    OGGTag back;
    ReadOggTag(path, back);
    EXPECT_EQ(back, tag);
}

}  // namespace
