#pragma once

#include <QString>

// Times each output encoder against its reference tool at the same settings on the same WAV
// (stereo 44.1 kHz 16-bit), `runs` times each, and prints the medians and their ratio.
void RunEncoderBench(const QString& wav, const QString& workDir, int runs);
