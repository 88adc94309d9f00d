#pragma once

#include <QString>
#include <cstdint>

#include "settings/loudness_settings.h"

class SettingsFile;

// The seven settings held in memory for the whole run, written back only at shutdown, and the
// number of files at once.
struct AppSettings {
    QString OutputDir;
    std::int32_t OutputFormat =
        0;  // 0 MP3, 1 WAV; 2 WMA, 3 Ogg, 4 VOX only from a hand-edited file
    bool FadeIn = false;
    bool FadeOut = false;
    std::int32_t FadeInTime = 5;        // seconds
    std::int32_t FadeOutTime = 5;       // seconds
    std::int32_t NormalizeVolume = 98;  // percent
    // [Batch] jobs: how many files a batch of the window works on at once, 0 = one per core. Not
    // one of the seven: read at start-up after them, stored by the settings dialog's Ok like its
    // other keys, never written at shutdown.
    std::int32_t BatchJobs = 0;
    // The loudness keys of [Nor]: read at start-up after the seven, stored by the settings
    // dialog's Ok, never written at shutdown.
    LoudnessSettings Loudness;
    // [Convert] same format: "copy" copies an input already in the output format, with nothing
    // to change, as it is instead of converting it; anything else ("convert", the default)
    // converts every input. Read at start-up after the loudness keys, never written at shutdown.
    bool CopySameFormat = false;
    // [Cover] max size: outputs get no picture larger than this many pixels on its longer side
    // (scaled to it as JPEG); 0, "none" or no key: pictures as they are. [Cover] folder: "on"
    // embeds the input's folder image when it has no front cover. Read at start-up after the
    // copy key, never written at shutdown.
    std::int32_t CoverMaxSize = 0;
    bool CoverFromFolder = false;
    // [Convert] originals: "trash" moves each converted input into the Trash once its output has
    // passed the check; anything else ("keep", the default) leaves inputs where they are. Read at
    // start-up after the cover keys, never written at shutdown.
    bool TrashOriginals = false;
    // [Cue] split: "off" lists an album image with its cue sheet as one row; anything else (the
    // default) lists one row per track of the sheet. Read at start-up after the cover keys, never
    // written at shutdown.
    bool CueSplit = true;
    // [Convert] check: "off" names every output without decoding it back first; anything else
    // ("on", the default) checks each output before it gets its name. Read at start-up after the
    // cover keys, never written at shutdown.
    bool CheckOutputs = true;
    // [Batch] split long files: "off" encodes every file on one job; anything else ("on", the
    // default) lets the jobs that have no file left encode parts of a long one. Only with more
    // than one file at once. Read at start-up after the check key, never written at shutdown.
    bool SplitLongFiles = true;

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

// The most files a batch works on at once.
constexpr std::int32_t kMostBatchJobs = 16;

// [Batch] jobs as stored (0 = automatic). Read by start-up after the seven; written by the settings
// dialog's Ok after its own keys. The write throws SettingsWriteError when refused.
std::int32_t ReadBatchJobs(const SettingsFile& file);
void WriteBatchJobs(SettingsFile& file, std::int32_t jobs);

// [Convert] same format as stored: true for "copy" (in any case).
bool ReadCopySameFormat(const SettingsFile& file);

// [Convert] check as stored: false only for "off" (in any case).
bool ReadCheckOutputs(const SettingsFile& file);

// [Batch] split long files as stored: false only for "off", "false", "no" or 0 (in any case).
bool ReadSplitLongFiles(const SettingsFile& file);
// Written by the settings dialog's Ok, "on" or "off". Throws SettingsWriteError when refused.
void WriteSplitLongFiles(SettingsFile& file, bool split);

// [Cover] max size as stored: 0 for none; a number outside 16..10000 is brought into it.
std::int32_t ReadCoverMaxSize(const SettingsFile& file);
// A switch as stored in the settings file: true for "on", "true", "yes" or 1 (in any case).
bool ReadSwitch(const SettingsFile& file, const QString& section, const QString& key);

// [Convert] originals as stored: true for "trash" (in any case).
bool ReadTrashOriginals(const SettingsFile& file);

// [Cover] folder as stored, a switch.
bool ReadCoverFromFolder(const SettingsFile& file);

// [Cue] split as stored: false only for "off", "false", "no" or 0 (in any case).
bool ReadCueSplit(const SettingsFile& file);

// The number of files to work on at once for a stored value: 0 (automatic) gives one per core;
// anything else, and the core count, is brought into 1..16.
int EffectiveBatchJobs(int stored);

// The shutdown writes, in their fixed order. Throws SettingsWriteError at the first refused write;
// the later keys are then not written.
void SaveAppSettings(SettingsFile& file, const AppSettings& settings);
