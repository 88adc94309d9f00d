#include "engine/normalize_worker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QFile>

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
}

// The level to ask of the transform so that the samples the writer produces (after its channel
// mix and resampling) peak at job.level: the transform scales by the block's own peak.
float LevelForOutput(const NormalizeJob& job, float inputPeak, float outputPeak) {
    if (inputPeak <= 0.0f || outputPeak <= 0.0f || inputPeak == outputPeak) {
        return job.level;
    }
    return static_cast<float>(static_cast<double>(job.level) * inputPeak / outputPeak);
}

bool NormalizeWhole(const NormalizeJob& job, WorkerSignals& shared, std::int64_t samples) {
    // The request counts samples, not frames, so it always covers the file.
    AudioBuffer buffer = job.reader.ReadBuffer(static_cast<int>(samples));
    Reach(shared, 1, 1000);
    if (shared.terminate) {
        return false;
    }
    const float level = LevelForOutput(job, PeakOf(buffer), job.writer.OutputPeak(buffer, true));
    job.transform.Normalize(buffer, level, -1);
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
        peak = std::max(peak, job.writer.OutputPeak(block, false));
    }
    peak = std::max(peak, job.writer.OutputPeak(AudioBuffer({}, job.reader.Channels()), true));
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
    std::int64_t limit = kWholeBufferSamples;
    // A process held to less (ulimit -v, a container's memory limit) gets a quarter of that.
    rlimit as{};
    if (::getrlimit(RLIMIT_AS, &as) == 0 && as.rlim_cur != RLIM_INFINITY) {
        limit = std::min<std::int64_t>(limit,
                                       static_cast<std::int64_t>(as.rlim_cur / 4 / sizeof(float)));
    }
    for (const char* path :
         {"/sys/fs/cgroup/memory.max", "/sys/fs/cgroup/memory/memory.limit_in_bytes"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            bool ok = false;
            const qint64 bytes = file.readLine(64).trimmed().toLongLong(&ok);
            if (ok && bytes > 0) {
                limit =
                    std::min<std::int64_t>(limit, bytes / 4 / static_cast<qint64>(sizeof(float)));
            }
        }
    }
    return std::max<std::int64_t>(limit, 0);
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
                                   std::atomic<int>& progressValue, std::atomic<bool>& running)
    : job_(std::move(job)), stage_(stage), progressValue_(progressValue), running_(running) {}

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
    WorkerSignals shared{stage_, progressValue_, terminate_};
    try {
        if (NormalizeOneFile(job_, shared)) {
            written_ = true;
            running_ = false;
        }
    } catch (const std::exception& e) {
        error_ = ErrorText(e);
        running_ = false;
    }
    ended_ = true;
}
