#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>

#include "filelist/row_texts.h"
#include "list_fixtures.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(Cli, SettingsPrintsWhatStartUpWouldLoad) {
    TempDir dir;
    dir.Write(S("Quorvel.ini"), "[Format]\nDir=/data/out\nint=0x1\n[Fade]\nIn=2\nIntime=$A\n");
    const CliResult r = RunCli({S("settings")}, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, S("OutputDir=/data/out\nOutputFormat=1\nFadeIn=1\nFadeOut=0\nFadeInTime=10\n"
                       "FadeOutTime=5\nNormalizeVolume=98\n"));
}

TEST(Cli, DefaultFolderIsTheMusicFolderAsAnAbsolutePath) {
    TempDir dir;
    const CliResult r = RunCli({S("settings")}, dir.Path());
    EXPECT_EQ(r.status, 0);
    const QString firstLine = r.out.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(firstLine.startsWith(S("OutputDir=/"))) << firstLine.toStdString();
}

TEST(Cli, UsageErrorsExitWithTwoAndOneLine) {
    TempDir dir;
    EXPECT_EQ(RunCli({S("--help")}, dir.Path()).status, 0);
    for (const QStringList& args :
         {QStringList{}, QStringList{S("frobnicate")}, QStringList{S("settings"), S("extra")},
          QStringList{S("probe")}}) {
        const CliResult r = RunCli(args, dir.Path());
        EXPECT_EQ(r.status, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
}

// Every command answers -h and --help with its own text, wherever an option may stand, and the
// top-level help lists every command; after "--" a file may be called --help.
TEST(Cli, EveryCommandHasItsOwnHelp) {
    TempDir dir;
    const CliResult top = RunCli({S("--help")}, dir.Path());
    const struct {
        QStringList args;
        const char* command;  // whose help it must print
    } asks[] = {
        {{S("settings"), S("--help")}, "settings"},
        {{S("tags"), S("-h")}, "tags"},
        {{S("tags"), S("song.mp3"), S("--set"), S("Title=x"), S("--help")}, "tags"},
        {{S("probe"), S("a.wav"), S("--help")}, "probe"},
        {{S("configure"), S("--all"), S("-h")}, "configure"},
        {{S("convert"), S("--format"), S("flac"), S("--help"), S("--jobs")}, "convert"},
        {{S("convert"), S("--lame-options"), S("-h"), S("-h")}, "convert"},
        {{S("loudness"), S("-h")}, "loudness"},
        {{S("help"), S("convert")}, "convert"},
    };
    for (const auto& ask : asks) {
        const QString command = S(ask.command);
        EXPECT_TRUE(top.out.contains(S("\n  ") + command + S(" "))) << ask.command;
        const CliResult r = RunCli(ask.args, dir.Path());
        const std::string shown = ask.args.join(u' ').toStdString();
        EXPECT_EQ(r.status, 0) << shown << r.err.toStdString();
        EXPECT_TRUE(r.err.isEmpty()) << shown << r.err.toStdString();
        const QStringList usage = r.out.section(u'\n', 0, 0).split(u' ');
        EXPECT_EQ(usage.mid(0, 3), QStringList({S("Usage:"), S("quorvel-cli"), command})) << shown;
        EXPECT_TRUE(r.out.contains(S("-h, --help"))) << shown;
    }
    EXPECT_EQ(RunCli({S("convert"), S("-h")}, dir.Path()).out,
              RunCli({S("help"), S("convert")}, dir.Path()).out);
    EXPECT_TRUE(RunCli({S("convert"), S("--help")}, dir.Path())
                    .out.contains(S("--format mp3|wav|flac|ogg|opus|m4a")));

    // The file is named by the argument itself, so the program runs in its folder.
    dir.Write(S("--help"), "not audio");
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.Path());
    for (const char* command : {"convert", "probe", "loudness", "tags"}) {
        const CliResult r = RunCli({S(command), S("--"), S("--help")}, dir.Path());
        EXPECT_EQ(r.status, 1) << command << r.out.toStdString();
        EXPECT_FALSE(r.out.contains(S("Usage:"))) << command;
        EXPECT_TRUE(r.err.contains(S("--help"))) << command << r.err.toStdString();
    }
    QDir::setCurrent(before);
    EXPECT_EQ(RunCli({S("help"), S("frobnicate")}, dir.Path()).status, 2);
}

TEST(Cli, ProbePrintsTheRowsAndRecordsAddingWouldGive) {
    TempDir dir;
    QDir(dir.Path()).mkpath(S("folder/sub"));
    const QString wav = dir.File(S("folder/a.wav"));
    WriteWavFixture(wav, 22050, 1, 1000);
    WriteWavFixture(dir.File(S("folder/sub/deep.wav")), 22050, 1, 1000);
    dir.Write(S("folder/bad.wav"), "no audio here");
    const QString mp3 = dir.File(S("song.mp3"));
    WriteMp3Fixture(mp3, 2000, S("Song: One"));

    const CliResult r = RunCli({S("probe"), dir.File(S("folder")), mp3}, dir.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, S("quorvel-cli: bad.wav this File is not supported.\n"));
    const QStringList blocks = r.out.split(S("\n\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(blocks.size(), 2) << r.out.toStdString();
    EXPECT_EQ(blocks[0] + S("\n"),
              S("Caption=a.wav\nFrequency=22050 Hz\nChannels= Mono \nTime=00:00:01\nSize=") +
                  SizeText(QFileInfo(wav).size(), QLocale::system().decimalPoint()) +
                  S("\nStatus=Unconvert\nPath=") + wav +
                  S("\nTitle=\nArtist=\nAlbum=\nYear=\nComment=\nGenre=\nDurationMs=1000\n"));
    EXPECT_TRUE(
        blocks[1].startsWith(S("Caption=Song One\nFrequency=44100 Hz\nChannels= Stereo \n")))
        << blocks[1].toStdString();
    EXPECT_TRUE(blocks[1].contains(S("\nTitle=Song One\nArtist=Artist of Song: One\n")));

    EXPECT_EQ(RunCli({S("probe"), wav}, dir.Path()).status, 0);
}

TEST(Cli, ConfigurePrintsTheCallsOfTheStoredFormat) {
    TempDir dir;
    dir.Write(S("Quorvel.ini"),
              "[Format]\nint=1\n[wav]\nmode=2\nchannel=0\nbit=0\n"
              "[MP3Prest]\nalt=1\n[mp3]\nbitrate=40\n");
    CliResult r = RunCli({S("configure")}, dir.Path());
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, S("IsOpen()\nSetWaveFormat(44100, 1, 8)\n"));
    r = RunCli({S("configure"), S("--format"), S("0")}, dir.Path());
    EXPECT_EQ(r.out, S("SetAltPreset(1)\nSetMp3Encoder()\n"));
    dir.Write(S("Quorvel.ini"), "[mp3]\nbitrate=40\n");
    r = RunCli({S("configure")}, dir.Path());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, S("quorvel-cli: configure: [mp3] bitrate = 40 is outside 0..16; pick a value "
                       "in Settings\n"));
    EXPECT_EQ(RunCli({S("configure"), S("--format"), S("mp4")}, dir.Path()).status, 2);
}

// Every name of the format table reaches its configuration, in configure and in convert alike;
// a name the table does not offer is a usage error that lists the ones it does.
TEST(Cli, FormatNamesComeFromTheFormatTable) {
    TempDir dir;
    dir.Write(S("Quorvel.ini"), "[flac]\nlevel=8\n[opus]\nbitrate=64\nvbr=0\n");
    const struct {
        const char* name;
        const char* call;  // the call that names the format
    } formats[] = {
        {"mp3", "SetMp3Encoder()"},          {"wav", "SetWaveFormat(44100, 2, 16)"},
        {"flac", "SetEncoder(flac,8)"},      {"ogg", "SetOggFormat(44100, 2, 0, 0, 0, 500)"},
        {"opus", "SetEncoder(opus,64,cbr)"}, {"M4A", "SetEncoder(aac,192)"},
    };
    for (const auto& f : formats) {
        const CliResult r = RunCli({S("configure"), S("--format"), S(f.name)}, dir.Path());
        EXPECT_EQ(r.status, 0) << f.name << r.err.toStdString();
        EXPECT_TRUE(r.out.endsWith(S(f.call) + S("\n"))) << f.name << r.out.toStdString();
        // A missing input is a failed file, not a usage error: the name itself was taken.
        const CliResult c =
            RunCli({S("convert"), S("--format"), S(f.name), dir.File(S("none.wav"))}, dir.Path());
        EXPECT_EQ(c.status, 1) << f.name << c.err.toStdString();
    }
    const CliResult r = RunCli({S("configure"), S("--all")}, dir.Path());
    EXPECT_EQ(r.status, 0);
    QStringList headers;
    for (const QString& line : r.out.split(u'\n')) {
        if (line.startsWith(u'#')) {
            headers << line;
        }
    }
    EXPECT_EQ(headers,
              QStringList({S("# mp3 (MP3)"), S("# wav (WAV)"), S("# flac (FLAC)"),
                           S("# ogg (Ogg Vorbis)"), S("# opus (Opus)"), S("# m4a (M4A (AAC))"),
                           S("# alac (ALAC)"), S("# aiff (AIFF)"), S("# wavpack (WavPack)")}));
    EXPECT_TRUE(r.out.contains(S("# flac (FLAC)\nSetEncoder(flac,8)\n# ogg")))
        << r.out.toStdString();

    for (const char* command : {"configure", "convert"}) {
        const CliResult bad =
            RunCli({S(command), S("--format"), S("wma"), dir.File(S("a.wav"))}, dir.Path());
        EXPECT_EQ(bad.status, 2) << command;
        EXPECT_TRUE(bad.err.contains(S("unknown format 'wma' (mp3|wav|flac|ogg|opus|m4a")))
            << bad.err.toStdString();
    }
    // A stored code the selector does not offer can still be asked for by number; a code no
    // format has is an error, not an empty list of calls.
    EXPECT_EQ(RunCli({S("configure"), S("--format"), S("4")}, dir.Path()).out,
              S("SetVoxFormat(44100)\n"));
    EXPECT_EQ(RunCli({S("configure"), S("--format"), S("99")}, dir.Path()).status, 2);
    dir.Write(S("Quorvel.ini"), "[Format]\nint=99\n");
    const CliResult stored = RunCli({S("configure")}, dir.Path());
    EXPECT_EQ(stored.status, 1);
    EXPECT_EQ(stored.err, S("quorvel-cli: configure: the output format 99 is not known "
                            "(mp3|wav|flac|ogg|opus|m4a|alac|aiff|wavpack)\n"));
}

}  // namespace
