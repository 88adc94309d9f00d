#pragma once

#include <QString>

// Times the conversion batch on a list of files: ConvertAll in an offscreen main window against
// the bare component loop and against lame, and the parallel batch (two jobs) against the
// sequential one. Prints medians of `runs`; asserts nothing.
void RunBatchBench(const QString& folder, int runs, int secondsPerFile, int files);

// Times Normalize in loudness mode (track and album) against the plain conversion of the same
// files. Prints medians of `runs`.
void RunLoudnessBench(const QString& folder, int runs, int secondsPerFile, int files);

// Times the conversion to MP3, Opus, FLAC and WAV with the check of every output on and off, and
// prints the check's share of the conversion time against its limit. Medians of `runs`.
void RunCheckBench(const QString& folder, int runs, int secondsPerFile, int files);
