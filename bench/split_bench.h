#pragma once

#include <QString>

// Times converting an album image as `tracks` rows, each a part of the image whose reader seeks
// to its first frame, against converting the image as one file, and against shnsplit cutting it
// by the same sheet. FLAC, WavPack (read through FFmpeg) and WAV images, FLAC tracks. Prints
// medians of `runs`.
void RunSplitBench(const QString& folder, int runs, int minutes, int tracks);
