#include "outside/audio/ebur128_meter.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

#include "components/component_error.h"

namespace {

constexpr int kModes = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK |
                       EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_HISTOGRAM;
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
    Ebur128Track(int sampleRate, int channels) : channels_(channels) {
        if (sampleRate <= 0 || channels <= 0 || channels > 64) {
            throw ComponentError(QStringLiteral("Cannot measure loudness of %1 channels at %2 Hz")
                                     .arg(channels)
                                     .arg(sampleRate));
        }
        state_ = ebur128_init(static_cast<unsigned>(channels),
                              static_cast<unsigned long>(sampleRate), kModes);
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
        }
    }

    LoudnessMeasure Measure() const override {
        ebur128_state* one[] = {state_};
        return Combined(one, 1);
    }

    static LoudnessMeasure Combined(ebur128_state** states, std::size_t count) {
        LoudnessMeasure m;
        Check(ebur128_loudness_global_multiple(states, count, &m.integrated), "loudness");
        Check(ebur128_loudness_range_multiple(states, count, &m.range), "loudness range");
        for (std::size_t i = 0; i < count; ++i) {
            for (unsigned c = 0; c < states[i]->channels; ++c) {
                double peak = 0;
                Check(ebur128_true_peak(states[i], c, &peak), "true peak");
                m.truePeak = std::max(m.truePeak, peak);
                Check(ebur128_sample_peak(states[i], c, &peak), "sample peak");
                m.samplePeak = std::max(m.samplePeak, peak);
            }
        }
        // The library reports silence as -HUGE_VAL; keep it an infinity, not a huge number.
        if (!std::isfinite(m.integrated) || m.integrated < -1e10) {
            m.integrated = -HUGE_VAL;
        }
        return m;
    }

    ebur128_state* State() const { return state_; }

  private:
    ebur128_state* state_ = nullptr;
    int channels_;
};

}  // namespace

std::unique_ptr<ILoudnessTrack> Ebur128Meter::NewTrack(int sampleRate, int channels) const {
    return std::make_unique<Ebur128Track>(sampleRate, channels);
}

LoudnessMeasure Ebur128Meter::Album(const std::vector<const ILoudnessTrack*>& tracks) const {
    std::vector<ebur128_state*> states;
    for (const ILoudnessTrack* t : tracks) {
        const auto* own = dynamic_cast<const Ebur128Track*>(t);
        if (!own) {
            throw ComponentError(QStringLiteral("A track from another loudness meter"));
        }
        states.push_back(own->State());
    }
    if (states.empty()) {
        return {};
    }
    return Ebur128Track::Combined(states.data(), states.size());
}
