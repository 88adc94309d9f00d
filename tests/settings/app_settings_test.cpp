#include <gtest/gtest.h>

#include <QDir>

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
    s.OutputDir = S("");  // an empty stored folder stays empty
    SaveAppSettings(file, s);
    EXPECT_EQ(ReadAll(path), QByteArray("[Nor]\nvolen=1\nvol=98\n[mp3]\nbitrate=9\n[Format]\nDir=\n"
                                        "int=0\n[Fade]\nIn=0\nOut=0\nIntime=5\nOuttime=5\n"));
    EXPECT_EQ(LoadStartupSettings(file).settings.OutputDir, S(""));
}

}  // namespace
