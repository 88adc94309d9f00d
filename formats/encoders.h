#pragma once

#include <QString>
#include <memory>

#include "components/encoder_recipe.h"

// The encoders of the output formats. `output` is what the unit's OutputFormat gave; a float
// block is reduced to an integer output's depth with dither where `sourceBits` is more than the
// output has or `dither` says the samples were processed, else by the exact rule.

// Apple Lossless in M4A: 16 or 24 bits, 1 to 8 channels.
std::unique_ptr<AudioEncoder> CreateAlacEncoder(const QString& path, const QString& shownPath,
                                                const PcmFormat& output, int sourceBits,
                                                bool dither);
// AIFF: 16 or 24-bit PCM or 32-bit float (AIFF-C), 1 to 8 channels.
std::unique_ptr<AudioEncoder> CreateAiffEncoder(const QString& path, const QString& shownPath,
                                                const PcmFormat& output, int sourceBits,
                                                bool dither);
// WavPack, lossless, with the MD5 sum of the audio: 16 or 24-bit or 32-bit float, 1 to 8 channels.
std::unique_ptr<AudioEncoder> CreateWavPackEncoder(const QString& path, const QString& shownPath,
                                                   const PcmFormat& output, int sourceBits,
                                                   bool dither);
