#pragma once

#include <QStringList>

#include "settings/loudness_settings.h"

// convert's loudness flags: --loudness LUFS [--true-peak DBTP] [--album] with --normalize,
// --replaygain [--album] without it. Given flags replace the stored [Nor] keys for the run.
struct LoudnessFlags {
    bool loudness = false;
    int lufs = -16;
    bool truePeakGiven = false;
    double truePeak = -1.0;
    bool album = false;
    bool replayGain = false;
};

// Takes the flag at args[i] (and its value, moving i on). False when args[i] is none of them;
// a bad value sets error.
bool TakeLoudnessFlag(const QStringList& args, int& i, LoudnessFlags& flags, QString& error);

// Checks the flags together and applies them to the run's settings; returns a usage error.
QString ApplyLoudnessFlags(const LoudnessFlags& flags, bool normalize, LoudnessSettings& settings);
