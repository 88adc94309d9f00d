#pragma once

#include <QString>

// Decoding a FLAC and an M4A (AAC 192 kbps) made from `wav` by the flac and ffmpeg tools,
// through the reader in the conversion's blocks, against `ffmpeg -f null` on the same file.
// Prints the medians of `runs` and their ratio; a missing tool skips its case.
void RunDecodeBench(const QString& wav, const QString& workDir, int runs);
