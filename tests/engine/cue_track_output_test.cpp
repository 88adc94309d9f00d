// A cue sheet's track as an output sees it: its tags over the image's (read back by mutagen),
// its own name fields, and a source mark that tells it apart from the other tracks of its file.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include "engine/output_target.h"
#include "filelist/cue_rows.h"
#include "outside/audio/audio_factory.h"
#include "platform/source_mark.h"
#include "support/temp_dir.h"
#include "support/tool_run.h"
#include "tags/tag_transfer.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

void MakeFlac(const QString& path, int seconds) {
    ToolOutput(S("sox"), {S("-n"), S("-r"), S("44100"), S("-c"), S("2"), S("-b"), S("16"), path,
                          S("synth"), QString::number(seconds), S("sine"), S("440")});
}

constexpr char kSheet[] =
    "REM GENRE \"Jazz\"\nREM DATE 2001\nREM DISCNUMBER 2\nREM TOTALDISCS 3\n"
    "PERFORMER \"Sheet Artist\"\nTITLE \"Sheet Album\"\nSONGWRITER \"Writer\"\n"
    "FILE \"image.flac\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
    "  TRACK 02 AUDIO\n    TITLE \"Second: Take 2\"\n    PERFORMER \"Guest\"\n"
    "    ISRC GBAYE0000001\n    INDEX 01 00:02:00\n  TRACK 03 AUDIO\n    INDEX 01 00:04:00\n";

class CueTrackOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        image = dir.File(S("image.flac"));
        MakeFlac(image, 6);
        // The image's own tags: the whole album as one track, and a label the sheet lacks.
        ToolOutput(S("metaflac"),
                   {S("--set-tag=TITLE=Whole Image"), S("--set-tag=ALBUM=Image Album"),
                    S("--set-tag=TRACKNUMBER=1"), S("--set-tag=LABEL=Label X"),
                    S("--set-tag=ISRC=XXIMAGE00001"), image});
        const QString sheet = dir.Write(S("image.cue"), kSheet);
        ToolOutput(S("metaflac"), {S("--set-tag-from-file=CUESHEET=") + sheet, image});
        const std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
        const SheetRows got = CueSheetRows(*reader, sheet, S("."));
        ASSERT_TRUE(got.rejection.isEmpty()) << qPrintable(got.rejection);
        rows = got.rows;
        ASSERT_EQ(rows.size(), 3u);
    }
    TempDir dir;
    QString image;
    std::vector<ListRow> rows;
};

TEST_F(CueTrackOutputTest, TheTracksTagsStandOverTheImagesInTheOutput) {
    const ListRow& two = rows[1];
    EXPECT_EQ(two.caption, S("02 Second Take 2"));
    EXPECT_EQ(two.record.Title, S("Second Take 2"));
    EXPECT_EQ(two.record.Artist, S("Guest"));
    EXPECT_EQ(two.record.Album, S("Sheet Album"));
    EXPECT_EQ(two.record.Year, S("2001"));
    EXPECT_EQ(two.record.Genre, S("Jazz"));
    EXPECT_EQ(two.record.DurationMs, 2000);
    EXPECT_EQ(two.time, S("00:00:02"));

    // Unedited, then with the title edited in the tag editor.
    for (const bool edited : {false, true}) {
        SCOPED_TRACE(edited);
        const QString out = dir.File(edited ? S("edited.flac") : S("out.flac"));
        MakeFlac(out, 1);
        AudioFileinfo entry = two.record;
        if (edited) {
            entry.Title = S("My Title");
        }
        TagSource source{two.path, false, two.read, {}};
        source.sheetTrack = true;
        source.sheetTags = two.sheetTags;
        TransferTags(out, TagKind::VorbisComments, entry, source);
        const QString got = QString::fromUtf8(ToolOutput(
            S("/usr/bin/python3"),
            {S("-c"),
             S("import sys, mutagen\nt = mutagen.File(sys.argv[1]).tags\n"
               "for k in ['title','artist','album','albumartist','composer','date','genre',"
               "'isrc','tracknumber','tracktotal','discnumber','disctotal','label','cuesheet']:\n"
               "    print(k + '=' + '|'.join(t.get(k, [])))\n"),
             out}));
        const QString title = edited ? S("My Title") : S("Second: Take 2");
        EXPECT_EQ(got, S("title=%1\nartist=Guest\nalbum=Sheet Album\nalbumartist=Sheet Artist\n"
                         "composer=Writer\ndate=2001\ngenre=Jazz\nisrc=GBAYE0000001\n"
                         "tracknumber=2\ntracktotal=3\ndiscnumber=2\ndisctotal=3\n"
                         "label=Label X\ncuesheet=\n")
                           .arg(title));
    }
}

TEST_F(CueTrackOutputTest, TracksAreNamedFromTheSheetAndMarkedApart) {
    const OutputNaming naming{S("{albumartist}/{disc}-{track} {title}"), ExistingOutput::Skip,
                              false};
    const QString outDir = dir.File(S("out")) + QLatin1Char('/');
    const OutputTarget one = ResolveRowTarget(naming, outDir, rows[0]);
    const OutputTarget two = ResolveRowTarget(naming, outDir, rows[1]);
    const OutputTarget three = ResolveRowTarget(naming, outDir, rows[2]);
    EXPECT_EQ(one.dir, outDir + S("Sheet Artist/"));
    EXPECT_EQ(one.caption, S("2-01 First"));
    EXPECT_EQ(two.caption, S("2-02 Second Take 2"));
    // No title of its own: the whole image's title is not the track's.
    EXPECT_EQ(three.caption, S("2-03 image"));

    // Track 1's output of an earlier run is its own, and no other track's.
    const OutputNaming plain{QString(), ExistingOutput::Skip, false};
    const OutputTarget first = ResolveRowTarget(plain, outDir, rows[0]);
    const OutputTarget second = ResolveRowTarget(plain, outDir, rows[1]);
    QDir().mkpath(outDir);
    const QString made = dir.Write(S("out/01 First.flac"), "flac");
    ASSERT_TRUE(MarkOutputSource(made, OutputSourceOf(first)));
    EXPECT_NE(OutputSourceOf(first), OutputSourceOf(second));
    EXPECT_EQ(DecideExistingOutput(ExistingOutput::Skip, first, S(".flac"), {}, false).action,
              ExistingAction::Skip);
    // Under track 1's name, track 2 (were it called so) converts to a name of its own.
    OutputTarget sameName = second;
    sameName.caption = first.caption;
    EXPECT_EQ(DecideExistingOutput(ExistingOutput::Skip, sameName, S(".flac"), {}, false).action,
              ExistingAction::Convert);
}

}  // namespace
