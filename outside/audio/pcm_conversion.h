#pragma once

#include <cstddef>
#include <cstdint>

// Float samples to integer PCM, one rule for every sample and every depth: k / 2^(bits-1)
// becomes exactly k (what the reader delivers is written back bit for bit), halves round away
// from zero, values beyond full scale clip, NaN goes to the negative limit.

// Signed values of `bits` (8 to 32) for a block of samples.
void FloatToPcm(const float* in, std::size_t count, int bits, std::int32_t* out);

// The common 16-bit case over a whole block, several samples at a time where the CPU allows.
void FloatToPcm16(const float* in, std::size_t count, std::int16_t* out);
