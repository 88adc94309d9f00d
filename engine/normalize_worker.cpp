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
#include "engine/convert_file.h"

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

bool Loudness(const NormalizeJob& job) {
    return job.loudness && job.loudness->meter;
}

// The constant gain, as the transform's percentage, of a loudness measure.
float LoudnessPercent(const NormalizeJob& job, const LoudnessGain& gain) {
    if (job.note) {
        *job.note = gain.note;
    }
    return static_cast<float>(100.0 * FromDecibels(gain.decibels));
}

float MeasuredPercent(const NormalizeJob& job, const LoudnessMeasure& measure) {
    return LoudnessPercent(
        job, GainForTarget(measure, job.loudness->targetLufs, job.loudness->ceilingDbtp));
}

// The normalised buffer to the writer in blocks: encoding a whole file takes long, and a stop
// must not wait for it. False when stopped.
bool WriteInBlocks(const NormalizeJob& job, WorkerSignals& shared, const AudioBuffer& buffer) {
    const std::vector<float>& samples = buffer.Samples();
    const std::size_t step =
        static_cast<std::size_t>(kStreamBlockFrames) * static_cast<std::size_t>(buffer.Channels());
    for (std::size_t at = 0; at < samples.size(); at += step) {
        if (!shared.GoOn()) {
            return false;
        }
        const auto from = samples.begin() + static_cast<std::ptrdiff_t>(at);
        const auto to =
            samples.begin() + static_cast<std::ptrdiff_t>(std::min(samples.size(), at + step));
        AudioBuffer block(std::vector<float>(from, to), buffer.Channels());
        job.writer.WriteBuffer(block);
    }
    return true;
}

bool NormalizeWhole(const NormalizeJob& job, WorkerSignals& shared, std::int64_t samples) {
    // One request for the whole file; it counts samples, not frames, so it always covers it.
    AudioBuffer buffer = job.reader.ReadBuffer(static_cast<int>(samples));
    Reach(shared, 1, 1000);
    if (!shared.GoOn()) {
        return false;
    }
    if (Loudness(job)) {
        WrittenLoudness measure(*job.loudness->meter, &job.writer, job.reader.PcmSampleRate());
        measure.Add(buffer, true);
        const auto track = measure.Take();
        const float percent = track ? MeasuredPercent(job, track->Measure()) : 0.0f;
        job.transform.Fade(buffer, percent, percent);
    } else {
        const float level =
            LevelForOutput(job, PeakOf(buffer), job.writer.OutputPeak(buffer, true));
        job.transform.Normalize(buffer, level, -1);
    }
    Reach(shared, 2, 2000);
    return WriteInBlocks(job, shared, buffer);
}

// Two passes for a file too big for one buffer: find the peak, then reopen the input and write it
// scaled by the gain the whole-buffer normalisation would apply (a constant fade).
// The first pass of a streamed file: the gain, as a percentage; 0 for a file that stays as it is.
// False when terminated.
bool StreamedPercent(const NormalizeJob& job, WorkerSignals& shared, float& percent) {
    if (Loudness(job)) {
        const auto track = MeasureOpenInput(job.reader, *job.loudness->meter, &job.writer, false,
                                            [&shared] { return shared.GoOn(); });
        if (!track) {
            return false;
        }
        percent = MeasuredPercent(job, track->Measure());
        return true;
    }
    float peak = 0.0f;
    for (;;) {
        if (!shared.GoOn()) {
            return false;
        }
        const AudioBuffer block = job.reader.ReadBuffer(kStreamBlockFrames);
        if (block.Empty()) {
            break;
        }
        peak = std::max(peak, job.writer.OutputPeak(block, false));
    }
    peak = std::max(peak, job.writer.OutputPeak(AudioBuffer({}, job.reader.Channels()), true));
    percent = peak > 0.0f ? job.level / peak : 0.0f;
    return true;
}

// Writes the open input scaled by percent (0: unchanged), the stop heard between blocks. False
// when stopped.
bool WriteScaled(const NormalizeJob& job, WorkerSignals& shared, float percent) {
    for (;;) {
        if (!shared.GoOn()) {
            return false;
        }
        AudioBuffer block = job.reader.ReadBuffer(kStreamBlockFrames);
        if (block.Empty()) {
            break;
        }
        if (percent > 0.0f) {
            job.transform.Fade(block, percent, percent);
        }
        job.writer.WriteBuffer(block);
    }
    return true;
}

bool NormalizeStreaming(const NormalizeJob& job, WorkerSignals& shared) {
    float percent = 0.0f;
    if (!StreamedPercent(job, shared, percent)) {
        return false;
    }
    Reach(shared, 1, 1000);
    if (!shared.GoOn()) {
        return false;
    }
    Reach(shared, 2, 2000);
    if (!shared.GoOn()) {
        return false;
    }
    OpenInput(job.reader, job.inputPath, job.range);
    return WriteScaled(job, shared, percent);
}

// An album's row: its gain is known, so one pass writes it.
bool NormalizeAlbumRow(const NormalizeJob& job, WorkerSignals& shared) {
    Reach(shared, 1, 1000);
    const float percent = LoudnessPercent(job, job.loudness->AlbumGainFor(job.inputPath));
    Reach(shared, 2, 2000);
    return WriteScaled(job, shared, percent);
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
    if (!shared.GoOn()) {
        return false;
    }
    const bool whole = samples <= std::min<std::int64_t>(job.maxWholeSamples, INT_MAX);
    const bool done = Loudness(job) && job.loudness->album ? NormalizeAlbumRow(job, shared)
                      : whole                              ? NormalizeWhole(job, shared, samples)
                                                           : NormalizeStreaming(job, shared);
    if (!done) {
        return false;
    }
    Reach(shared, 3, 10000);
    return true;
}

TThreadNormalize::TThreadNormalize(NormalizeJob job, std::atomic<int>& stage,
                                   std::atomic<int>& progressValue, std::atomic<bool>& running,
                                   const std::atomic<bool>& converting,
                                   const std::atomic<bool>* paused)
    : job_(std::move(job)),
      stage_(stage),
      progressValue_(progressValue),
      running_(running),
      converting_(converting),
      paused_(paused) {}

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
    WorkerSignals shared{stage_, progressValue_, converting_, paused_};
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
