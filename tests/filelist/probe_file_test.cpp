#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include "fakes/fake_audio.h"
#include "filelist/folder_scan.h"
#include "filelist/probe_file.h"
#include "filelist/row_texts.h"
#include "list_fixtures.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"
#include "tags/wma_tag.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class ProbeFileTest : public ::testing::Test {
  protected:
    ProbeResult Probe(const QString& path) { return ProbeFile(*reader, path, S(".")); }
    std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
    TempDir dir;
};

TEST_F(ProbeFileTest, AcceptedFilesGiveTheRowTextsAndTheRecord) {
    const QString tagged = dir.File(S("tagged.MP3"));  // the extension counts lower-cased
    WriteMp3Fixture(tagged, 1500, S("  Live: Part 1/2  "));
    const QString untagged = dir.File(S("plain.mp3"));
    WriteMp3Fixture(untagged, 1000);
    const QString mono = dir.File(S("mono.wav"));
    WriteWavFixture(mono, 22050, 1, 2500);

    const ProbeResult t = Probe(tagged);
    ASSERT_TRUE(t.Accepted);
    EXPECT_EQ(t.Row.Caption, S("Live Part 12"));
    EXPECT_EQ(t.Row.Frequency, S("44100 Hz"));
    EXPECT_EQ(t.Row.Channels, S(" Stereo "));
    EXPECT_EQ(t.Row.Time, S("00:00:01"));
    EXPECT_EQ(t.Row.Size, SizeText(QFileInfo(tagged).size(), S(".")));
    EXPECT_EQ(t.Row.Status, S("Unconvert"));
    EXPECT_EQ(t.Row.Path, tagged);
    EXPECT_EQ(t.Record.Title, S("Live Part 12"));
    EXPECT_EQ(t.Record.Artist, S("Artist of Live: Part 1/2"));
    EXPECT_EQ(t.Record.Album, S("Album of Live: Part 1/2"));
    EXPECT_EQ(t.Record.Comment, S("Comment of Live: Part 1/2"));
    EXPECT_EQ(t.Record.Genre, S("Genre of Live: Part 1/2"));
    EXPECT_EQ(t.Record.Year, S("1999"));
    EXPECT_NEAR(t.Record.DurationMs, 1500, 30);

    const ProbeResult u = Probe(untagged);
    ASSERT_TRUE(u.Accepted);
    EXPECT_EQ(u.Row.Caption, S("plain.mp3"));
    AudioFileinfo onlyDuration;
    onlyDuration.DurationMs = u.Record.DurationMs;
    EXPECT_EQ(u.Record, onlyDuration);

    const ProbeResult m = Probe(mono);
    ASSERT_TRUE(m.Accepted);
    EXPECT_EQ(m.Row.Caption, S("mono.wav"));
    EXPECT_EQ(m.Row.Frequency, S("22050 Hz"));
    EXPECT_EQ(m.Row.Channels, S(" Mono "));
    EXPECT_EQ(m.Row.Time, S("00:00:02"));
    EXPECT_FALSE(reader->IsOpen());

    // soxi as the independent judge of the WAV's length: samples per channel and rate.
    QProcess soxi;
    soxi.start(S("soxi"), {S("-s"), mono});
    ASSERT_TRUE(soxi.waitForFinished(30000));
    const long long frames = QString::fromUtf8(soxi.readAllStandardOutput()).trimmed().toLongLong();
    EXPECT_EQ(frames * 1000 / 22050, m.Record.DurationMs);
}

TEST_F(ProbeFileTest, FilesTheReaderCannotDecodeAreRejectedWithTheirName) {
    const QString text = dir.Write(S("notes.mp3"), "This is a letter, not a song.\n");
    const QString empty = dir.Write(S("empty.wav"), QByteArray());
    const QString noise = dir.Write(S("noise.wav"), QByteArray(4096, '\x5a'));
    for (const QString& path : {text, empty, noise}) {
        const ProbeResult r = Probe(path);
        EXPECT_FALSE(r.Accepted) << path.toStdString();
        EXPECT_EQ(r.Rejection, QFileInfo(path).fileName() + S(" this File is not supported."));
        EXPECT_FALSE(reader->IsOpen());
    }
    // The reader still works after the rejections.
    const QString good = dir.File(S("good.wav"));
    WriteWavFixture(good, 44100, 2, 300);
    EXPECT_TRUE(Probe(good).Accepted);
}

TEST_F(ProbeFileTest, RejectionResetsTheReader) {
    for (int duration : {0, -5, 1000}) {
        CallLog log = MakeCallLog();
        FakeAudioFile fake(S("AudioFileRead"), log);
        fake.durationMs = duration;
        fake.failOpen = duration == 1000;
        const QString path = dir.Write(S("a.wav"), "x");
        EXPECT_FALSE(ProbeFile(fake, path, S(".")).Accepted);
        EXPECT_EQ(log->mid(log->size() - 3),
                  (QStringList{S("AudioFileRead.Close()"), S("AudioFileRead.SetEnabled(false)"),
                               S("AudioFileRead.SetEnabled(true)")}))
            << duration;
    }
}

