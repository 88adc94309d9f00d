// Apple Lossless in an MP4 (.m4a) file through FFmpeg's ALAC encoder and its "ipod" muxer.
// ALAC has no priming delay and takes a short last frame, so the stored length is exact.
extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>

#include "formats/encoders.h"
#include "formats/mp4_output.h"
#include "formats/pcm_encoder.h"
#include "outside/audio/audio_error.h"

namespace {

class AlacEncoder : public PcmEncoder {
  public:
    // 24-bit ALAC takes its samples in the top bits of 32.
    AlacEncoder(const QString& path, const QString& shownPath, const PcmFormat& output,
                int sourceBits)
        : PcmEncoder(output, sourceBits),
          mp4_(path, shownPath,
               {"alac", "ALAC", output.bits == 16 ? AV_SAMPLE_FMT_S16P : AV_SAMPLE_FMT_S32P,
                output.rate, output.channels, output.bits}) {}

    void WriteIntegers(const std::int32_t* samples, std::int64_t frames) override {
        const int channels = output_.channels;
        const int shift = output_.bits == 16 ? 0 : 32 - output_.bits;
        while (frames > 0) {
            mp4_.Begin();
            const int n = static_cast<int>(std::min<std::int64_t>(frames, mp4_.Free()));
            for (int c = 0; c < channels; ++c) {
                const std::int32_t* from = samples + c;
                if (output_.bits == 16) {
                    auto* plane = mp4_.Plane<std::int16_t>(c);
                    for (int i = 0; i < n; ++i) {
                        plane[i] =
                            static_cast<std::int16_t>(from[static_cast<std::size_t>(i) * channels]);
                    }
                } else {
                    auto* plane = mp4_.Plane<std::int32_t>(c);
                    for (int i = 0; i < n; ++i) {
                        const auto v = static_cast<std::uint32_t>(
                            from[static_cast<std::size_t>(i) * channels]);
                        plane[i] = static_cast<std::int32_t>(v << shift);
                    }
                }
            }
            samples += static_cast<std::size_t>(n) * channels;
            frames -= n;
            mp4_.Filled(n);
        }
    }

    void Finish() override { mp4_.Finish(); }

  private:
    Mp4Output mp4_;
};

}  // namespace

std::unique_ptr<AudioEncoder> CreateAlacEncoder(const QString& path, const QString& shownPath,
                                                const PcmFormat& output, int sourceBits) {
    CheckPcmOutput(output, shownPath, "ALAC", false, 384000);
    return std::make_unique<AlacEncoder>(path, shownPath, output, sourceBits);
}
