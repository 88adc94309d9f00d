#include "components/audio_buffer.h"

#include <utility>

AudioBuffer::AudioBuffer(std::vector<float> samples, int channels)
    : samples_(std::move(samples)), channels_(channels < 1 ? 1 : channels) {}
