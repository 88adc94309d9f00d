#include "engine/normalize_worker.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "components/audio_file.h"
#include "components/audio_transform.h"
#include "engine/batch_start.h"

namespace {

constexpr int kStreamBlockFrames = 65536;

void Reach(WorkerSignals& shared, int stage, int value) {
    shared.stage = stage;
    shared.progressValue = value;
    if (shared.show) {
        shared.show(value);
    }
}

float PeakOf(const AudioBuffer& buffer) {
    float peak = 0.0f;
    for (const float s : buffer.Samples()) {
        const float v = std::fabs(s);
        if (std::isfinite(v) && v > peak) {
            peak = v;
        }
    }
    return peak;
}

bool NormalizeWhole(const NormalizeJob& job, WorkerSignals& shared, std::int64_t samples) {
    // The request counts samples, not frames, so it always covers the file.
    AudioBuffer buffer = job.reader.ReadBuffer(static_cast<int>(samples));
    Reach(shared, 1, 1000);
    if (shared.terminate) {
        return false;
    }
    job.transform.Normalize(buffer, job.level, -1);
    Reach(shared, 2, 2000);
    if (shared.terminate) {
        return false;
    }
    job.writer.WriteBuffer(buffer);
    return true;
}

// Two passes for a file too big for one buffer: find the peak, then reopen the input and write it
// scaled by the gain the whole-buffer normalisation would apply (a constant fade).
bool NormalizeStreaming(const NormalizeJob& job, WorkerSignals& shared) {
    float peak = 0.0f;
    for (;;) {
        if (shared.terminate) {
            return false;
        }
        const AudioBuffer block = job.reader.ReadBuffer(kStreamBlockFrames);
        if (block.Empty()) {
            break;
        }
        peak = std::max(peak, PeakOf(block));
    }
    Reach(shared, 1, 1000);
    if (shared.terminate) {
        return false;
    }
    const float percent = peak > 0.0f ? job.level / peak : 0.0f;
    Reach(shared, 2, 2000);
    if (shared.terminate) {
        return false;
    }
    job.reader.Close();
    job.reader.Open(job.inputPath);
    for (;;) {
        AudioBuffer block = job.reader.ReadBuffer(kStreamBlockFrames);
        if (block.Empty()) {
            break;
        }
        if (peak > 0.0f) {
            job.transform.Fade(block, percent, percent);
        }
        job.writer.WriteBuffer(block);
    }
    return true;
}

}  // namespace

std::int64_t DefaultMaxWholeSamples() {
    std::int64_t limit = INT_MAX;
#if defined(_SC_PHYS_PAGES) && defined(_SC_PAGESIZE)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0) {
        const std::int64_t half = static_cast<std::int64_t>(pages) * pageSize / 2;
        limit = std::min<std::int64_t>(limit, half / static_cast<std::int64_t>(sizeof(float)));
    }
#endif
    return limit;
}

bool NormalizeOneFile(const NormalizeJob& job, WorkerSignals& shared) {
    shared.stage = 0;
    const std::int64_t samples =
        job.reader.Length() * static_cast<std::int64_t>(std::max(job.reader.Channels(), 1));
    if (shared.terminate) {
        return false;
    }
    const bool whole = samples <= std::min<std::int64_t>(job.maxWholeSamples, INT_MAX);
    const bool done =
        whole ? NormalizeWhole(job, shared, samples) : NormalizeStreaming(job, shared);
    if (!done) {
        return false;
    }
    Reach(shared, 3, 10000);
    return true;
}

TThreadNormalize::TThreadNormalize(NormalizeJob job, std::atomic<int>& stage,
                                   std::atomic<int>& progressValue, std::atomic<bool>& running,
                                   std::function<void(int)> show, std::function<void()> finished)
    : job_(std::move(job)),
      stage_(stage),
      progressValue_(progressValue),
      running_(running),
      show_(std::move(show)),
      finished_(std::move(finished)) {}

TThreadNormalize::~TThreadNormalize() {
    Wait();
}

void TThreadNormalize::Resume() {
    thread_ = std::thread([this] { Execute(); });
}

void TThreadNormalize::Wait() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TThreadNormalize::Execute() {
    WorkerSignals shared{stage_, progressValue_, terminate_, show_};
    try {
        if (NormalizeOneFile(job_, shared)) {
            running_ = false;
        }
    } catch (const std::exception& e) {
        error_ = ErrorText(e);
        running_ = false;
    }
    ended_ = true;
    if (finished_) {
        finished_();
    }
}
