#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
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

TEST(OggWriter, ReplacesEveryCommentAndKeepsTheAudioPacketsAndVendor) {
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
                      (QStringList{QStringLiteral("Title=x"), QStringLiteral("Genre=Rock")}));
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
