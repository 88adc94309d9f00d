#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct soxr;

// Brings blocks from the source format to the output format: channels first (many to mono by
// averaging, mono to many by copying, surround to stereo by a downmix of every channel,
// otherwise channel by channel), then the sample rate through
// libsoxr at high quality. Streaming: state is kept between blocks; Flush() drains the resampler's
// tail at the end. Samples are never clipped here.
class FormatConverter {
  public:
    FormatConverter(int inRate, int inChannels, int outRate, int outChannels);
    ~FormatConverter();
    FormatConverter(const FormatConverter&) = delete;
    FormatConverter& operator=(const FormatConverter&) = delete;

    bool IsIdentity() const { return identity_; }
    // Converts `frames` frames; the result stays valid until the next call.
    const std::vector<float>& Process(const float* in, std::int64_t frames);
    const std::vector<float>& Flush();
    int OutChannels() const { return outChannels_; }

  private:
    void SetDownmix();
    const float* MapChannels(const float* in, std::int64_t frames);
    const std::vector<float>& Resample(const float* in, std::int64_t frames);

    int inChannels_;
    int outChannels_;
    double ratio_;
    bool identity_;
    soxr* resampler_ = nullptr;
    std::vector<float> toLeft_;  // downmix weights per input channel
    std::vector<float> toRight_;
    std::vector<float> mapped_;
    std::vector<float> out_;
};
