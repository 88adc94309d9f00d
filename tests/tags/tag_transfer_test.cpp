#include <gtest/gtest.h>

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>

#include <sys/stat.h>

#include "support/cli_run.h"
#include "support/temp_dir.h"
#include "tag_test_support.h"
#include "tags/id3v2_tag.h"
#include "tags/ogg_tag.h"
#include "tags/tag_error.h"
#include "tags/tag_transfer.h"
#include "tags/wma_tag.h"

namespace {

AudioFileinfo Row() {
    AudioFileinfo row;
    row.Title = QStringLiteral("Tïtle");
    row.Artist = QStringLiteral("Ärtist");
    row.Album = QStringLiteral("Album");
    row.Year = QStringLiteral("1999");
    row.Genre = QStringLiteral("Rock");
    row.Comment = QStringLiteral("Cömment");
    row.DurationMs = 1234;
    return row;
}

// The tag kind the format table gives each of these outputs.
TagKind KindOf(const QString& path) {
    const QString lower = path.toLower();
    return lower.endsWith(QStringLiteral(".mp3"))   ? TagKind::Id3v2
           : lower.endsWith(QStringLiteral(".ogg")) ? TagKind::VorbisComments
           : lower.endsWith(QStringLiteral(".wma")) ? TagKind::WmaAttributes
                                                    : TagKind::None;
}

// One output per format; the extension's case must not matter.
class TransferTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override { InitWmaAudioInfo(); }
    QString MakeOutput(const QString& name) {
        const QString lower = name.toLower();
        if (lower.endsWith(QStringLiteral(".ogg"))) {
            const QString path = dir_.File(name);
            WriteOggFixture(path, {QStringLiteral("ENCODER=test"), QStringLiteral("COMMENT=x")});
            return path;
        }
        if (lower.endsWith(QStringLiteral(".wma"))) {
            const QString path = dir_.CopyFixture(QStringLiteral("sine_1s.wma"));
            QFile::rename(path, dir_.File(name));
            return dir_.File(name);
        }
        return dir_.Write(name, QByteArray(2000, '\x33'));
    }
    TempDir dir_;
};

TEST_P(TransferTest, WritesTheSixFieldsAndNothingElse) {
    const QString path = MakeOutput(QString::fromLatin1(GetParam()));
    const QString lower = path.toLower();
    TransferTags(path, KindOf(path), Row());
    if (lower.endsWith(QStringLiteral(".mp3"))) {
        ReadId3Tag(path);
        EXPECT_EQ(Id3Tag, (ID3StructV2{QStringLiteral("Tïtle"), QStringLiteral("Ärtist"),
                                       QStringLiteral("Album"), QStringLiteral("1999"), QString(),
                                       QStringLiteral("Cömment"), QStringLiteral("Rock")}));
        EXPECT_EQ(ReadAll(path).mid(ReadAll(path).size() - 2000), QByteArray(2000, '\x33'));
    } else if (lower.endsWith(QStringLiteral(".ogg"))) {
        OGGTag tag;
        ReadOggTag(path, tag);
        EXPECT_EQ(tag, (OGGTag{QStringLiteral("Album"), QStringLiteral("Tïtle"),
                               QStringLiteral("Ärtist"), QStringLiteral("Cömment"),
                               QStringLiteral("Rock"), QStringLiteral("1999"), QString()}));
        const QJsonObject m = MutagenRead(QStringLiteral("ogg"), path);
        if (!m.isEmpty()) {
            // The six fields, and the ENCODER comment the writer does not handle kept.
            EXPECT_EQ(m.value(QStringLiteral("comments")).toArray().size(), 7);
        }
    } else {
        WmaTagInfo tag;
        ReadWmaTag(path, tag);
        EXPECT_EQ(tag.Title, QStringLiteral("Tïtle"));
        EXPECT_EQ(tag.Author, QStringLiteral("Ärtist"));
        EXPECT_EQ(tag.Album, QStringLiteral("Album"));
        EXPECT_EQ(tag.Year, QStringLiteral("1999"));
        EXPECT_EQ(tag.Genre, QStringLiteral("Rock"));
        EXPECT_EQ(tag.Description, QStringLiteral("Cömment"));
        EXPECT_EQ(tag.Track, 0);
    }
}

