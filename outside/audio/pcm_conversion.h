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

// Triangular (TPDF) dither noise of ±1 LSB: the difference of two uniform randoms, from a small
// generator each encoder keeps for itself (no shared state between threads, and the same input
// gives the same output file).
class DitherNoise {
  public:
    // A value in (-1, 1) with a triangular distribution.
    double Next() {
        // splitmix64: fast, and every bit of its output is usable.
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return (static_cast<double>(z >> 32) - static_cast<double>(z & 0xFFFFFFFFu)) * 0x1p-32;
    }

  private:
    std::uint64_t state_ = 0x5155524F56454Cull;
};

// Float samples to signed values of `bits` (8 to 32) with TPDF dither added before rounding, so
// that a depth reduction leaves a steady noise floor instead of distortion and silence.
void FloatToPcmDithered(const float* in, std::size_t count, int bits, std::int32_t* out,
                        DitherNoise& noise);

// Float blocks to an integer output's depth: the exact rule where the samples are the source's
// at no more bits than the output has, dither where the depth shrinks.
class PcmQuantizer {
  public:
    PcmQuantizer(int bits, int sourceBits) : bits_(bits), dither_(sourceBits > bits) {}
    bool Dithers() const { return dither_; }
    void Convert(const float* in, std::size_t count, std::int32_t* out) {
        if (dither_) {
            FloatToPcmDithered(in, count, bits_, out, noise_);
        } else {
            FloatToPcm(in, count, bits_, out);
        }
    }

  private:
    int bits_;
    bool dither_;
    DitherNoise noise_;
};
