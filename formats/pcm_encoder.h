#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include <QString>

#include "components/encoder_recipe.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/pcm_conversion.h"

// Refuses, naming the file, an output the codec `name` cannot hold: 1 to 8 channels, 16 or 24
// bits (or 32-bit float where `withFloat`), 1 Hz to `maxRate`.
inline void CheckPcmOutput(const PcmFormat& output, const QString& shownPath, const char* name,
                           bool withFloat, int maxRate) {
    const QString what = QStringLiteral("Cannot create");
    const QString codec = QString::fromUtf8(name);
    if (output.channels < 1 || output.channels > 8) {
        ThrowAudioError(
            what, shownPath,
            QStringLiteral("%1 channels cannot be written to %2").arg(output.channels).arg(codec));
    }
    const bool known =
        output.floating ? withFloat && output.bits == 32 : output.bits == 16 || output.bits == 24;
    if (!known) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 is written with 16 or 24 bits%2, not %3")
                            .arg(codec, withFloat ? QStringLiteral(" or 32-bit float") : QString())
                            .arg(output.bits));
    }
    if (output.rate < 1 || output.rate > maxRate) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 cannot hold %2 Hz").arg(codec).arg(output.rate));
    }
}

// The shared part of the encoders that store integers: the float path turns each block into
// the output's depth (the exact rule, or dither) and hands it to the integer path.
class PcmEncoder : public AudioEncoder {
  public:
    PcmEncoder(const PcmFormat& output, int sourceBits)
        : output_(output), quantizer_(output.bits, sourceBits) {}

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
