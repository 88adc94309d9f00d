#pragma once

#include <QHash>
#include <QString>
#include <atomic>
#include <cstdint>
#include <thread>

#include "engine/batch_control.h"
#include "engine/loudness_gain.h"
#include "filelist/list_row.h"

class IAudioFile2;
class IAudioTransform2;

// Loudness normalisation instead of the peak's: each file (or, as an album, all rows together)
// brought to a loudness target with one gain, its true peak kept under a ceiling.
struct LoudnessPlan {
    const ILoudnessMeter* meter = nullptr;  // null: peak normalisation to the level
    double targetLufs = -16.0;
    double ceilingDbtp = -1.0;
    bool album = false;
    // Album mode, decided from every row before the first is written: the tracks of one cue
    // sheet are an album of their own (by their input path), the rows of no sheet another.
    LoudnessGain albumGain;
    QHash<QString, LoudnessGain> sheetGains{};
    const LoudnessGain& AlbumGainFor(const QString& inputPath) const {
        const auto found = sheetGains.constFind(inputPath);
        return found == sheetGains.cend() ? albumGain : *found;
    }
};

// One file's normalisation: the open input to the created output at `level` percent of full
// scale. The components belong to the worker while it runs.
struct NormalizeJob {
    IAudioFile2& reader;
    IAudioFile2& writer;
    IAudioTransform2& transform;
    QString inputPath;  // reopened for the second pass of a file streamed in two passes
    float level = 98.0f;
    // Files with more decoded samples than this are normalised in two streaming passes (peak
    // scan, then scale while writing) instead of one whole-file buffer.
    std::int64_t maxWholeSamples = 0;
    const LoudnessPlan* loudness = nullptr;  // null or without a meter: peak normalisation
    QString* note = nullptr;                 // the row's remark (a target not reached)
    SampleRange range{};                     // the part of the input the row stands for
};

// The values the worker shares with the window thread.
struct WorkerSignals {
    std::atomic<int>& stage;              // 0 reading, 1 read done, 2 normalised, 3 written
    std::atomic<int>& progressValue;      // the worker's points 1000, 2000, 10000
    const std::atomic<bool>& converting;  // the batch's stop request: cleared, the worker ends
    const std::atomic<bool>* paused = nullptr;  // set: the worker waits at its next check
    // The check between stages and blocks: waits out a pause; false once stopped.
    bool GoOn() const { return GoOnUnlessStopped(converting, paused); }
};

// Files up to this many decoded samples are normalised in one buffer (128 MiB of samples, about
// 6 minutes of 44.1 kHz stereo); longer ones in two streaming passes, so a normalisation never
// needs much more memory than this whatever the file's length.
constexpr std::int64_t kWholeBufferSamples = std::int64_t{32} * 1024 * 1024;

// The samples one whole-file buffer may hold here: kWholeBufferSamples, or less when the process's
// address space or its control group's memory is limited.
std::int64_t DefaultMaxWholeSamples();

// The worker body. Honours the stop request between stages and between the blocks it reads and
// writes (a stopped file is thrown away by its caller). Returns false when it was terminated;
// component failures propagate.
bool NormalizeOneFile(const NormalizeJob& job, WorkerSignals& shared);

// The normalisation worker of one file. The window thread creates it and starts it; the batch's
// stop request ends it; the window thread joins it before touching the components again.
class TThreadNormalize {
  public:
    // The window thread reads the worker's progress from stage and progressValue.
    TThreadNormalize(NormalizeJob job, std::atomic<int>& stage, std::atomic<int>& progressValue,
                     std::atomic<bool>& running, const std::atomic<bool>& converting,
                     const std::atomic<bool>* paused = nullptr);
    ~TThreadNormalize();  // joins
    TThreadNormalize(const TThreadNormalize&) = delete;
    TThreadNormalize& operator=(const TThreadNormalize&) = delete;

    void Resume();
    // The body has returned; the components are free again once Wait() has returned.
    bool Ended() const { return ended_; }
    void Wait();
    // The failure that ended the body, empty when none (read after Wait()).
    const QString& Error() const { return error_; }
    // The body wrote the whole file (read after Wait()); false after a termination or a failure.
    bool Written() const { return written_; }

  private:
    void Execute();

    NormalizeJob job_;
    std::atomic<int>& stage_;
    std::atomic<int>& progressValue_;
    std::atomic<bool>& running_;
    const std::atomic<bool>& converting_;  // the batch's one stop request
    const std::atomic<bool>* paused_;
    std::atomic<bool> ended_{false};
    bool written_ = false;
    QString error_;
    std::thread thread_;
};
