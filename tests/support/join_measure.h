#pragma once

#include <cstdint>
#include <vector>

// How a split output sounds at its joins against a one-job encode of the same source, both
// decoded to interleaved floats of `channels`, frame-aligned.
struct JoinMeasure {
    double atJoins = 0;  // the largest difference energy of a 50 ms window around any join
    double p99 = 0;      // the 99th percentile of that window's measure over the whole file
    bool Seamless() const { return atJoins <= p99; }
};

// The difference energy of a window is the sum of (a - b)^2 over its samples; windows are 50 ms
// long at `rate`, the whole file's taken every 25 ms, a join's centred on it. `joins` are frame
// positions in the decoded streams.
JoinMeasure MeasureJoins(const std::vector<float>& oneJob, const std::vector<float>& split,
                         int channels, int rate, const std::vector<std::int64_t>& joins);

// The largest step between neighbouring samples of one channel within `radius` frames of any
// join, and anywhere in the file: a click at a join in a pure sine is a step above the sine's.
struct StepMeasure {
    double atJoins = 0;
    double elsewhere = 0;
};
StepMeasure MeasureSteps(const std::vector<float>& decoded, int channels,
                         const std::vector<std::int64_t>& joins, std::int64_t radius);
