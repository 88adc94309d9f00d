#pragma once

#include <QString>
#include <cstdint>

class SettingsFile;

// The seven settings held in memory for the whole run. Written back only at shutdown.
struct AppSettings {
    QString OutputDir;
    std::int32_t OutputFormat =
        0;  // 0 MP3, 1 WAV; 2 WMA, 3 Ogg, 4 VOX only from a hand-edited file
    bool FadeIn = false;
    bool FadeOut = false;
    std::int32_t FadeInTime = 5;        // seconds
    std::int32_t FadeOutTime = 5;       // seconds
    std::int32_t NormalizeVolume = 98;  // percent

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

// What start-up reads: the text for the output-folder label and the in-memory settings.
struct StartupSettings {
    QString folderLabel;
    AppSettings settings;
};

// The output folder used when none is stored: the user's music folder, absolute.
QString DefaultOutputDir();

// The stored output folder ([Format] Dir), whole; the default folder when the key is missing or
// empty (an empty folder would put the outputs into the root folder).
QString ReadOutputDirSetting(const SettingsFile& file);

// The start-up reads, in their fixed order.
StartupSettings LoadStartupSettings(const SettingsFile& file);

// The shutdown writes, in their fixed order. Throws SettingsWriteError at the first refused write;
// the later keys are then not written.
void SaveAppSettings(SettingsFile& file, const AppSettings& settings);
