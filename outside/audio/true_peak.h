#pragma once

#include <array>
#include <cstddef>
#include <vector>

// The true (inter-sample) peak of interleaved float audio, estimated as the sample peak of the
// signal 4 times oversampled by a windowed-sinc interpolator (48 taps), as BS.1770 describes.
// libebur128's own true-peak mode does the same at several times the cost.
class TruePeakMeter {
  public:
    explicit TruePeakMeter(int channels);
    void Add(const float* samples, std::size_t frames);
    double Peak() const { return peak_; }  // linear

  private:
    static constexpr int kTaps = 12;  // per phase
    int channels_;
    // Per channel: the last kTaps - 1 samples, then the block.
    std::vector<std::vector<float>> lines_;
    std::vector<float> work_;
    double peak_ = 0;
};
