#pragma once

#include <QString>

// Times one long music-like WAV of `minutes` converted by quorvel-cli on two jobs with the file
// split across them, against two jobs with it whole (one job's work), and against the format's
// reference tool on the same file. Prints medians of `runs`.
void RunLongSplitBench(const QString& folder, int runs, int minutes);
