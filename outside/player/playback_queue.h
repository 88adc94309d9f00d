#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

// The blocks waiting to be played. Filled on the window thread, drained by the output, which may
// run on an audio thread; every member is safe from both.
class PlaybackQueue {
  public:
    explicit PlaybackQueue(int channels = 2) : channels_(channels) {}

    void Reset(int channels);
    void Push(const float* samples, std::size_t count);
    void MarkEndOfStream();
    // Copies up to `frames` frames into `out` (null: just consume) and returns how many there
    // were; the rest of `out` is left to the caller.
    std::size_t Pull(float* out, std::size_t frames);
    void Clear();

    bool Empty() const;
    // Blocks played to the end since the last call.
    int TakeFinished();
    // Whether the data ran out after the end of the stream was queued (reported once).
    bool TakeEnded();
    // Frames played so far, and the peak of each of the first two channels since the last call
    // (0..1).
    std::int64_t PlayedFrames() const;
    void TakePeaks(float* left, float* right);

  private:
    struct Block {
        std::vector<float> samples;
        std::size_t pos = 0;
    };
    mutable std::mutex mutex_;
    std::deque<Block> blocks_;
    int channels_;
    int finished_ = 0;
    bool endQueued_ = false;
    bool endReported_ = false;
    std::int64_t played_ = 0;
    float peakLeft_ = 0.0f;
    float peakRight_ = 0.0f;
};
