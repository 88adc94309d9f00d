// AAC in an MP4 (.m4a) container through FFmpeg's own AAC encoder and its "ipod" muxer. The
// encoder's priming delay and the length go into the MP4 edit list (which this muxer counts in
// milliseconds), so decoders give back the samples written, to within a frame.
extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <iterator>

#include "formats/encoders.h"
#include "formats/mp4_output.h"
#include "outside/audio/audio_error.h"

namespace {

// The rates an AAC stream can signal without an explicit frequency, lowest first.
constexpr int kAacRates[] = {7350,  8000,  11025, 12000, 16000, 22050, 24000,
                             32000, 44100, 48000, 64000, 88200, 96000};

class AacEncoder : public AudioEncoder {
  public:
    AacEncoder(const QString& path, const QString& shownPath, int rate, int channels, int kbps)
        : mp4_(path, shownPath,
               {"aac", "AAC", AV_SAMPLE_FMT_FLTP, rate, channels, 0, std::int64_t{kbps} * 1000}),
          rate_(rate),
          channels_(channels) {}

    int SampleRate() const override { return rate_; }
    int Channels() const override { return channels_; }

    void Write(const float* samples, std::int64_t frames) override {
        while (frames > 0) {
            mp4_.Begin();
            const int n = static_cast<int>(std::min<std::int64_t>(frames, mp4_.Free()));
            for (int c = 0; c < channels_; ++c) {
                float* plane = mp4_.Plane<float>(c);
                const float* from = samples + c;
                for (int i = 0; i < n; ++i) {
                    plane[i] = from[static_cast<std::size_t>(i) * channels_];
                }
            }
            samples += static_cast<std::size_t>(n) * channels_;
            frames -= n;
            mp4_.Filled(n);
        }
    }

    void Finish() override { mp4_.Finish(); }

  private:
    Mp4Output mp4_;
    int rate_;
    int channels_;
};

}  // namespace

int AacSampleRate(int sourceRate) {
    for (const int rate : kAacRates) {
        if (rate >= sourceRate) {
            return rate;
        }
    }
    return kAacRates[std::size(kAacRates) - 1];
}

std::unique_ptr<AudioEncoder> CreateAacEncoder(const QString& path, const QString& shownPath,
                                               int sampleRate, int channels, int kbps) {
    const QString what = QStringLiteral("Cannot create");
    if (channels < 1 || channels > 8) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("%1 channels cannot be written to M4A").arg(channels));
    }
    if (sampleRate != AacSampleRate(sampleRate)) {
        ThrowAudioError(what, shownPath, QStringLiteral("AAC cannot hold %1 Hz").arg(sampleRate));
    }
    if (kbps < 8 || kbps > 512) {
        ThrowAudioError(what, shownPath,
                        QStringLiteral("the AAC bit rate %1 kbps is outside 8 to 512").arg(kbps));
    }
    return std::make_unique<AacEncoder>(path, shownPath, sampleRate, channels, kbps);
}
