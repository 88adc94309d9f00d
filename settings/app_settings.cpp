#include "settings/app_settings.h"

#include <QDir>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>

#include "settings/settings_file.h"

namespace {
const QString kFormat = QStringLiteral("Format");
const QString kFade = QStringLiteral("Fade");
const QString kNor = QStringLiteral("Nor");
const QString kBatch = QStringLiteral("Batch");
const QString kJobs = QStringLiteral("jobs");
}  // namespace

QString DefaultOutputDir() {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QDir::home().filePath(QStringLiteral("Music"));
    }
    return QDir(music).absolutePath();
}

QString ReadOutputDirSetting(const SettingsFile& file) {
    const QString dir = file.ReadWholeText(kFormat, QStringLiteral("Dir"), QString());
    return dir.isEmpty() ? DefaultOutputDir() : dir;
}

StartupSettings LoadStartupSettings(const SettingsFile& file) {
    StartupSettings s;
    s.folderLabel = ReadOutputDirSetting(file);
    s.settings.OutputFormat = file.ReadNumber(kFormat, QStringLiteral("int"), 0);
    s.settings.OutputDir = ReadOutputDirSetting(file);
    s.settings.NormalizeVolume = file.ReadNumber(kNor, QStringLiteral("vol"), 98);
    s.settings.FadeIn = file.ReadFlag(kFade, QStringLiteral("In"), false);
    s.settings.FadeOut = file.ReadFlag(kFade, QStringLiteral("Out"), false);
    s.settings.FadeInTime = file.ReadNumber(kFade, QStringLiteral("Intime"), 5);
    s.settings.FadeOutTime = file.ReadNumber(kFade, QStringLiteral("Outtime"), 5);
    s.settings.BatchJobs = ReadBatchJobs(file);
    s.settings.Loudness = ReadLoudnessSettings(file);
    s.settings.CopySameFormat = ReadCopySameFormat(file);
    s.settings.CoverMaxSize = ReadCoverMaxSize(file);
    s.settings.CoverFromFolder = ReadCoverFromFolder(file);
    s.settings.TrashOriginals = ReadTrashOriginals(file);
    s.settings.CueSplit = ReadCueSplit(file);
    s.settings.CheckOutputs = ReadCheckOutputs(file);
    s.settings.SplitLongFiles = ReadSplitLongFiles(file);
    return s;
}

std::int32_t ReadBatchJobs(const SettingsFile& file) {
    return file.ReadNumber(kBatch, kJobs, 0);
}

void WriteBatchJobs(SettingsFile& file, std::int32_t jobs) {
    file.WriteNumber(kBatch, kJobs, jobs);
}

bool ReadCopySameFormat(const SettingsFile& file) {
    const QString value =
        file.ReadText(QStringLiteral("Convert"), QStringLiteral("same format"), QString());
    return value.trimmed().compare(QLatin1String("copy"), Qt::CaseInsensitive) == 0;
}

bool ReadTrashOriginals(const SettingsFile& file) {
    const QString value =
        file.ReadText(QStringLiteral("Convert"), QStringLiteral("originals"), QString());
    return value.trimmed().compare(QLatin1String("trash"), Qt::CaseInsensitive) == 0;
}

bool ReadCheckOutputs(const SettingsFile& file) {
    const QString value =
        file.ReadText(QStringLiteral("Convert"), QStringLiteral("check"), QString()).trimmed();
    return value.compare(QLatin1String("off"), Qt::CaseInsensitive) != 0;
}

std::int32_t ReadCoverMaxSize(const SettingsFile& file) {
    const QString value =
        file.ReadText(QStringLiteral("Cover"), QStringLiteral("max size"), QString()).trimmed();
    bool number = false;
    const qlonglong size = value.toLongLong(&number);
    if (!number || size <= 0) {
        return 0;  // "none", empty or not a number: pictures as they are
    }
    return static_cast<std::int32_t>(std::clamp<qlonglong>(size, 16, 10000));
}

bool ReadSwitch(const SettingsFile& file, const QString& section, const QString& key) {
    const QString value = file.ReadText(section, key, QString()).trimmed();
    for (const char* on : {"on", "true", "yes", "1"}) {
        if (value.compare(QLatin1String(on), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

bool ReadCoverFromFolder(const SettingsFile& file) {
    return ReadSwitch(file, QStringLiteral("Cover"), QStringLiteral("folder"));
}

namespace {

// A switch that is on unless it says otherwise.
bool OnUnlessOff(const SettingsFile& file, const QString& section, const QString& key) {
    const QString value = file.ReadText(section, key, QString()).trimmed();
    for (const char* off : {"off", "false", "no", "0"}) {
        if (value.compare(QLatin1String(off), Qt::CaseInsensitive) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadCueSplit(const SettingsFile& file) {
    return OnUnlessOff(file, QStringLiteral("Cue"), QStringLiteral("split"));
}

bool ReadSplitLongFiles(const SettingsFile& file) {
    return OnUnlessOff(file, kBatch, QStringLiteral("split long files"));
}

void WriteSplitLongFiles(SettingsFile& file, bool split) {
    file.WriteText(kBatch, QStringLiteral("split long files"),
                   split ? QStringLiteral("on") : QStringLiteral("off"));
}

int EffectiveBatchJobs(int stored) {
    const int jobs = stored == 0 ? QThread::idealThreadCount() : stored;
    return std::clamp(jobs, 1, kMostBatchJobs);
}

void SaveAppSettings(SettingsFile& file, const AppSettings& settings) {
    file.WriteText(kFormat, QStringLiteral("Dir"), settings.OutputDir);
    file.WriteNumber(kFormat, QStringLiteral("int"), settings.OutputFormat);
    file.WriteFlag(kFade, QStringLiteral("In"), settings.FadeIn);
    file.WriteFlag(kFade, QStringLiteral("Out"), settings.FadeOut);
    file.WriteNumber(kFade, QStringLiteral("Intime"), settings.FadeInTime);
    file.WriteNumber(kFade, QStringLiteral("Outtime"), settings.FadeOutTime);
    file.WriteNumber(kNor, QStringLiteral("vol"), settings.NormalizeVolume);
}
