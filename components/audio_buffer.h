#pragma once

#include <cstddef>
#include <vector>

// A block of decoded audio: samples of all channels interleaved. Movable, owned by whoever holds
// it. UpperBound() mirrors the index of the last sample; -1 means the buffer carries no data.
class AudioBuffer {
  public:
    AudioBuffer() = default;
    AudioBuffer(std::vector<float> samples, int channels);

    long UpperBound() const { return static_cast<long>(samples_.size()) - 1; }
    bool Empty() const { return samples_.empty(); }
    std::size_t SampleCount() const { return samples_.size(); }
    // Channels of the interleaved samples (at least 1).
    int Channels() const { return channels_; }
    std::size_t FrameCount() const { return samples_.size() / static_cast<std::size_t>(channels_); }

    float* Data() { return samples_.data(); }
    const float* Data() const { return samples_.data(); }
    std::vector<float>& Samples() { return samples_; }
    const std::vector<float>& Samples() const { return samples_; }

  private:
    std::vector<float> samples_;
    int channels_ = 1;
};

// The largest finite magnitude among the samples (0 for none).
float PeakOf(const float* samples, std::size_t count);
float PeakOf(const AudioBuffer& buffer);
