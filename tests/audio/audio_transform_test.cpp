// Fades and normalisation on decoded blocks.
#include <gtest/gtest.h>

#include "components/component_error.h"
#include "outside/audio/audio_factory.h"

namespace {

AudioBuffer Constant(std::size_t frames, int channels, float value) {
    return AudioBuffer(std::vector<float>(frames * channels, value), channels);
}

TEST(Fade, RampsFromTheStartLevelOnTheFirstFrameToTheEndLevelOnTheLast) {
    auto transform = CreateAudioTransform();
    AudioBuffer in = Constant(101, 2, 0.8f);
    transform->Fade(in, 0.0f, 100.0f);
    EXPECT_FLOAT_EQ(in.Samples()[0], 0.0f);
    EXPECT_FLOAT_EQ(in.Samples()[1], 0.0f);
    EXPECT_FLOAT_EQ(in.Samples()[100], 0.4f);  // frame 50, left
    EXPECT_FLOAT_EQ(in.Samples()[101], 0.4f);  // frame 50, right: same gain
    EXPECT_FLOAT_EQ(in.Samples()[200], 0.8f);
    EXPECT_FLOAT_EQ(in.Samples()[201], 0.8f);

    AudioBuffer out = Constant(11, 1, -1.0f);
    transform->Fade(out, 100.0f, 0.0f);
    EXPECT_FLOAT_EQ(out.Samples()[0], -1.0f);
    EXPECT_FLOAT_EQ(out.Samples()[5], -0.5f);
    EXPECT_FLOAT_EQ(out.Samples()[10], 0.0f);
}

// A file shorter than the fades gets both on its one block, fade-in first.
TEST(Fade, BothFadesOnOneShortBlockSilenceBothEnds) {
    auto transform = CreateAudioTransform();
    AudioBuffer block = Constant(5, 2, 1.0f);
    transform->Fade(block, 0.0f, 100.0f);
    transform->Fade(block, 100.0f, 0.0f);
    const std::vector<float> gains = {0.0f, 0.1875f, 0.25f, 0.1875f, 0.0f};
    for (std::size_t f = 0; f < 5; ++f) {
        EXPECT_FLOAT_EQ(block.Samples()[2 * f], gains[f]) << f;
        EXPECT_FLOAT_EQ(block.Samples()[2 * f + 1], gains[f]) << f;
    }
    AudioBuffer empty;
    transform->Fade(empty, 0.0f, 100.0f);
    EXPECT_TRUE(empty.Empty());
}

TEST(Normalize, BringsThePeakToTheLevelAndKeepsSilenceSilent) {
    auto transform = CreateAudioTransform();
    AudioBuffer b({0.1f, -0.25f, 0.2f, 0.05f}, 2);
    transform->Normalize(b, 98.0f, -1);
    EXPECT_FLOAT_EQ(b.Samples()[1], -0.98f);
    EXPECT_FLOAT_EQ(b.Samples()[0], 0.392f);
    EXPECT_FLOAT_EQ(b.Samples()[3], 0.196f);

    AudioBuffer silence = Constant(100, 2, 0.0f);
    transform->Normalize(silence, 98.0f, -1);
    for (float v : silence.Samples()) {
        ASSERT_EQ(v, 0.0f);
    }

    // One channel alone, by its own peak.
    AudioBuffer right({0.1f, 0.5f, 0.2f, -0.25f}, 2);
    transform->Normalize(right, 100.0f, 1);
    EXPECT_EQ(right.Samples(), (std::vector<float>{0.1f, 1.0f, 0.2f, -0.5f}));
}

TEST(Normalize, RefusesNonsenseLevelsAndChannels) {
    auto transform = CreateAudioTransform();
    AudioBuffer b({0.5f, 0.5f}, 2);
    EXPECT_THROW(transform->Normalize(b, -5.0f, -1), ComponentError);
    EXPECT_THROW(transform->Normalize(b, std::nanf(""), -1), ComponentError);
    EXPECT_THROW(transform->Normalize(b, 98.0f, 2), ComponentError);
    EXPECT_THROW(transform->Fade(b, 0.0f, INFINITY), ComponentError);
    EXPECT_EQ(b.Samples(), (std::vector<float>{0.5f, 0.5f}));
}

}  // namespace
