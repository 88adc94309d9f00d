// Cue sheets as rows: the tracks' ranges against cuebreakpoints (cuetools) and shnsplit
// (shntool) on the same sheet, sample for sample; several files and repaired names; sheets in
// other encodings; sheets inside FLAC files; hostile sheets. Images are made here with sox.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <map>

#include "filelist/cue_rows.h"
#include "filelist/input_rows.h"
#include "outside/audio/audio_factory.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Runs a tool that must be there; its standard output.
QByteArray Tool(const QString& program, const QStringList& args, const QByteArray& input = {},
                const QString& in = {}) {
    QProcess p;
    if (!in.isEmpty()) {
        p.setWorkingDirectory(in);
    }
    p.start(program, args);
    if (!input.isEmpty()) {
        p.write(input);
    }
    p.closeWriteChannel();
    const bool done = p.waitForFinished(120000);
    EXPECT_TRUE(done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        << qPrintable(program) << ' ' << qPrintable(args.join(u' ')) << ": "
        << p.readAllStandardError().constData();
    return p.readAllStandardOutput();
}

// A 44.1 kHz stereo 16-bit image of `seconds`, in the format the name's extension says.
void MakeImage(const QString& path, int seconds) {
    Tool(S("sox"), {S("-n"), S("-r"), S("44100"), S("-c"), S("2"), S("-b"), S("16"), path,
                    S("synth"), QString::number(seconds), S("sine"), S("300-900")});
}

std::int64_t SoxSamples(const QString& path) {
    return Tool(S("soxi"), {S("-s"), path}).trimmed().toLongLong();
}

// cuebreakpoints' m:ss.ff as samples at 44.1 kHz (588 a CD frame).
std::vector<std::int64_t> Breakpoints(const QString& sheet) {
    std::vector<std::int64_t> out;
    const QString text = QString::fromUtf8(Tool(S("cuebreakpoints"), {sheet}));
    static const QRegularExpression kTime(S("^(\\d+):(\\d\\d)\\.(\\d\\d)$"));
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = kTime.match(line.trimmed());
        EXPECT_TRUE(m.hasMatch()) << qPrintable(line);
        out.push_back(((m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong()) * 75 +
                       m.captured(3).toLongLong()) *
                      588);
    }
    return out;
}

// shnsplit's pieces of the image by the sheet: track number -> samples.
std::map<int, std::int64_t> ShnsplitPieces(const QString& sheet, const QString& image,
                                           const QString& folder) {
    QDir().mkpath(folder);
    Tool(S("shnsplit"), {S("-q"), S("-f"), sheet, S("-o"), S("wav"), S("-d"), folder, image});
    std::map<int, std::int64_t> pieces;
    for (const QString& name : QDir(folder).entryList({S("split-track*.wav")}, QDir::Files)) {
        pieces[name.mid(11, 2).toInt()] = SoxSamples(QDir(folder).filePath(name));
    }
    return pieces;
}

class CueSheetTest : public ::testing::Test {
  protected:
    SheetRows Rows(const QString& sheet) { return CueSheetRows(*reader, sheet, S(".")); }
    std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
    TempDir dir;
};

