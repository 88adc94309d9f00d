#include "outside/player/playback_queue.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

void PlaybackQueue::Reset(int channels) {
    std::lock_guard lock(mutex_);
    blocks_.clear();
    channels_ = channels;
    finished_ = 0;
    endQueued_ = false;
    endReported_ = false;
    played_ = 0;
    peakLeft_ = peakRight_ = 0.0f;
}

void PlaybackQueue::Push(const float* samples, std::size_t count) {
    // Whole frames only: a ragged tail would shift every later frame's channels.
    count -= count % static_cast<std::size_t>(channels_);
    if (count == 0) {
        return;
    }
    Block block;
    block.samples.assign(samples, samples + count);
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
    endQueued_ = false;
    endReported_ = false;
}

void PlaybackQueue::MarkEndOfStream() {
    std::lock_guard lock(mutex_);
    endQueued_ = true;
}

std::size_t PlaybackQueue::Pull(float* out, std::size_t frames) {
    std::lock_guard lock(mutex_);
    const std::size_t channels = static_cast<std::size_t>(channels_);
    std::size_t done = 0;
    while (done < frames && !blocks_.empty()) {
        Block& block = blocks_.front();
        const std::size_t available = (block.samples.size() - block.pos) / channels;
        const std::size_t n = std::min(available, frames - done);
        const float* from = block.samples.data() + block.pos;
        for (std::size_t i = 0; i < n * channels; i += channels) {
            peakLeft_ = std::max(peakLeft_, std::fabs(from[i]));
            peakRight_ = std::max(peakRight_, std::fabs(from[i + (channels > 1 ? 1 : 0)]));
        }
        if (out != nullptr) {
            std::memcpy(out + done * channels, from, n * channels * sizeof(float));
        }
        block.pos += n * channels;
        done += n;
        if (block.pos >= block.samples.size()) {
            blocks_.pop_front();
            ++finished_;
        }
    }
    played_ += static_cast<std::int64_t>(done);
    return done;
}

void PlaybackQueue::Clear() {
    std::lock_guard lock(mutex_);
    blocks_.clear();
    endQueued_ = false;
    endReported_ = false;
}

bool PlaybackQueue::Empty() const {
    std::lock_guard lock(mutex_);
    return blocks_.empty();
}

int PlaybackQueue::TakeFinished() {
    std::lock_guard lock(mutex_);
    return std::exchange(finished_, 0);
}

bool PlaybackQueue::TakeEnded() {
    std::lock_guard lock(mutex_);
    if (endQueued_ && !endReported_ && blocks_.empty()) {
        endReported_ = true;
        return true;
    }
    return false;
}

std::int64_t PlaybackQueue::PlayedFrames() const {
    std::lock_guard lock(mutex_);
    return played_;
}

void PlaybackQueue::TakePeaks(float* left, float* right) {
    std::lock_guard lock(mutex_);
    *left = std::exchange(peakLeft_, 0.0f);
    *right = std::exchange(peakRight_, 0.0f);
}