TEST_F(ProbeFileTest, WmaTitleIsCleanedAndAnUnreadableOggEndsTheAdd) {
    const QString wma = dir.CopyFixture(S("sine_1s.wma"));
    WmaTagInfo tag;
    tag.Title = S("What? Now");
    tag.Author = S("Someone");
    tag.Genre = S("Jazz");
    ASSERT_TRUE(WriteWmaTag(wma, tag));
    const ProbeResult w = Probe(wma);  // our reader does not decode WMA: the tag still counts
    EXPECT_EQ(w.Row.Caption, S("What Now"));
    EXPECT_EQ(w.Record.Title, S("What Now"));
    EXPECT_EQ(w.Record.Artist, S("Someone"));
    EXPECT_EQ(w.Record.Genre, S("Jazz"));

    const QString ogg = dir.Write(S("broken.ogg"), "not an ogg stream");
    try {
        Probe(ogg);
        ADD_FAILURE() << "no ProbeError";
    } catch (const ProbeError& e) {
        EXPECT_TRUE(e.Message().startsWith(S("Cannot open "))) << e.Message().toStdString();
    }
}

// Formats without a reader of our own give their record through TagLib; an Ogg file that holds
// Opus rather than Vorbis is read too instead of ending the add.
TEST_F(ProbeFileTest, RecordsOfTheOtherFormatsComeFromTheirTags) {
    for (const char* name : {"a.flac", "a.opus", "a.m4a", "opus.ogg"}) {
        SCOPED_TRACE(name);
        const QString path = dir.File(S(name));
        const QString codec = S(name) == S("opus.ogg") ? S("libopus") : QString();
        QStringList args = {S("-loglevel"), S("error"),
                            S("-f"),        S("lavfi"),
                            S("-i"),        S("sine=duration=0.3"),
                            S("-metadata"), S("title=Tï: tle"),
                            S("-metadata"), S("artist=Ärtist"),
                            S("-metadata"), S("album=Alb"),
                            S("-metadata"), S("date=2020-03-12"),
                            S("-metadata"), S("comment=A comment"),
                            S("-metadata"), S("genre=Jazz")};
        if (!codec.isEmpty()) {
            args << S("-c:a") << codec;
        }
        QProcess ffmpeg;
        ffmpeg.start(S("ffmpeg"), args << path);
        if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) {
            GTEST_SKIP() << "ffmpeg cannot make " << name;
        }
        const ProbeResult r = Probe(path);  // the record is filled whether or not it decodes
        EXPECT_EQ(r.Record.Title, S("Tï tle"));
        EXPECT_EQ(r.Record.Artist, S("Ärtist"));
        EXPECT_EQ(r.Record.Album, S("Alb"));
        EXPECT_EQ(r.Record.Year, S("2020"));
        EXPECT_EQ(r.Record.Comment, S("A comment"));
        EXPECT_EQ(r.Record.Genre, S("Jazz"));
    }
}

TEST(FolderScan, AddsOnlyTheFolderOwnFilesWithAnAudioExtension) {
    TempDir dir;
    for (const char* name :
         {"x.MP3", "y.wav", "z.ogg", ".hidden.Wav", "readme", "a.mp3.txt", "b.FLAC", "c.m4a",
          "d.opus", "e.wv", "f.wma", "g.aiff", "h.mp2", "i.jpg", "flac"}) {
        dir.Write(S(name), "x");
    }
    QDir(dir.Path()).mkpath(S("sub"));
    QDir(dir.Path()).mkpath(S("folder.mp3"));
    dir.Write(S("sub/w.wav"), "x");
    QStringList found = FolderAudioFiles(dir.Path());
    found.sort();
    QStringList expected;
    for (const char* name : {".hidden.Wav", "b.FLAC", "c.m4a", "d.opus", "e.wv", "f.wma", "g.aiff",
                             "h.mp2", "x.MP3", "y.wav", "z.ogg"}) {
        expected << dir.File(S(name));
    }
    EXPECT_EQ(found, expected);
}

// Tracks come in the order their names are read, whatever order the folder holds them in: the
// files are created shuffled, numbers count as numbers, case does not count; sub-folders the same.
TEST(FolderScan, ListsFilesAndSubFoldersInNaturalNameOrder) {
    TempDir dir;
    for (const char* name : {"10 Ten.mp3", "b.wav", "2 Two.mp3", "A.wav", "1 One.mp3"}) {
        dir.Write(S(name), "x");
    }
    for (const char* sub : {"CD 10", "cd 2", "CD 1"}) {
        QDir(dir.Path()).mkpath(S(sub));
        dir.Write(S(sub) + S("/t.wav"), "x");
    }
    QStringList names;
    for (const QString& path : FolderAudioFilesBelow(dir.Path())) {
        names << QDir(dir.Path()).relativeFilePath(path);
    }
    EXPECT_EQ(names, QStringList({S("1 One.mp3"), S("2 Two.mp3"), S("10 Ten.mp3"), S("A.wav"),
                                  S("b.wav"), S("CD 1/t.wav"), S("cd 2/t.wav"), S("CD 10/t.wav")}));
}

}  // namespace