TEST_F(CueSheetTest, TracksSplitWhereCuebreakpointsAndShnsplitSplit) {
    const QString image = dir.File(S("album.wav"));
    MakeImage(image, 20);
    const std::int64_t total = SoxSamples(image);
    struct Case {
        const char* name;
        const char* sheet;
        QStringList captions;
    };
    const Case cases[] = {
        {"pregaps and a hidden track of 3 s",
         "\xEF\xBB\xBFPERFORMER \"Band\"\r\nTITLE \"Album\"\r\nFILE \"album.wav\" WAVE\r\n"
         "  TRACK 01 AUDIO\r\n    TITLE \"One\"\r\n    INDEX 01 00:03:00\r\n"
         "  TRACK 02 AUDIO\r\n    TITLE \"Two\"\r\n    INDEX 00 00:05:00\r\n"
         "    INDEX 01 00:06:10\r\n"
         "  TRACK 03 AUDIO\r\n    TITLE \"Three\"\r\n    PREGAP 00:02:00\r\n"
         "    INDEX 01 00:08:74\r\n"
         "  TRACK 04 AUDIO\r\n    INDEX 00 00:13:00\r\n    INDEX 01 00:14:37\r\n",
         {S("00 (hidden track)"), S("01 One"), S("02 Two"), S("03 Three"), S("04 album")}},
        {"a lead of 1 s is no track",
         "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Just a Title\"\n"
         "    INDEX 01 00:01:00\n  TRACK 02 AUDIO\n    INDEX 01 00:10:50\n",
         {S("01 Just a Title"), S("02 album")}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString sheet = dir.Write(S("album%1.cue").arg(++n), c.sheet);
        const SheetRows got = Rows(sheet);
        ASSERT_TRUE(got.rejection.isEmpty()) << qPrintable(got.rejection);
        QStringList captions;
        for (const ListRow& row : got.rows) {
            captions << row.caption;
            EXPECT_EQ(row.path, image);
            EXPECT_EQ(row.sheet, sheet);
        }
        EXPECT_EQ(captions, c.captions);
        // One track after the other, the last to the end of the image.
        for (std::size_t i = 0; i + 1 < got.rows.size(); ++i) {
            EXPECT_EQ(got.rows[i].range.end, got.rows[i + 1].range.start);
        }
        EXPECT_LT(got.rows.back().range.end, 0);

        // cuebreakpoints gives where tracks 2.. start (pregaps appended to the track before).
        std::vector<std::int64_t> starts;
        for (const ListRow& row : got.rows) {
            if (!row.caption.startsWith(S("00 ")) && !row.caption.startsWith(S("01 "))) {
                starts.push_back(row.range.start);
            }
        }
        EXPECT_EQ(starts, Breakpoints(sheet));

        // shnsplit cuts a piece per track (and "00" for the audio before track 1).
        const std::map<int, std::int64_t> pieces =
            ShnsplitPieces(sheet, image, dir.File(S("split%1").arg(n)));
        for (const ListRow& row : got.rows) {
            const int number = row.caption.left(2).toInt();
            ASSERT_TRUE(pieces.count(number)) << qPrintable(row.caption);
            const std::int64_t end = row.range.end < 0 ? total : row.range.end;
            EXPECT_EQ(end - row.range.start, pieces.at(number)) << qPrintable(row.caption);
        }
        // A lead of 2 s or less stays out of the list, as the sheet gives it to no track.
        if (!got.rows.front().caption.startsWith(S("00 ")) && pieces.count(0)) {
            EXPECT_LE(pieces.at(0), 2 * 44100);
        }
    }
}

TEST_F(CueSheetTest, SeveralFilesRepairedNamesSheetsInsideAndFolders) {
    MakeImage(dir.File(S("01.flac")), 6);
    MakeImage(dir.File(S("track02.flac")), 8);
    // The sheet was written for WAV files, one in another case; the pregap of track 02 lies at
    // the end of the first file, so it stays with track 01.
    const QString sheet =
        dir.Write(S("disc.cue"),
                  "TITLE \"Disc\"\nFILE \"C:\\Rips\\01.wav\" WAVE\n  TRACK 01 AUDIO\n"
                  "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 00:04:00\n"
                  "FILE \"TRACK02.FLAC\" WAVE\n    INDEX 01 00:00:00\n"
                  "  TRACK 03 AUDIO\n    INDEX 01 00:02:00\n");
    const SheetRows got = Rows(sheet);
    ASSERT_TRUE(got.rejection.isEmpty()) << qPrintable(got.rejection);
    ASSERT_EQ(got.rows.size(), 3u);
    const struct {
        const char* file;
        SampleRange range;
        const char* time;
    } expected[] = {{"01.flac", {0, -1}, "00:00:06"},
                    {"track02.flac", {0, 2 * 44100}, "00:00:02"},
                    {"track02.flac", {2 * 44100, -1}, "00:00:06"}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(got.rows[i].path, dir.File(S(expected[i].file)));
        EXPECT_EQ(got.rows[i].range, expected[i].range);
        EXPECT_EQ(got.rows[i].time, S(expected[i].time));
    }
    EXPECT_EQ(got.rows[0].sheetNote,
              S("sheet in UTF-8; FILE 01.wav read as 01.flac; FILE TRACK02.FLAC read as "
                "track02.flac"));
    EXPECT_EQ(got.rows[1].sheetTags.First(TagFieldId::Track), S("2/3"));

    // The same sheet inside a FLAC image: as a CUESHEET block (metaflac) and as a comment.
    const QString image = dir.File(S("inside/image.flac"));
    QDir().mkpath(dir.File(S("inside")));
    MakeImage(image, 20);
    const QByteArray text =
        "FILE \"image.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"First\"\n    INDEX 01 00:00:00\n"
        "  TRACK 02 AUDIO\n    TITLE \"Second\"\n    INDEX 00 00:07:00\n    INDEX 01 00:08:15\n"
        "  TRACK 03 AUDIO\n    INDEX 01 00:15:00\n";
    const QString outside = dir.Write(S("image.cue"), text);
    Tool(S("metaflac"), {S("--import-cuesheet-from=") + outside, image});
    const std::vector<SampleRange> ranges{
        {0, 8 * 44100 + 15 * 588}, {8 * 44100 + 15 * 588, 15 * 44100}, {15 * 44100, -1}};
    const auto rangesOf = [](const PathRows& r) {
        std::vector<SampleRange> out;
        for (const ListRow& row : r.rows) {
            out.push_back(row.range);
        }
        return out;
    };
    const PathRows block = RowsOfPath(*reader, image, S("."), true);
    ASSERT_TRUE(block.rejection.isEmpty()) << qPrintable(block.rejection);
    EXPECT_EQ(rangesOf(block), ranges);
    EXPECT_EQ(block.rows[0].caption, S("01 image"));  // the block has no titles
    EXPECT_EQ(RowsOfPath(*reader, image, S("."), false).rows.size(), 1u);

    Tool(S("metaflac"), {S("--remove"), S("--block-type=CUESHEET"), image});
    Tool(S("metaflac"), {S("--set-tag-from-file=CUESHEET=") + outside, image});
    const PathRows comment = RowsOfPath(*reader, image, S("."), true);
    ASSERT_TRUE(comment.rejection.isEmpty()) << qPrintable(comment.rejection);
    EXPECT_EQ(rangesOf(comment), ranges);
    EXPECT_EQ(comment.rows[1].caption, S("02 Second"));
    EXPECT_EQ(comment.rows[1].sheet, image);
    // A broken sheet inside keeps the file in the list, whole, and says why.
    const QString broken = dir.Write(S("broken.cue"), "FILE \"x.wav\" WAVE\n  TRACK 01 AUDIO\n");
    Tool(S("metaflac"),
         {S("--remove-tag=CUESHEET"), S("--set-tag-from-file=CUESHEET=") + broken, image});
    const PathRows whole = RowsOfPath(*reader, image, S("."), true);
    ASSERT_EQ(whole.rows.size(), 1u);
    EXPECT_TRUE(whole.rows[0].range.Whole());
    EXPECT_EQ(whole.warning, S("The cue sheet inside %1 cannot be used: line 2: TRACK 01 has no "
                               "INDEX 01")
                                 .arg(image));

    // Add Folder: a sheet's tracks instead of its image; without splitting, the image.
    const QString folder = dir.File(S("folder"));
    QDir().mkpath(folder);
    MakeImage(folder + S("/album.flac"), 3);
    MakeImage(folder + S("/bonus.wav"), 1);
    QFile::copy(outside, folder + S("/album.cue"));  // names image.wav: no such file
    EXPECT_EQ(FolderInputNames(folder, true),
              (QStringList{S("album.cue"), S("album.flac"), S("bonus.wav")}));
    dir.Write(S("folder/album.cue"),
              "FILE \"album.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n");
    EXPECT_EQ(FolderInputNames(folder, true), (QStringList{S("album.cue"), S("bonus.wav")}));
    EXPECT_EQ(FolderInputNames(folder, false), (QStringList{S("album.flac"), S("bonus.wav")}));
    // An image the sheet names in a sub-folder is left out of a walk through them too.
    QDir().mkpath(folder + S("/CD1"));
    MakeImage(folder + S("/CD1/disc.flac"), 1);
    dir.Write(S("folder/disc.cue"),
              "FILE \"CD1/disc.flac\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n");
    EXPECT_EQ(
        FolderInputs(folder, true, true),
        (QStringList{folder + S("/album.cue"), folder + S("/bonus.wav"), folder + S("/disc.cue")}));
    EXPECT_EQ(FolderInputs(folder, false, true).size(), 3);  // album.flac, bonus.wav, disc.flac
    const PathRows unsplit = RowsOfPath(*reader, folder + S("/album.cue"), S("."), false);
    ASSERT_EQ(unsplit.rows.size(), 1u);
    EXPECT_TRUE(unsplit.rows[0].range.Whole());
    EXPECT_FALSE(unsplit.rows[0].IsSheetTrack());
}

TEST_F(CueSheetTest, SheetsInEveryEncodingRipperswriteAreRead) {
    MakeImage(dir.File(S("album.wav")), 12);
    const QString text =
        S("REM GENRE Rock\nREM DATE 1988\nPERFORMER \"Кино\"\nTITLE \"Группа крови\"\n"
          "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n    TITLE \"Группа крови\"\n"
          "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    TITLE \"Закрой за мной дверь, я ухожу\"\n"
          "    INDEX 01 00:05:00\n  TRACK 03 AUDIO\n    TITLE \"Война\"\n    INDEX 01 00:09:00\n");
    const QString japanese =
        S("PERFORMER \"坂本龍一\"\nTITLE \"戦場のメリークリスマス\"\nFILE \"album.wav\" WAVE\n"
          "  TRACK 01 AUDIO\n    TITLE \"戦場のメリークリスマス\"\n    INDEX 01 00:00:00\n"
          "  TRACK 02 AUDIO\n    TITLE \"東風\"\n    INDEX 01 00:05:00\n"
          "  TRACK 03 AUDIO\n    TITLE \"千のナイフ\"\n    INDEX 01 00:09:00\n");
    const auto iconv = [](const QString& t, const char* to) {
        return Tool(S("iconv"), {S("-f"), S("UTF-8"), S("-t"), S(to)}, t.toUtf8());
    };
    const struct {
        const char* name;
        QByteArray bytes;
        const char* encoding;
        QString second;
    } cases[] = {
        {"UTF-8", text.toUtf8(), "UTF-8", S("Закрой за мной дверь, я ухожу")},
        {"UTF-8 with its mark", "\xEF\xBB\xBF" + text.toUtf8(), "UTF-8",
         S("Закрой за мной дверь, я ухожу")},
        {"UTF-16LE", "\xFF\xFE" + iconv(text, "UTF-16LE"), "UTF-16LE",
         S("Закрой за мной дверь, я ухожу")},
        {"UTF-16BE", "\xFE\xFF" + iconv(text, "UTF-16BE"), "UTF-16BE",
         S("Закрой за мной дверь, я ухожу")},
        {"Windows-1251", iconv(text, "WINDOWS-1251"), "WINDOWS-1251",
         S("Закрой за мной дверь, я ухожу")},
        {"Shift-JIS", iconv(japanese, "SHIFT_JIS"), "SHIFT_JIS", S("東風")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SheetRows got = Rows(dir.Write(S("album.cue"), c.bytes));
        ASSERT_TRUE(got.rejection.isEmpty()) << qPrintable(got.rejection);
        ASSERT_EQ(got.rows.size(), 3u);
        EXPECT_EQ(got.rows[1].record.Title, c.second);
        EXPECT_EQ(got.rows[1].caption, S("02 ") + c.second);
        EXPECT_EQ(got.rows[1].sheetNote, S("sheet in %1").arg(S(c.encoding)));
    }
}

TEST_F(CueSheetTest, HostileSheetsAreRefusedNamingTheSheetAndTheLine) {
    MakeImage(dir.File(S("album.wav")), 10);
    const QByteArray head = "FILE \"album.wav\" WAVE\n  TRACK 01 AUDIO\n";
    QByteArray junk(4096, '\0');
    for (int i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 7919 + 13) % 256);
    }
    const QByteArray controls = QByteArray("FILE \"album.wav\" WAVE\n") + QByteArray(64, '\x01');
    const struct {
        const char* name;
        QByteArray bytes;
        const char* cause;
    } cases[] = {
        {"no INDEX 01", head + "    INDEX 00 00:00:00\n", "line 2: TRACK 01 has no INDEX 01"},
        {"indexes out of order",
         head + "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:05:00\n"
                "  TRACK 03 AUDIO\n    INDEX 01 00:03:00\n",
         "line 7: INDEX 01 at 00:03:00 lies before the index above it"},
        {"beyond the end",
         head + "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 05:00:00\n",
         "line 5: TRACK 02 starts at 05:00:00, beyond the end of album.wav (00:00:10)"},
        {"a frame count of 75", head + "    INDEX 01 00:00:75\n",
         "line 3: INDEX needs a number and a time mm:ss:ff"},
        {"no audio named", "TITLE \"Nothing\"\n", "the sheet names no audio file"},
        {"a missing file", "FILE \"gone.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n",
         "line 1: the file gone.wav is not in the sheet's folder"},
        {"binary junk", junk, "this is not text"},
        {"control characters", controls, "line 2: this is not text"},
        {"a line of more than 1 MB", head + "REM COMMENT " + QByteArray(1 << 20, 'x') + "\n",
         "it is larger than 1 MB, too large for a cue sheet"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString sheet = dir.Write(S("bad.cue"), c.bytes);
        const SheetRows got = Rows(sheet);
        EXPECT_TRUE(got.rows.empty());
        EXPECT_EQ(got.rejection, S("The cue sheet %1 cannot be used: %2").arg(sheet, S(c.cause)));
    }
    // A FIFO where a sheet should be: nothing blocks.
    const QString fifo = dir.File(S("pipe.cue"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const SheetRows got = Rows(fifo);
    EXPECT_TRUE(got.rows.empty());
    EXPECT_TRUE(got.rejection.startsWith(S("The cue sheet %1 cannot be used: ").arg(fifo)))
        << qPrintable(got.rejection);
}

}  // namespace
