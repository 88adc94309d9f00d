#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "components/encoder_recipe.h"
#include "outside/audio/pcm_conversion.h"

// The shared part of the encoders that store integers: the float path turns each block into
// the output's depth (the exact rule, or dither) and hands it to the integer path.
class PcmEncoder : public AudioEncoder {
  public:
    PcmEncoder(const PcmFormat& output, int sourceBits, bool dither)
        : output_(output), quantizer_(output.bits, sourceBits, dither) {}

    int SampleRate() const override { return output_.rate; }
    int Channels() const override { return output_.channels; }
    bool TakesIntegers() const override { return !output_.floating; }

    void Write(const float* samples, std::int64_t frames) override {
        while (frames > 0) {
            const std::int64_t n = std::min<std::int64_t>(frames, kChunkFrames);
            const std::size_t count = static_cast<std::size_t>(n) * output_.channels;
            ints_.resize(count);
            quantizer_.Convert(samples, count, ints_.data());
            WriteIntegers(ints_.data(), n);
            samples += count;
            frames -= n;
        }
    }

  protected:
    static constexpr std::int64_t kChunkFrames = 4096;
    const PcmFormat output_;

  private:
    PcmQuantizer quantizer_;
    std::vector<std::int32_t> ints_;
};
