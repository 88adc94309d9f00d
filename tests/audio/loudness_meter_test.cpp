#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "components/component_error.h"
#include "outside/audio/audio_factory.h"
#include "outside/audio/true_peak.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> Tone(double hz, double phase, double amplitude, int frames, int channels) {
    std::vector<float> s;
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            s.push_back(static_cast<float>(amplitude * std::sin(2 * kPi * hz * f / 44100 + phase)));
        }
    }
    return s;
}

// Peaks between samples are found (a quarter-rate tone whose samples miss its crests by 3 dB),
// and the measure does not depend on how the stream is cut into blocks.
TEST(TruePeak, FindsPeaksBetweenSamplesWhateverTheBlocks) {
    const struct {
        double hz, phase, amplitude;
    } cases[] = {{11025, kPi / 4, 0.5}, {1000, 0.3, 0.8}, {15000, 0.2, 0.25}};
    for (const auto& c : cases) {
        const std::vector<float> s = Tone(c.hz, c.phase, c.amplitude, 44100, 2);
        TruePeakMeter whole(2);
        whole.Add(s.data(), s.size() / 2);
        EXPECT_NEAR(20 * std::log10(whole.Peak()), 20 * std::log10(c.amplitude), 0.15) << c.hz;
        TruePeakMeter pieces(2);
        for (std::size_t done = 0; done < s.size() / 2; done += 7) {
            pieces.Add(s.data() + done * 2, std::min<std::size_t>(7, s.size() / 2 - done));
        }
        EXPECT_FLOAT_EQ(pieces.Peak(), whole.Peak()) << c.hz;
    }
}

// Silence measures as -infinity (nothing passes the gate), an album of a loud and a quiet track
// lies between them, and a block of the wrong channel count is refused.
TEST(LoudnessMeter, SilenceAlbumAndWrongBlocks) {
    const auto meter = CreateLoudnessMeter();
    auto silent = meter->NewTrack(44100, 2, true);
    silent->Add(AudioBuffer(std::vector<float>(44100 * 2 * 3, 0.0f), 2));
    EXPECT_FALSE(silent->Measure().Measured());
    EXPECT_EQ(silent->Measure().truePeak, 0.0);

    auto loud = meter->NewTrack(44100, 2, true);
    auto quiet = meter->NewTrack(48000, 2, false);
    loud->Add(AudioBuffer(Tone(1000, 0, 0.5, 44100 * 4, 2), 2));
    quiet->Add(AudioBuffer(Tone(1000, 0, 0.2, 48000 * 4, 2), 2));  // 8 dB down: inside the gate
    const LoudnessMeasure a = meter->Album({loud.get(), quiet.get()});
    EXPECT_LT(a.integrated, loud->Measure().integrated);
    EXPECT_GT(a.integrated, quiet->Measure().integrated);
    EXPECT_DOUBLE_EQ(a.truePeak, loud->Measure().truePeak);
    EXPECT_THROW(loud->Add(AudioBuffer(std::vector<float>(300, 0.1f), 3)), ComponentError);
}

}  // namespace
