#include <gtest/gtest.h>

#include <QDir>
#include <QThread>
#include <algorithm>

#include "settings/app_settings.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(AppSettings, NoFileGivesTheStartUpDefaults) {
    TempDir dir;
    const SettingsFile file(dir.File(S("q.ini")));
    const StartupSettings s = LoadStartupSettings(file);
    EXPECT_EQ(s.folderLabel, DefaultOutputDir());
    EXPECT_TRUE(QDir::isAbsolutePath(s.settings.OutputDir));
    AppSettings expected;
    expected.OutputDir = DefaultOutputDir();
    EXPECT_EQ(s.settings, expected);
}

TEST(AppSettings, ShutdownWritesTheSevenKeysInOrder) {
    TempDir dir;
    SettingsFile file(dir.File(S("q.ini")));
    AppSettings s;
    s.OutputDir = S("/out/");
    s.OutputFormat = 3;  // a hand-edited code survives unchanged
    s.FadeIn = true;
    s.FadeInTime = 6;
    s.NormalizeVolume = 80;
    SaveAppSettings(file, s);
    EXPECT_EQ(ReadAll(dir.File(S("q.ini"))),
              QByteArray("[Format]\nDir=/out/\nint=3\n[Fade]\nIn=1\nOut=0\nIntime=6\nOuttime=5\n"
                         "[Nor]\nvol=80\n"));
    EXPECT_EQ(LoadStartupSettings(file).settings, s);
}

TEST(AppSettings, SettingsDialogOrderOfSectionsIsKeptByLaterWrites) {
    TempDir dir;
    const QString path = dir.Write(S("q.ini"), "[Nor]\nvolen=1\n[mp3]\nbitrate=9\n");
    SettingsFile file(path);
    AppSettings s;
    s.OutputDir = S("");
    SaveAppSettings(file, s);
    EXPECT_EQ(ReadAll(path), QByteArray("[Nor]\nvolen=1\nvol=98\n[mp3]\nbitrate=9\n[Format]\nDir=\n"
                                        "int=0\n[Fade]\nIn=0\nOut=0\nIntime=5\nOuttime=5\n"));
}

// An empty folder would mean the root folder, and a cut one a sibling of the folder the user set.
TEST(AppSettings, TheStoredOutputFolderIsTheDefaultWhenEmptyAndNeverCut) {
    const QString longDir = S("/m/") + QString(3000, QLatin1Char('x'));
    const struct {
        QByteArray file;
        QString expected;
    } cases[] = {
        {"[Format]\nint=1\n", DefaultOutputDir()},
        {"[Format]\nDir=\n", DefaultOutputDir()},
        {"[Format]\nDir=" + longDir.toUtf8() + "\n", longDir},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const SettingsFile file(dir.Write(S("q.ini"), c.file));
        const StartupSettings s = LoadStartupSettings(file);
        EXPECT_EQ(s.folderLabel, c.expected) << c.file.left(20).toStdString();
        EXPECT_EQ(s.settings.OutputDir, c.expected);
        // Other reads keep the profile functions' cut.
        if (c.expected == longDir) {
            EXPECT_EQ(file.ReadText(S("Format"), S("Dir"), QString()), longDir.left(2047));
        }
    }
}

TEST(AppSettings, FilesAtOnceAreReadAtStartUpAndNotWrittenAtShutdown) {
    TempDir dir;
    const QString path = dir.Write(S("q.ini"), "[Batch]\njobs=3\n");
    SettingsFile file(path);
    AppSettings s = LoadStartupSettings(file).settings;
    EXPECT_EQ(s.BatchJobs, 3);
    s.BatchJobs = 5;  // only the settings dialog's Ok stores it
    SaveAppSettings(file, s);
    EXPECT_EQ(ReadBatchJobs(SettingsFile(path)), 3);

    const struct {
        int stored;
        int used;
    } cases[] = {{1, 1}, {2, 2}, {16, 16}, {17, 16}, {1000, 16}, {-1, 1}, {-2147483647 - 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(EffectiveBatchJobs(c.stored), c.used) << c.stored;
    }
    EXPECT_EQ(EffectiveBatchJobs(0), std::clamp(QThread::idealThreadCount(), 1, 16));
}

// The loudness keys: read at start-up, written back as stored, odd values read as defaults.
TEST(AppSettings, LoudnessKeysRoundTripAndOddValuesReadAsDefaults) {
    TempDir dir;
    const QString path = dir.File(S("q.ini"));
    SettingsFile file(path);
    EXPECT_EQ(LoadStartupSettings(file).settings.Loudness, LoudnessSettings());
    const LoudnessSettings chosen{true, -23, -1.5, true, true};
    WriteLoudnessSettings(file, chosen);
    EXPECT_EQ(LoadStartupSettings(SettingsFile(path)).settings.Loudness, chosen);
    EXPECT_TRUE(QString::fromUtf8(ReadAll(path)).contains(S("truepeak=-1.5")));

    const struct {
        const char* text;
        LoudnessSettings read;
    } cases[] = {
        {"mode=2\nlufs=-99\ntruepeak=3\n", {}},
        {"lufs=0\ntruepeak=abc\n", {}},
        {"truepeak=nan\nlufs=-5\n", {false, -5, -1.0, false, false}},
        {"mode=1\nlufs=-40\ntruepeak=-10\nalbum=1\n", {true, -40, -10.0, true, false}},
    };
    for (const auto& c : cases) {
        const QString odd = dir.Write(S("odd.ini"), QByteArray("[Nor]\n") + c.text);
        EXPECT_EQ(ReadLoudnessSettings(SettingsFile(odd)), c.read) << c.text;
    }
}

// A Latin-1 comment once made the whole file decode as Latin-1, and every start and close grew
// the UTF-8 folder name worse.
TEST(AppSettings, ForeignBytesSurviveStartAndCloseCyclesByteForByte) {
    TempDir dir;
    const QByteArray original(
        "\xEF\xBB\xBF; Einstellungen f\xFCr Quorvel\r\n[Format]\r\nDir=/home/j\xC3\xBCrgen/Musik"
        "\r\nint=1\n[Fade]\r\nIn = 1\r\nOut=0\r\nIntime=5\r\nOuttime=5\r\n[Nor]\r\nvol=98");
    const QString path = dir.Write(S("q.ini"), original);
    for (int cycle = 0; cycle < 3; ++cycle) {
        SettingsFile file(path);
        const AppSettings s = LoadStartupSettings(file).settings;
        EXPECT_EQ(s.OutputDir, S("/home/jürgen/Musik"));
        EXPECT_TRUE(s.FadeIn);
        SaveAppSettings(file, s);
        EXPECT_EQ(ReadAll(path), original) << "cycle " << cycle;
    }
    // A changed value is written as UTF-8 in place; the other lines keep their bytes and endings.
    SettingsFile file(path);
    AppSettings s = LoadStartupSettings(file).settings;
    s.OutputDir = S("/home/zoë");
    s.NormalizeVolume = 90;
    SaveAppSettings(file, s);
    QByteArray expected = original;
    expected.replace("/home/j\xC3\xBCrgen/Musik", "/home/zo\xC3\xAB");
    expected.replace("vol=98", "vol=90");
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(LoadStartupSettings(file).settings.OutputDir, S("/home/zoë"));
}

}  // namespace
