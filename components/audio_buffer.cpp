#include "components/audio_buffer.h"

#include <cmath>
#include <utility>

AudioBuffer::AudioBuffer(std::vector<float> samples, int channels)
    : samples_(std::move(samples)), channels_(channels < 1 ? 1 : channels) {}

float PeakOf(const float* samples, std::size_t count) {
    float peak = 0.0f;
    for (std::size_t i = 0; i < count; ++i) {
        const float v = std::fabs(samples[i]);
        if (std::isfinite(v) && v > peak) {
            peak = v;
        }
    }
    return peak;
}

float PeakOf(const AudioBuffer& buffer) {
    return PeakOf(buffer.Data(), buffer.SampleCount());
}
