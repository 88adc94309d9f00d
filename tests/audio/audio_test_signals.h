#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "components/audio_buffer.h"
#include "components/audio_file.h"

// Short generated signals and the helpers the audio tests share.

// `frames` frames of a sine at `hz`, the same in every channel, peak `amplitude`.
AudioBuffer Sine(int rate, int channels, double hz, std::int64_t frames, double amplitude = 0.5);

// Writes `buffer` through a writer already given its output format, in blocks of 2034 frames as
// the conversion does.
void WriteThrough(IAudioFile2& writer, const QString& path, int sourceRate,
                  const AudioBuffer& buffer);

// Reads the whole input through ReadBuffer in blocks of `block` frames.
AudioBuffer ReadAll(IAudioFile2& reader, const QString& path, int block = 2034);

// Frequency of channel `channel` estimated from its rising zero crossings (signals of some
// amplitude: the signal must dip below -0.1 between crossings).
double EstimateFrequency(const AudioBuffer& buffer, int rate, int channel = 0);

// The fields of the first MPEG audio frame header after `offset` in `bytes`.
struct MpegHeader {
    bool found = false;
    int kbps = 0;
    int sampleRate = 0;
    int mode = 0;  // 0 stereo, 1 joint, 2 dual, 3 mono
    int frameBytes = 0;
    int offset = 0;
};
MpegHeader FindMpegHeader(const QByteArray& bytes, int offset = 0);

// Runs a public tool (sox, mpg123, ogginfo ...) and returns its standard output and error;
// `exitCode` gets its exit status (-1 when it could not run).
QString RunTool(const QString& program, const QStringList& arguments, int* exitCode);
