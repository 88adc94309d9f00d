#include "outside/audio/true_peak.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kPhases = 4;
constexpr int kTaps = 12;
constexpr int kHistory = kTaps - 1;
constexpr double kPi = 3.14159265358979323846;

// c[p][j] weighs the j-th of kTaps consecutive inputs for the point p/4 past the sixth of
// them: a Hann-windowed sinc, six taps on each side.
struct Coefficients {
    std::array<std::array<float, kTaps>, kPhases> c{};
    Coefficients() {
        for (int p = 1; p < kPhases; ++p) {
            const double f = static_cast<double>(p) / kPhases;
            for (int j = 0; j < kTaps; ++j) {
                // Distance from input j (of the window) to the point at 5 + f.
                const double u = (kTaps / 2 - 1 + f) - j;
                const double sinc = std::sin(kPi * u) / (kPi * u);
                const double window = 0.5 * (1.0 + std::cos(kPi * u / (kTaps / 2 + 0.5)));
                c[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)] =
                    static_cast<float>(sinc * window);
            }
        }
    }
};

const Coefficients& Taps() {
    static const Coefficients taps;
    return taps;
}

}  // namespace

TruePeakMeter::TruePeakMeter(int channels)
    : channels_(channels),
      lines_(static_cast<std::size_t>(channels), std::vector<float>(kHistory, 0.0f)) {}

void TruePeakMeter::Add(const float* samples, std::size_t frames) {
    const auto& c = Taps().c;
    const std::size_t channels = static_cast<std::size_t>(channels_);
    work_.resize(frames);
    float peak = static_cast<float>(peak_);
    for (std::size_t ch = 0; ch < channels; ++ch) {
        // line: the last kHistory samples of earlier blocks, then this block's. The point of
        // phase p for frame n lies between line[n + 5] and line[n + 6].
        std::vector<float>& line = lines_[ch];
        line.resize(kHistory + frames);
        for (std::size_t f = 0; f < frames; ++f) {
            const float v = samples[f * channels + ch];
            line[kHistory + f] = v;
            peak = std::max(peak, std::fabs(v));
        }
        // Phase by phase and tap by tap, so the inner loop runs over frames and vectorises.
        for (int p = 1; p < kPhases; ++p) {
            std::fill(work_.begin(), work_.end(), 0.0f);
            for (int j = 0; j < kTaps; ++j) {
                const float k = c[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)];
                const float* x = line.data() + j;
                float* w = work_.data();
                for (std::size_t n = 0; n < frames; ++n) {
                    w[n] += x[n] * k;
                }
            }
            for (std::size_t n = 0; n < frames; ++n) {
                peak = std::max(peak, std::fabs(work_[n]));
            }
        }
        std::copy(line.end() - kHistory, line.end(), line.begin());
        line.resize(kHistory);
    }
    peak_ = peak;
}
