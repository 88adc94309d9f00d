#pragma once

#include <QList>

class SettingsFile;

// How Normalize levels its copies, and whether conversions carry ReplayGain tags ([Nor] keys
// beside "vol"). At their defaults Normalize is the peak normalisation to "vol" percent.
struct LoudnessSettings {
    bool loudness = false;    // [Nor] mode: 0 peak, 1 loudness
    int lufs = -16;           // [Nor] lufs: the loudness target
    double truePeak = -1.0;   // [Nor] truepeak: the ceiling in dBTP
    bool album = false;       // [Nor] album: one gain for all rows
    bool replayGain = false;  // [Nor] replaygain: conversions write ReplayGain tags

    friend bool operator==(const LoudnessSettings&, const LoudnessSettings&) = default;
};

// The targets offered in the window; a stored or given target may be any whole number in range.
const QList<int>& LoudnessTargets();
constexpr int kLowestLufs = -40;
constexpr int kHighestLufs = -5;
constexpr double kLowestCeiling = -10.0;
constexpr double kHighestCeiling = 0.0;

// Values out of range (a hand-edited file) read as their defaults.
LoudnessSettings ReadLoudnessSettings(const SettingsFile& file);
// Throws SettingsWriteError when refused.
void WriteLoudnessSettings(SettingsFile& file, const LoudnessSettings& settings);
