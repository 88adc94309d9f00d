#include "join_measure.h"

#include <algorithm>
#include <cmath>

namespace {

double WindowEnergy(const std::vector<float>& a, const std::vector<float>& b, int channels,
                    std::int64_t from, std::int64_t frames) {
    const std::int64_t total =
        static_cast<std::int64_t>(std::min(a.size(), b.size())) / std::max(channels, 1);
    from = std::clamp<std::int64_t>(from, 0, total);
    const std::int64_t to = std::clamp<std::int64_t>(from + frames, 0, total);
    double sum = 0;
    for (std::int64_t i = from * channels; i < to * channels; ++i) {
        const double d = static_cast<double>(a[static_cast<std::size_t>(i)]) -
                         static_cast<double>(b[static_cast<std::size_t>(i)]);
        sum += d * d;
    }
    return sum;
}

}  // namespace

JoinMeasure MeasureJoins(const std::vector<float>& oneJob, const std::vector<float>& split,
                         int channels, int rate, const std::vector<std::int64_t>& joins) {
    const std::int64_t window = std::max<std::int64_t>(rate / 20, 1);
    const std::int64_t total =
        static_cast<std::int64_t>(std::min(oneJob.size(), split.size())) / std::max(channels, 1);
    std::vector<double> all;
    for (std::int64_t at = 0; at + window <= total; at += window / 2) {
        all.push_back(WindowEnergy(oneJob, split, channels, at, window));
    }
    JoinMeasure m;
    if (!all.empty()) {
        std::sort(all.begin(), all.end());
        m.p99 = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    }
    for (const std::int64_t join : joins) {
        m.atJoins =
            std::max(m.atJoins, WindowEnergy(oneJob, split, channels, join - window / 2, window));
    }
    return m;
}

StepMeasure MeasureSteps(const std::vector<float>& decoded, int channels,
                         const std::vector<std::int64_t>& joins, std::int64_t radius) {
    StepMeasure m;
    const std::int64_t frames = static_cast<std::int64_t>(decoded.size()) / std::max(channels, 1);
    for (std::int64_t f = 1; f < frames; ++f) {
        bool nearJoin = false;
        for (const std::int64_t j : joins) {
            nearJoin = nearJoin || std::llabs(f - j) <= radius;
        }
        for (int c = 0; c < channels; ++c) {
            const double step =
                std::fabs(static_cast<double>(decoded[static_cast<std::size_t>(f * channels + c)]) -
                          decoded[static_cast<std::size_t>((f - 1) * channels + c)]);
            double& into = nearJoin ? m.atJoins : m.elsewhere;
            into = std::max(into, step);
        }
    }
    return m;
}
