#include "outside/audio/ebur128_meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "components/component_error.h"
#include "outside/audio/true_peak.h"

namespace {

// True peak is ours (true_peak.h): the library's costs more than the rest of the measure. No
// histogram: it rounds every block to the middle of its 0.1 LU bin, up to 0.05 LU off on steady
// material (Opus R128 gains are in 1/256 dB), where keeping the blocks costs some 32 bytes every
// 100 ms (12 MB for ten hours).
constexpr int kModes = EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK;
// Blocks are handed to the library in slices, so a whole-file buffer never overflows its size
// type.
constexpr std::size_t kSliceFrames = 65536;

void Check(int status, const char* what) {
    if (status != EBUR128_SUCCESS) {
        throw ComponentError(QStringLiteral("Loudness measurement failed (%1, code %2)")
                                 .arg(QLatin1String(what))
                                 .arg(status));
    }
}

class Ebur128Track : public ILoudnessTrack {
  public:
    Ebur128Track(int sampleRate, int channels, bool withRange)
        : channels_(channels), withRange_(withRange), truePeak_(channels) {
        if (sampleRate <= 0 || channels <= 0 || channels > 64) {
            throw ComponentError(QStringLiteral("Cannot measure loudness of %1 channels at %2 Hz")
                                     .arg(channels)
                                     .arg(sampleRate));
        }
        state_ =
            ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                         withRange ? kModes | EBUR128_MODE_LRA : kModes);
        if (!state_) {
            throw ComponentError(QStringLiteral("Not enough memory to measure loudness"));
        }
        // WAVE order 5.1 (L R C LFE Ls Rs): the LFE channel does not count towards loudness.
        if (channels == 6) {
            ebur128_set_channel(state_, 3, EBUR128_UNUSED);
            ebur128_set_channel(state_, 4, EBUR128_LEFT_SURROUND);
            ebur128_set_channel(state_, 5, EBUR128_RIGHT_SURROUND);
        }
    }
    ~Ebur128Track() override { ebur128_destroy(&state_); }
    Ebur128Track(const Ebur128Track&) = delete;
    Ebur128Track& operator=(const Ebur128Track&) = delete;

    void Add(const AudioBuffer& block) override {
        if (block.Empty()) {
            return;
        }
        if (block.Channels() != channels_) {
            throw ComponentError(
                QStringLiteral("Loudness measurement got %1 channels where %2 were announced")
                    .arg(block.Channels())
                    .arg(channels_));
        }
        const std::size_t frames = block.FrameCount();
        for (std::size_t done = 0; done < frames; done += kSliceFrames) {
            const std::size_t n = std::min(kSliceFrames, frames - done);
            Check(ebur128_add_frames_float(state_, block.Data() + done * channels_, n),
                  "adding samples");
            truePeak_.Add(block.Data() + done * channels_, n);
        }
    }

    LoudnessMeasure Measure() const override {
        const Ebur128Track* one[] = {this};
        return Combined(one, 1);
    }

    static LoudnessMeasure Combined(const Ebur128Track* const* tracks, std::size_t count) {
        std::vector<ebur128_state*> states;
        for (std::size_t i = 0; i < count; ++i) {
            states.push_back(tracks[i]->state_);
        }
        LoudnessMeasure m;
        Check(ebur128_loudness_global_multiple(states.data(), count, &m.integrated), "loudness");
        const bool range = std::all_of(tracks, tracks + count,
                                       [](const Ebur128Track* t) { return t->withRange_; });
        if (range) {
            Check(ebur128_loudness_range_multiple(states.data(), count, &m.range),
                  "loudness range");
        }
        for (std::size_t i = 0; i < count; ++i) {
            for (unsigned c = 0; c < states[i]->channels; ++c) {
                double peak = 0;
                Check(ebur128_sample_peak(states[i], c, &peak), "sample peak");
                m.samplePeak = std::max(m.samplePeak, peak);
            }
            m.truePeak = std::max({m.truePeak, m.samplePeak, tracks[i]->truePeak_.Peak()});
        }
        // The library reports silence as -HUGE_VAL; keep it an infinity, not a huge number.
        if (!std::isfinite(m.integrated) || m.integrated < -1e10) {
            m.integrated = -HUGE_VAL;
        }
        return m;
    }

  private:
    ebur128_state* state_ = nullptr;
    int channels_;
    bool withRange_;
    TruePeakMeter truePeak_;
};

}  // namespace

std::unique_ptr<ILoudnessTrack> Ebur128Meter::NewTrack(int sampleRate, int channels,
                                                       bool withRange) const {
    return std::make_unique<Ebur128Track>(sampleRate, channels, withRange);
}

LoudnessMeasure Ebur128Meter::Album(const std::vector<const ILoudnessTrack*>& tracks) const {
    std::vector<const Ebur128Track*> own;
    for (const ILoudnessTrack* t : tracks) {
        const auto* track = dynamic_cast<const Ebur128Track*>(t);
        if (!track) {
            throw ComponentError(QStringLiteral("A track from another loudness meter"));
        }
        own.push_back(track);
    }
    if (own.empty()) {
        return {};
    }
    return Ebur128Track::Combined(own.data(), own.size());
}
