#pragma once

#include <QString>
#include <memory>

#include "components/encoder_recipe.h"

// The encoders of the format units, one line each. `path` is where the bytes go (a temporary
// file), `shownPath` the name messages use.

// FLAC at `bits` (16 or 24) per sample, compression level 0..8, 1 to 8 channels. A `sourceBits`
// above `bits` dithers the reduction; 0 keeps the exact rule.
std::unique_ptr<AudioEncoder> CreateFlacEncoder(const QString& path, const QString& shownPath,
                                                int sampleRate, int channels, int bits, int level,
                                                int sourceBits = 0);
// Ogg Opus at `kbps` (6..510), VBR or hard CBR, 1 to 8 channels. Any source rate: the encoder
// resamples to 48 kHz itself and records the source's rate in the header.
std::unique_ptr<AudioEncoder> CreateOpusEncoder(const QString& path, const QString& shownPath,
                                                int sampleRate, int channels, int kbps, bool vbr);
// AAC in an MP4 container at `kbps`, 1 to 8 channels, at a rate AacSampleRate() gives.
std::unique_ptr<AudioEncoder> CreateAacEncoder(const QString& path, const QString& shownPath,
                                               int sampleRate, int channels, int kbps);
// The AAC rate a source rate is written at: itself where AAC has it, else the next one up
// (96 kHz at most).
int AacSampleRate(int sourceRate);

// The lossless encoders below take `output` as the unit's OutputFormat gave it; a float block
// is reduced to an integer output's depth with dither where `sourceBits` is more than the
// output has, else by the exact rule.

// Apple Lossless in M4A: 16 or 24 bits, 1 to 8 channels.
std::unique_ptr<AudioEncoder> CreateAlacEncoder(const QString& path, const QString& shownPath,
                                                const PcmFormat& output, int sourceBits);
// AIFF: 16 or 24-bit PCM or 32-bit float (AIFF-C), 1 to 8 channels.
std::unique_ptr<AudioEncoder> CreateAiffEncoder(const QString& path, const QString& shownPath,
                                                const PcmFormat& output, int sourceBits);
// WavPack, lossless, with the MD5 sum of the audio: 16 or 24-bit or 32-bit float, 1 to 8 channels.
std::unique_ptr<AudioEncoder> CreateWavPackEncoder(const QString& path, const QString& shownPath,
                                                   const PcmFormat& output, int sourceBits);