TEST_P(TransferTest, AnUntaggedRowLeavesEmptyTags) {
    const QString path = MakeOutput(QString::fromLatin1(GetParam()));
    TransferTags(path, KindOf(path), AudioFileinfo());
    const QString lower = path.toLower();
    if (lower.endsWith(QStringLiteral(".mp3"))) {
        EXPECT_EQ(ReadAll(path).size(), 101 + 2000);
    } else if (lower.endsWith(QStringLiteral(".ogg"))) {
        OGGTag tag;
        ReadOggTag(path, tag);
        EXPECT_EQ(tag, OGGTag());
    } else {
        WmaTagInfo tag;
        ReadWmaTag(path, tag);
        EXPECT_EQ(tag.Found, -1);
        EXPECT_EQ(tag.Title, QString());
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, TransferTest,
                         ::testing::Values("out.mp3", "OUT.MP3", "out.ogg", "out.Ogg", "out.wma",
                                           "out.WMA"));

TEST(Transfer, OutputsWithoutTagsAreLeftUntouched) {
    TempDir dir;
    for (const char* name : {"out.wav", "out", "out.mp3.bak", "mp3"}) {
        const QString path = dir.Write(QString::fromLatin1(name), QByteArray("RIFF data"));
        TransferTags(path, TagKind::None, Row());
        EXPECT_EQ(ReadAll(path), QByteArray("RIFF data")) << name;
    }
}

// quorvel-cli tags: read and write through the program's readers and writers.
class CliTags : public ::testing::Test {
  protected:
    int Run(const QStringList& args, QString* out = nullptr, QString* err = nullptr) {
        const CliResult r = RunCli(QStringList{QStringLiteral("tags")} + args);
        if (out)
            *out = r.out;
        if (err)
            *err = r.err;
        return r.status;
    }
    TempDir dir_;
};

TEST_F(CliTags, WritesAndReadsEveryFormat) {
    const QString mp3 = dir_.Write(QStringLiteral("a.mp3"), QByteArray(500, 'a'));
    const QString ogg = dir_.File(QStringLiteral("a.ogg"));
    WriteOggFixture(ogg, {});
    const QString wma = dir_.CopyFixture(QStringLiteral("sine_1s.wma"));
    for (const QString& file : {mp3, ogg, wma}) {
        SCOPED_TRACE(file.toStdString());
        QString out;
        ASSERT_EQ(Run({file, QStringLiteral("--set"), QStringLiteral("Title=Ünï 日本"),
                       QStringLiteral("artist=Me"), QStringLiteral("Track=3"),
                       QStringLiteral("Comment=c")},
                      &out),
                  0);
        EXPECT_EQ(out, QStringLiteral("Title=Ünï 日本\nArtist=Me\nAlbum=\nYear=\nTrack=3\n"
                                      "Comment=c\nGenre=\n"));
        ASSERT_EQ(Run({file}, &out), 0);
        EXPECT_TRUE(out.startsWith(QStringLiteral("Title=Ünï 日本\n")));
    }
    const QJsonObject m = MutagenRead(QStringLiteral("mp3"), mp3);
    if (!m.isEmpty()) {
        EXPECT_EQ(m.value(QStringLiteral("TIT2")).toString(), QStringLiteral("Ünï 日本"));
        EXPECT_EQ(MutagenRead(QStringLiteral("wma"), wma)
                      .value(QStringLiteral("Title"))
                      .toArray()
                      .at(0)
                      .toString(),
                  QStringLiteral("Ünï 日本"));
        EXPECT_EQ(MutagenRead(QStringLiteral("ogg"), ogg)
                      .value(QStringLiteral("comments"))
                      .toArray()
                      .at(0)
                      .toArray()
                      .at(1)
                      .toString(),
                  QStringLiteral("Ünï 日本"));
    }
}

// A FIFO given a tag file's name must neither block a reader nor be replaced by a writer.
TEST(TagReaders, AFifoIsRefusedWithoutBlocking) {
    TempDir dir;
    InitWmaAudioInfo();
    for (const char* name : {"f.mp3", "f.ogg", "f.wma"}) {
        SCOPED_TRACE(name);
        const QString path = dir.File(QString::fromLatin1(name));
        ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        const QString format = path.right(3);
        if (format == QStringLiteral("mp3")) {
            ReadId3Tag(path);
            EXPECT_EQ(Id3Tag, ID3StructV2());
            EXPECT_THROW(WriteId3Tag(path, ID3StructV2()), TagError);
        } else if (format == QStringLiteral("ogg")) {
            OGGTag tag;
            EXPECT_THROW(ReadOggTag(path, tag), TagError);
            EXPECT_THROW(WriteOggTag(path, tag), TagError);
        } else {
            WmaTagInfo tag;
            ReadWmaTag(path, tag);
            EXPECT_EQ(tag.Found, 0);
            EXPECT_FALSE(WriteWmaTag(path, tag));
        }
        EXPECT_FALSE(QFileInfo(path).isFile());  // still the FIFO
    }
}

// --set repeats, changes only the fields it names, and takes the track texts the formats hold.
TEST_F(CliTags, RepeatedSetChangesOnlyTheNamedFields) {
    const QString mp3 = dir_.Write(QStringLiteral("b.mp3"), QByteArray(500, 'a'));
    const QString ogg = dir_.File(QStringLiteral("b.ogg"));
    WriteOggFixture(ogg, {});
    const QString wma = dir_.CopyFixture(QStringLiteral("sine_1s.wma"));
    const QString set = QStringLiteral("--set");
    for (const QString& file : {mp3, ogg, wma}) {
        SCOPED_TRACE(file.toStdString());
        ASSERT_EQ(Run({file, set, QStringLiteral("Title=a"), set, QStringLiteral("Artist=b"),
                       QStringLiteral("Track=3/12")}),
                  0);
        QString out;
        ASSERT_EQ(Run({file, set, QStringLiteral("Album=c")}, &out), 0);
        const QString track = file == wma ? QStringLiteral("3") : QStringLiteral("3/12");
        EXPECT_EQ(out, QStringLiteral("Title=a\nArtist=b\nAlbum=c\nYear=\nTrack=%1\nComment=\n"
                                      "Genre=\n")
                           .arg(track));
    }
    EXPECT_EQ(Run({mp3, set}), 2);
    EXPECT_EQ(Run({mp3, set, QStringLiteral("Title=x"), set}), 2);
    EXPECT_EQ(Run({mp3, set, QStringLiteral("Track=3/")}), 2);
    EXPECT_EQ(Run({mp3, set, QStringLiteral("Track=70000")}), 2);
}

TEST_F(CliTags, ReportsUsageErrorsAndFailures) {
    const QString wav = dir_.Write(QStringLiteral("a.wav"), QByteArray("RIFF"));
    const QString mp3 = dir_.Write(QStringLiteral("a.mp3"), QByteArray("x"));
    QString err;
    EXPECT_EQ(Run({wav}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral(".wav")));
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({mp3, QStringLiteral("--set"), QStringLiteral("Mood=x")}), 2);
    EXPECT_EQ(Run({mp3, QStringLiteral("--set"), QStringLiteral("Track=x")}), 2);
    EXPECT_EQ(Run({dir_.File(QStringLiteral("none.mp3"))}), 1);
    EXPECT_EQ(Run({dir_.Write(QStringLiteral("bad.ogg"), "junk")}, nullptr, &err), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("Cannot open ")));
    EXPECT_EQ(ReadAll(mp3), QByteArray("x"));
}

}  // namespace
