#include "outside/audio/audio_transform_component.h"

#include <cmath>

#include "components/component_error.h"

namespace {

void CheckLevel(const char* operation, float percent) {
    if (!std::isfinite(percent) || percent < 0.0f) {
        throw ComponentError(QStringLiteral("Cannot %1 the audio: the level %2 is not a "
                                            "percentage")
                                 .arg(QLatin1String(operation))
                                 .arg(percent));
    }
}

}  // namespace

// The ramp reaches the start level on the first frame and the end level on the last one, so a
// fade-out ends in true silence and a fade-in starts from it.
void TAudioTransform2::Fade(AudioBuffer& buffer, float startPercent, float endPercent) {
    CheckLevel("fade", startPercent);
    CheckLevel("fade", endPercent);
    const std::size_t frames = buffer.FrameCount();
    const std::size_t channels = static_cast<std::size_t>(buffer.Channels());
    if (frames == 0) {
        return;
    }
    const double start = startPercent / 100.0;
    const double step = frames > 1 ? (endPercent - startPercent) / 100.0 / (frames - 1) : 0.0;
    float* data = buffer.Data();
    for (std::size_t f = 0; f < frames; ++f) {
        const float gain = static_cast<float>(start + step * static_cast<double>(f));
        for (std::size_t c = 0; c < channels; ++c) {
            data[f * channels + c] *= gain;
        }
    }
}

void TAudioTransform2::Normalize(AudioBuffer& buffer, float levelPercent, int channel) {
    CheckLevel("normalise", levelPercent);
    const int channels = buffer.Channels();
    if (channel < -1 || channel >= channels) {
        throw ComponentError(QStringLiteral("Cannot normalise the audio: there is no channel %1 "
                                            "in a block of %2 channels")
                                 .arg(channel)
                                 .arg(channels));
    }
    const std::size_t first = channel < 0 ? 0 : static_cast<std::size_t>(channel);
    const std::size_t stride = channel < 0 ? 1 : static_cast<std::size_t>(channels);
    float* data = buffer.Data();
    const std::size_t count = buffer.SampleCount();
    float peak = 0.0f;
    for (std::size_t i = first; i < count; i += stride) {
        const float v = std::fabs(data[i]);
        if (std::isfinite(v) && v > peak) {
            peak = v;
        }
    }
    if (peak == 0.0f) {
        return;  // silence stays silence
    }
    const float gain = levelPercent / 100.0f / peak;
    for (std::size_t i = first; i < count; i += stride) {
        data[i] *= gain;
    }
}
