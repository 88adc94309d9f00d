#include "engine/batch_runner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "engine/batch_start.h"
#include "engine/convert_file.h"
#include "engine/hidden_output.h"
#include "engine/loudness_gain.h"
#include "engine/main_state.h"
#include "engine/normalize_worker.h"
#include "engine/output_path.h"
#include "engine/output_target.h"
#include "formats/configure_writer.h"
#include "settings/output_names_setting.h"
#include "tags/replaygain_tags.h"
#include "tags/tag_transfer.h"

namespace {

// How often the window's wait for a normalisation worker looks at it.
constexpr int kWaitHeartbeatMs = 20;

struct RowInput {
    int row = 0;
    QString caption;
    QString path;
    AudioFileinfo tags;
    QString sourceFolder;
    // Settled before the first row: where the output goes, and what an output already there
    // under its first name means for it.
    OutputTarget target;
    ExistingAction existing = ExistingAction::Convert;
    QString firstName;
};

// Settled before the first row and read-only afterwards: job threads share it.
struct RunPlan {
    BatchWork work = BatchWork::Convert;
    BatchSetup setup;
    QString prefix;
    BlockLoopSettings loop;
    float level = 98.0f;
    std::int64_t maxWholeSamples = 0;
    LoudnessPlan loudness;  // its album gain is settled by the album's first pass
    bool replayGain = false;
    bool replayAlbum = false;
    bool AlbumFirst() const {
        return work == BatchWork::Normalize && loudness.meter && loudness.album;
    }
};

enum class WorkEnd { Complete, Stopped };
// What a row's work leaves beside its output.
struct RowExtras {
    QString note;                           // for the row's result
    std::unique_ptr<ILoudnessTrack> track;  // ReplayGain: the finished output's loudness
};
// One file's work between opening the pair and closing it; failures propagate.
using FileWork = std::function<WorkEnd(const JobParts&, const RowInput&, RowExtras&)>;

// An album's first pass over one row: its track, or the failure's text; neither for an input
// that is gone or a stop.
struct RowMeasure {
    std::unique_ptr<ILoudnessTrack> track;
    QString error;
};

// One gain for every row the album's first pass measured.
LoudnessGain AlbumGain(const LoudnessPlan& plan, const std::vector<RowMeasure>& rows) {
    std::vector<const ILoudnessTrack*> tracks;
    for (const RowMeasure& m : rows) {
        if (m.track) {
            tracks.push_back(m.track.get());
        }
    }
    if (tracks.empty()) {
        return {};
    }
    try {
        return GainForTarget(plan.meter->Album(tracks), plan.targetLufs, plan.ceilingDbtp);
    } catch (const std::exception& e) {
        // Runs where nothing may throw (the last job to end the first pass): the rows keep
        // their level and say why.
        LoudnessGain unchanged;
        unchanged.unmeasured = true;
        unchanged.note = ErrorText(e);
        return unchanged;
    }
}

void Reset(IAudioFile2& component) {
    try {
        component.SetEnabled(false);
        component.SetEnabled(true);
    } catch (const std::exception&) {
        // Nothing more can be done; the next use reports the component's state.
    }
}

// Both components let go of the row's files. A writer that could not close is reset, and
// returns true: it has lost its configuration.
bool LetGo(const JobParts& job) {
    try {
        job.reader.Close();
    } catch (const std::exception&) {
        Reset(job.reader);
    }
    try {
        job.writer.Close();
    } catch (const std::exception&) {
        Reset(job.writer);
        return true;
    }
    return false;
}

// An album's first pass over one row, measured as the job's writer would write it: a mono input
// written as stereo is 3 LU louder. The writer creates a hidden output for its channel mix and
// rate and is let go of it unwritten; writerReset says when it lost its configuration.
RowMeasure MeasureRow(const JobParts& job, const ILoudnessMeter& meter, const RowInput& in,
                      const QString& extension, const std::function<bool()>& keepGoing,
                      const std::function<void(int)>& progress, bool& writerReset) {
    RowMeasure m;
    if (!QFileInfo::exists(in.path)) {
        return m;
    }
    const QString hidden = NewHiddenOutputPath(in.target.dir, extension);
    try {
        if (!QDir().mkpath(in.target.dir)) {
            throw ComponentError(QStringLiteral("Cannot create the folder %1").arg(in.target.dir));
        }
        OpenFilePair(job.reader, job.writer, in.path, hidden);
        m.track = MeasureOpenInput(job.reader, meter, &job.writer, false, keepGoing, progress);
    } catch (const std::exception& e) {
        m.error = MessageNamingFile(ErrorText(e).replace(hidden, in.path), in.path);
        m.track.reset();
    }
    writerReset = LetGo(job) || writerReset;
    QFile::remove(hidden);
    return m;
}

// The name the row's output will get: the existing output it replaces when that is still free
// among this batch's rows, else the rule's next free name. Empty for a row that is not converted.
QString PromiseRowName(const RunPlan& plan, const RowInput& in) {
    if (in.existing == ExistingAction::Skip) {
        return {};
    }
    if (in.existing == ExistingAction::Replace && PromiseExactOutputName(in.firstName)) {
        return in.firstName;
    }
    return PromiseOutputName(in.target.dir, in.target.caption, in.path, plan.setup.extension,
                             plan.prefix);
}

// A row's life on the thread that owns `job`. No host call is made here.
FileResult RunRow(const JobParts& job, const RunPlan& plan, const RowInput& in,
                  const FileWork& work, RowExtras& extras, bool& writerReset,
                  QString promised = {}) {
    QElapsedTimer clock;
    clock.start();
    FileResult r;
    r.row = in.row;
    if (in.existing == ExistingAction::Skip) {
        // Nothing is opened or decoded: a re-run over a converted library costs a look per file.
        r.state = RowState::Exists;
        r.output = in.firstName;
        return r;
    }
    if (promised.isEmpty()) {
        promised = PromiseRowName(plan, in);
    }
    const bool replacing = in.existing == ExistingAction::Replace && promised == in.firstName;
    struct Promise {
        const QString& name;
        ~Promise() { ReleaseOutputName(name); }
    } const keep{promised};
    if (!QFileInfo::exists(in.path)) {
        r.state = RowState::Removed;
        return r;
    }
    const QString& dir = in.target.dir;
    // Beside its final name, so that naming it is a rename within one file system.
    const QString hidden = NewHiddenOutputPath(dir, plan.setup.extension);
    try {
        if (!QDir().mkpath(dir)) {
            throw ComponentError(QStringLiteral("Cannot create the folder %1").arg(dir));
        }
        OpenFilePair(job.reader, job.writer, in.path, hidden);
        if (work(job, in, extras) == WorkEnd::Complete) {
            job.reader.Close();
            job.writer.Close();
            TransferTagsGuarded(hidden, in.tags,
                                TagSource{in.path, plan.work == BatchWork::Normalize});
            // After the transfer: values carried from the input describe other audio.
            if (plan.replayGain && !HoldsReplayGainTags(hidden)) {
                extras.note = QStringLiteral("No ReplayGain values: %1 files hold no tags")
                                  .arg(QFileInfo(hidden).suffix().toUpper());
            } else if (plan.replayGain) {
                // Measured on the finished file, as players decode it: encoders move loudness
                // by tenths of a dB.
                job.reader.Open(hidden);
                extras.track = MeasureOpenInput(job.reader, *plan.loudness.meter, nullptr, false,
                                                [] { return true; });
                job.reader.Close();
                if (extras.track) {
                    const LoudnessMeasure m = extras.track->Measure();
                    WriteReplayGainTags(hidden, {ReplayGainText(m), ReplayPeakText(m), {}, {}});
                } else {
                    extras.note = QStringLiteral("No ReplayGain values: the output holds no audio");
                }
            }
            r.note = extras.note;
            r.output = replacing ? ReplaceWithFinishedOutput(hidden, promised, in.path, dir,
                                                             in.target.caption,
                                                             plan.setup.extension, plan.prefix)
                                 : NameFinishedOutput(hidden, promised, dir, in.target.caption,
                                                      in.path, plan.setup.extension, plan.prefix);
            r.state = RowState::Finished;
        } else {
            r.state = RowState::Stopped;
        }
    } catch (const std::exception& e) {
        r.state = RowState::Failed;
        // The hidden name means nothing to the user: the message names the file as it would
        // have been called.
        r.reason = MessageNamingFile(ErrorText(e).replace(hidden, promised), in.path);
    }
    if (r.state != RowState::Finished) {
        writerReset = LetGo(job) || writerReset;
        QFile::remove(hidden);
    }
    r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    return r;
}

// The row's status and result, on the host's thread.
void Report(BatchHost& host, const RowInput& in, const FileResult& r, BatchSummary& summary) {
    switch (r.state) {
        case RowState::Finished:
            host.SetRowState(r.row, RowState::Finished);
            ++summary.finished;
            break;
        case RowState::Stopped:
            host.SetRowState(r.row, RowState::Stopped);
            ++summary.stopped;
            break;
        case RowState::Failed:
            host.SetRowState(r.row, RowState::Failed);
            ++summary.failed;
            summary.failures << r.reason;
            break;
        case RowState::Removed:
            host.ShowInformation(in.path + QStringLiteral(" has been removed."));
            ++summary.removed;
            break;
        case RowState::NotReached:
            ++summary.skipped;
            break;
        case RowState::Exists:
            host.SetRowState(r.row, RowState::Exists);
            ++summary.existing;
            break;
        default:
            break;  // not an end state: never reported
    }
    host.FileDone(r);
}

// Overall progress weighted by each row's duration (equal weights when none is known), and the
// time left from the audio processed so far.
class ProgressTracker {
  public:
    explicit ProgressTracker(const std::vector<RowInput>& rows) {
        bool known = false;
        for (const RowInput& in : rows) {
            known |= in.tags.DurationMs > 0;
        }
        for (const RowInput& in : rows) {
            weights_.push_back(known ? std::max<double>(in.tags.DurationMs, 1.0) : 1.0);
            total_ += weights_.back();
        }
        progress_.assign(rows.size(), 0);
        clock_.start();
    }
    void SetRow(int row, int value) { progress_[static_cast<std::size_t>(row)] = value; }
    void EndRow(int row) {
        SetRow(row, 10000);
        ++done_;
    }
    BatchProgress Now() const {
        double processed = 0;
        for (std::size_t i = 0; i < weights_.size(); ++i) {
            processed += weights_[i] * progress_[i] / 10000.0;
        }
        BatchProgress p;
        p.done = done_;
        p.total = static_cast<int>(weights_.size());
        p.value = total_ > 0 ? static_cast<int>(std::lround(10000.0 * processed / total_)) : 0;
        const double elapsed = static_cast<double>(clock_.elapsed()) / 1000.0;
        // Too early a guess swings wildly; wait for a second of work and a little progress.
        if (elapsed >= 1.0 && processed > 0 && p.value >= 50) {
            p.secondsLeft = elapsed * (total_ - processed) / processed;
        }
        return p;
    }

  private:
    std::vector<double> weights_;
    std::vector<int> progress_;
    double total_ = 0;
    int done_ = 0;
    QElapsedTimer clock_;
};

RowInput ReadRow(BatchHost& host, int row) {
    const ListRow r = host.RowAt(row);
    RowInput in;
    in.row = row;
    in.caption = r.caption;
    in.path = r.path;
    in.tags = r.record;
    in.sourceFolder = r.sourceFolder;
    return in;
}

// Configures a job's writer as the batch's first writer was, from the same settings.
using Configure = std::function<void(const JobParts&)>;

// ---- One file at a time on the calling thread ----

FileWork BlockLoopOnThisThread(BatchHost& host, const MainState& state, const RunPlan& plan,
                               ProgressTracker& tracker) {
    return [&host, &state, &plan, &tracker](const JobParts& job, const RowInput& in, RowExtras&) {
        int shown = -1;
        const BlockLoopHooks hooks{[&host] { host.PumpMessages(); },
                                   [&host, &tracker, &in, &shown](int value) {
                                       host.ShowProgress(value);
                                       // The rest moves in visible steps only: a block is
                                       // a few milliseconds of work.
                                       if (value / 100 == shown / 100) {
                                           return;
                                       }
                                       shown = value;
                                       host.ShowRowProgress(in.row, value);
                                       tracker.SetRow(in.row, value);
                                       host.ShowBatchProgress(tracker.Now());
                                   }};
        return RunBlockLoop(job.reader, job.writer, job.transform, plan.loop, state.Converting,
                            hooks)
                   ? WorkEnd::Complete
                   : WorkEnd::Stopped;
    };
}

// The file's audio work on its own worker thread while this thread waits, pumping messages;
// the reader and writer are touched again only once the worker has left them. The worker's
// progress points are shown here, in order, as the wait wakes: nothing crosses threads but
// atomics.
FileWork NormalizeOnWorker(BatchHost& host, MainState& state, const RunPlan& plan,
                           const LoudnessPlan& loudness, const std::vector<RowMeasure>& album) {
    return [&host, &state, &plan, &loudness, &album](const JobParts& job, const RowInput& in,
                                                     RowExtras& extras) {
        if (plan.AlbumFirst() && !album[static_cast<std::size_t>(in.row)].error.isEmpty()) {
            throw ComponentError(album[static_cast<std::size_t>(in.row)].error);
        }
        struct Cleanup {
            MainState& state;
            BatchHost& host;
            ~Cleanup() { host.SetPacingTimer(false); }
        };
        // The worker's points (10 %, 20 %, 100 %) follow from its stage, which it publishes.
        static constexpr int kStagePoints[] = {0, 1000, 2000, 10000};
        int shownStage = 0;
        auto showPoints = [&] {
            const int stage = std::clamp(state.WorkerStage.load(), 0, 3);
            for (; shownStage < stage; ++shownStage) {
                host.ShowProgress(kStagePoints[shownStage + 1]);
            }
        };
        state.WorkerRunning = true;
        host.SetPacingTimer(true);
        TThreadNormalize worker(
            NormalizeJob{job.reader, job.writer, job.transform, in.path, plan.level,
                         plan.maxWholeSamples, &loudness, &extras.note},
            state.WorkerStage, state.ProgressValue, state.WorkerRunning, state.Converting);
        const Cleanup cleanup{state, host};
        worker.Resume();
        // Wakes the wait often enough that the worker's end and points show at once.
        QTimer heartbeat;
        heartbeat.start(kWaitHeartbeatMs);
        while (state.WorkerRunning || !worker.Ended()) {
            host.WaitForMessages();
            showPoints();
        }
        worker.Wait();
        showPoints();
        if (!worker.Error().isEmpty()) {
            throw ComponentError(worker.Error());
        }
        return worker.Written() ? WorkEnd::Complete : WorkEnd::Stopped;
    };
}

// ReplayGain's album values, once every row is written: the finished outputs of the batch are
// one album. A failure is added to the batch's failures; the file keeps its track values.
void WriteAlbumReplayGain(const RunPlan& plan,
                          const std::vector<std::unique_ptr<ILoudnessTrack>>& written,
                          const std::vector<QString>& outputs, BatchSummary& summary) {
    if (!plan.replayGain || !plan.replayAlbum || !plan.loudness.meter) {
        return;
    }
    std::vector<const ILoudnessTrack*> tracks;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] && !outputs[i].isEmpty()) {
            tracks.push_back(written[i].get());
        }
    }
    if (tracks.empty()) {
        return;
    }
    try {
        const LoudnessMeasure album = plan.loudness.meter->Album(tracks);
        const ReplayGainTags values{{}, {}, ReplayGainText(album), ReplayPeakText(album)};
        for (std::size_t i = 0; i < written.size(); ++i) {
            if (written[i] && !outputs[i].isEmpty()) {
                try {
                    ReplaceWithReplayGainTags(outputs[i], values);
                } catch (const std::exception& e) {
                    summary.failures << ErrorText(e);
                }
            }
        }
    } catch (const std::exception& e) {
        summary.failures << ErrorText(e);
    }
}

void RunOnThisThread(BatchParts& parts, BatchHost& host, const RunPlan& plan,
                     const std::vector<RowInput>& rows, const Configure& configure,
                     BatchSummary& summary) {
    MainState& state = parts.state;
    const JobParts job{parts.reader, parts.writer, parts.encoder, parts.transform};
    ProgressTracker tracker(rows);
    LoudnessPlan loudness = plan.loudness;
    std::vector<RowMeasure> album(rows.size());
    bool measureReset = false;
    if (plan.AlbumFirst()) {
        // The album's first pass: every row measured before any is written, pumping between
        // blocks so Stop is heard.
        const auto keepGoing = [&host, &state] {
            host.PumpMessages();
            return state.Converting.load();
        };
        for (const RowInput& in : rows) {
            if (!keepGoing()) {
                break;
            }
            host.SetRowState(in.row, RowState::Measuring);
            album[static_cast<std::size_t>(in.row)] = MeasureRow(
                job, *loudness.meter, in, plan.setup.extension, keepGoing,
                [&host, &in](int value) { host.ShowRowProgress(in.row, value); }, measureReset);
            host.SetRowState(in.row, RowState::Waiting);
        }
        loudness.albumGain = AlbumGain(loudness, album);
    }
    const FileWork work = plan.work == BatchWork::Convert
                              ? BlockLoopOnThisThread(host, state, plan, tracker)
                              : NormalizeOnWorker(host, state, plan, loudness, album);
    std::vector<std::unique_ptr<ILoudnessTrack>> written(rows.size());
    std::vector<QString> outputs(rows.size());
    bool writerReset = measureReset;
    const int count = static_cast<int>(rows.size());
    for (int row = 0; row < count; ++row) {
        state.ProgressValue = 0;
        host.PumpMessages();
        if (!state.Converting) {
            for (; row < count; ++row) {
                Report(host, rows[static_cast<std::size_t>(row)],
                       {row, RowState::NotReached, {}, {}, 0}, summary);
            }
            break;
        }
        host.ShowProgress(0);
        host.ShowBatchProgress(tracker.Now());
        const RowInput& in = rows[static_cast<std::size_t>(row)];
        FileResult r;
        try {
            if (writerReset) {
                configure(job);
                writerReset = false;
            }
            if (in.existing != ExistingAction::Skip && QFileInfo::exists(in.path)) {
                host.SetRowState(row, RowState::Converting);
            }
            RowExtras extras;
            r = RunRow(job, plan, in, work, extras, writerReset);
            written[static_cast<std::size_t>(row)] = std::move(extras.track);
        } catch (const std::exception& e) {
            r = {row, RowState::Failed, {}, MessageNamingFile(ErrorText(e), in.path), 0};
        }
        if (r.state == RowState::Finished) {
            outputs[static_cast<std::size_t>(row)] = r.output;
        }
        state.WorkerStage = 0;
        state.ProgressValue = 0;
        host.ShowProgress(0);
        tracker.EndRow(row);
        Report(host, in, r, summary);
        host.ShowBatchProgress(tracker.Now());
    }
    WriteAlbumReplayGain(plan, written, outputs, summary);
}

// ---- Several files at once, one thread per job ----

// What the job threads and the host's thread share. Row inputs and the plan are read-only once
// the threads run; progress and flags are atomics; results go through the mutex.
struct Shared {
    Shared(RunPlan p, MainState& s, std::vector<RowInput> r)
        : plan(std::move(p)),
          state(s),
          rows(std::move(r)),
          started(rows.size()),
          measured(rows.size()),
          progress(rows.size()),
          results(rows.size()),
          loudness(plan.loudness),
          album(rows.size()),
          written(rows.size()) {}

    const RunPlan plan;
    MainState& state;  // only Converting is read off the host's thread
    const std::vector<RowInput> rows;
    std::atomic<bool> terminate{false};  // the workers' view of a stop
    std::mutex nextMutex;
    int next = 0;  // the next row to take, under nextMutex
    std::vector<std::atomic<bool>> started;
    std::vector<std::atomic<bool>> measured;  // in the album's first pass now
    std::vector<std::atomic<int>> progress;   // per row, 0..10000, of the pass the row is in

    std::mutex mutex;
    std::vector<std::optional<FileResult>> results;
    int running = 0;
    std::mutex configureMutex;

    // The album's first pass: each row's measure is written by the job that measured it; the
    // last job to end the pass settles loudness.albumGain and wakes the others.
    LoudnessPlan loudness;
    std::vector<RowMeasure> album;
    int nextMeasure = 0;  // under nextMutex
    std::mutex measuredMutex;
    std::condition_variable measuredWake;
    int measuring = 0;  // jobs still in the first pass, under measuredMutex
    // What each finished conversion wrote, for ReplayGain's album values; read after the join.
    std::vector<std::unique_ptr<ILoudnessTrack>> written;
};

FileWork WorkOnJob(Shared& shared) {
    return [&shared](const JobParts& job, const RowInput& in, RowExtras& extras) {
        const auto i = static_cast<std::size_t>(in.row);
        std::atomic<int>& progress = shared.progress[i];
        bool complete = false;
        if (shared.plan.work == BatchWork::Normalize) {
            if (shared.plan.AlbumFirst() && !shared.album[i].error.isEmpty()) {
                throw ComponentError(shared.album[i].error);
            }
            std::atomic<int> stage{0};
            WorkerSignals points{stage, progress, shared.state.Converting};
            complete = NormalizeOneFile(
                NormalizeJob{job.reader, job.writer, job.transform, in.path, shared.plan.level,
                             shared.plan.maxWholeSamples, &shared.loudness, &extras.note},
                points);
        } else {
            complete = RunBlockLoop(job.reader, job.writer, job.transform, shared.plan.loop,
                                    shared.state.Converting,
                                    BlockLoopHooks{[] {}, [&progress](int v) { progress = v; }});
        }
        return complete ? WorkEnd::Complete : WorkEnd::Stopped;
    };
}

}  // namespace

// The batch on job threads. Everything that reaches the host happens on the host's thread, from
// a timer's ticks there: each collects the rows the jobs ended, shows progress and hears a stop.
// The jobs only write results under the mutex; nothing waits on the host's thread.
class JobsBatchRun : public BatchRun {
  public:
    JobsBatchRun(BatchParts first, BatchHost& host, RunPlan plan, std::vector<RowInput> rows,
                 std::vector<JobParts> jobs, std::shared_ptr<const SettingsFile> settings,
                 std::function<void()> ended)
        : first_(std::move(first)),
          host_(host),
          shared_(std::move(plan), first_.state, std::move(rows)),
          jobs_(std::move(jobs)),
          settings_(std::move(settings)),
          ended_(std::move(ended)),
          tracker_(shared_.rows),
          shownRunning_(shared_.rows.size(), false),
          shownMeasuring_(shared_.rows.size(), false) {
        summary_.normalize = shared_.plan.work == BatchWork::Normalize;
    }
    ~JobsBatchRun() override {
        // Only a program closing mid-batch gets here early: the jobs stop at their next check.
        shared_.terminate = true;
        first_.state.Converting = false;
        for (std::thread& t : threads_) {
            t.join();
        }
    }

    void Start() {
        const int format = first_.state.appSettings.OutputFormat;
        const QString commandLine = first_.commandLine;
        auto settings = settings_;
        configure_ = [settings, format, commandLine](const JobParts& job) {
            ConfigureWriter(format, *settings, commandLine, job.encoder, job.writer);
        };
        // Every further job's writer gets the batch's configuration, from this thread.
        try {
            for (std::size_t j = 1; j < jobs_.size(); ++j) {
                configure_(jobs_[j]);
            }
        } catch (const std::exception& e) {
            host_.ShowError(ErrorText(e));
            for (std::size_t row = 0; row < shared_.rows.size(); ++row) {
                shared_.results[row] =
                    FileResult{static_cast<int>(row), RowState::NotReached, {}, {}, 0};
            }
        }
        if (!shared_.results.empty() && shared_.results[0]) {
            Finish();
            return;
        }
        // As one at a time: a stop already asked for starts no row.
        host_.PumpMessages();
        QObject::connect(&tick_, &QTimer::timeout, &events_, [this] { Collect(); });
        tick_.start(kTickMs);
        shared_.running = static_cast<int>(jobs_.size());
        shared_.measuring = static_cast<int>(jobs_.size());
        for (const JobParts& job : jobs_) {
            threads_.emplace_back([this, &job] { JobLoop(job); });
        }
    }
    bool Ended() const override { return done_; }

  private:
    static constexpr int kTickMs = 250;

    // The album's first pass on this job: rows taken in turn, then a wait for the other jobs.
    void MeasureAlbum(const JobParts& job, bool& writerReset) {
        const int count = static_cast<int>(shared_.rows.size());
        const auto keepGoing = [this] { return !shared_.terminate && shared_.state.Converting; };
        while (keepGoing()) {
            int row = 0;
            {
                const std::lock_guard<std::mutex> lock(shared_.nextMutex);
                row = shared_.nextMeasure++;
            }
            if (row >= count) {
                break;
            }
            const auto i = static_cast<std::size_t>(row);
            shared_.album[i] = MeasureRow(
                job, *shared_.loudness.meter, shared_.rows[i], shared_.plan.setup.extension,
                keepGoing, [](int) {}, writerReset);
        }
        std::unique_lock<std::mutex> lock(shared_.measuredMutex);
        if (--shared_.measuring == 0) {
            shared_.loudness.albumGain = AlbumGain(shared_.loudness, shared_.album);
            shared_.measuredWake.notify_all();
        } else {
            shared_.measuredWake.wait(lock, [this] { return shared_.measuring == 0; });
        }
    }

    void JobLoop(const JobParts& job) {
        const FileWork work = WorkOnJob(shared_);
        const int count = static_cast<int>(shared_.rows.size());
        bool writerReset = false;
        if (shared_.plan.AlbumFirst()) {
            MeasureAlbum(job, writerReset);
        }
        for (;;) {
            if (shared_.terminate || !shared_.state.Converting) {
                break;
            }
            // Rows are taken, and their names promised, in row order: the outputs are named as
            // one file at a time would name them, whichever job finishes first.
            int row = 0;
            QString promised;
            {
                const std::lock_guard<std::mutex> lock(shared_.nextMutex);
                row = shared_.next++;
                if (row < count) {
                    promised =
                        PromiseRowName(shared_.plan, shared_.rows[static_cast<std::size_t>(row)]);
                }
            }
            if (row >= count) {
                break;
            }
            shared_.started[static_cast<std::size_t>(row)] = true;
            const RowInput& in = shared_.rows[static_cast<std::size_t>(row)];
            FileResult r;
            try {
                if (writerReset) {
                    const std::lock_guard<std::mutex> lock(shared_.configureMutex);
                    configure_(job);
                    writerReset = false;
                }
                RowExtras extras;
                r = RunRow(job, shared_.plan, in, work, extras, writerReset, promised);
                shared_.written[static_cast<std::size_t>(row)] = std::move(extras.track);
            } catch (const std::exception& e) {
                ReleaseOutputName(promised);  // RunRow was not reached
                r = {row, RowState::Failed, {}, MessageNamingFile(ErrorText(e), in.path), 0};
            }
            const std::lock_guard<std::mutex> lock(shared_.mutex);
            shared_.results[static_cast<std::size_t>(row)] = std::move(r);
        }
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        --shared_.running;
    }

    // On the host's thread: hears a stop, reports ended rows in row order, shows progress.
    void Collect() {
        if (done_) {
            return;
        }
        if (!shared_.state.Converting) {
            shared_.terminate = true;
        }
        std::vector<FileResult> ready;
        std::vector<bool> ended(shared_.rows.size(), false);
        bool finished = false;
        {
            const std::lock_guard<std::mutex> lock(shared_.mutex);
            while (reported_ < Count() && shared_.results[static_cast<std::size_t>(reported_)]) {
                ready.push_back(*shared_.results[static_cast<std::size_t>(reported_)]);
                ++reported_;
            }
            for (std::size_t i = static_cast<std::size_t>(reported_); i < ended.size(); ++i) {
                ended[i] = shared_.results[i].has_value();
            }
            finished = shared_.running == 0;
        }
        for (int row = reported_; row < Count(); ++row) {
            const auto i = static_cast<std::size_t>(row);
            // The album's first pass: its rows show "Measuring" with their progress, and go
            // back to waiting when measured.
            if (!shared_.started[i] && shared_.measured[i] != shownMeasuring_[i]) {
                shownMeasuring_[i] = shared_.measured[i];
                host_.SetRowState(row,
                                  shownMeasuring_[i] ? RowState::Measuring : RowState::Waiting);
                host_.ShowRowProgress(row, 0);
            }
            if (shownMeasuring_[i] && !shared_.started[i]) {
                host_.ShowRowProgress(row, shared_.progress[i]);
            }
            if (shared_.started[i] && !shownRunning_[i]) {
                shownRunning_[i] = true;
                host_.SetRowState(row, RowState::Converting);
            }
            if (shownRunning_[i] && !ended[i]) {
                const int value = shared_.progress[i];
                tracker_.SetRow(row, value);
                host_.ShowRowProgress(row, value);
            }
        }
        for (const FileResult& r : ready) {
            // A row that ended between two ticks was written all the same.
            if (r.state == RowState::Finished || r.state == RowState::Stopped) {
                host_.SetRowState(r.row, RowState::Converting);
            }
            tracker_.EndRow(r.row);
            Report(host_, shared_.rows[static_cast<std::size_t>(r.row)], r, summary_);
        }
        const BatchProgress progress = tracker_.Now();
        host_.ShowProgress(progress.value);
        host_.ShowBatchProgress(progress);
        if (finished) {
            Finish();
        }
    }

    void Finish() {
        tick_.stop();
        for (std::thread& t : threads_) {
            t.join();
        }
        threads_.clear();
        // Every row a job started has its result; the others were never reached.
        for (; reported_ < Count(); ++reported_) {
            const auto i = static_cast<std::size_t>(reported_);
            const FileResult r = shared_.results[i]
                                     ? *shared_.results[i]
                                     : FileResult{reported_, RowState::NotReached, {}, {}, 0};
            Report(host_, shared_.rows[i], r, summary_);
        }
        std::vector<QString> outputs(shared_.rows.size());
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            if (shared_.results[i] && shared_.results[i]->state == RowState::Finished) {
                outputs[i] = shared_.results[i]->output;
            }
        }
        WriteAlbumReplayGain(shared_.plan, shared_.written, outputs, summary_);
        done_ = true;
        EndBatch(first_, host_);
        first_.state.BatchActive = false;
        host_.BatchEnded(summary_);
        if (ended_) {
            ended_();
        }
    }

    int Count() const { return static_cast<int>(shared_.rows.size()); }

    BatchParts first_;
    BatchHost& host_;
    Shared shared_;
    const std::vector<JobParts> jobs_;
    std::shared_ptr<const SettingsFile> settings_;
    std::function<void()> ended_;
    Configure configure_;
    ProgressTracker tracker_;
    std::vector<bool> shownRunning_;
    std::vector<bool> shownMeasuring_;
    BatchSummary summary_;
    int reported_ = 0;
    bool done_ = false;
    QObject events_;  // lives on the host's thread, where the ticks run
    QTimer tick_;
    std::vector<std::thread> threads_;
};

namespace {

// Every row's output folder and first name, and what an output already there means, decided
// before anything is written so that no row's decision depends on an earlier row's output.
void PlanOutputs(const MainState& state, const RunPlan& plan, std::vector<RowInput>& rows) {
    const OutputNaming naming = state.NamingOverride ? *state.NamingOverride
                                : state.settingsFile ? ReadOutputNaming(*state.settingsFile)
                                                     : ReadOutputNaming(SettingsFile());
    QSet<QString> cleaned{plan.setup.outputDir};
    for (RowInput& in : rows) {
        in.target = ResolveOutputTarget(naming, plan.setup.outputDir, in.caption, in.path,
                                        in.sourceFolder, in.tags);
        in.firstName = FirstOutputName(in.target, plan.setup.extension, plan.prefix);
        in.existing = DecideExisting(naming.existing, in.firstName, in.path);
        // What killed runs left in the sub-folders goes as it does in the output folder.
        if (!cleaned.contains(in.target.dir)) {
            cleaned.insert(in.target.dir);
            RemoveStaleOutputs(in.target.dir);
        }
    }
}

// Settles what both schedulings share: the checks and configuration of StartBatch, the plan
// and the rows. False when the batch must not run.
bool Prepare(BatchParts& first, BatchHost& host, BatchWork work, std::size_t jobCount,
             std::int64_t maxWholeSamples, RunPlan& plan, std::vector<RowInput>& rows) {
    MainState& state = first.state;
    const bool normalize = work == BatchWork::Normalize;
    plan.work = work;
    if (!StartBatch(first, host, plan.setup, normalize)) {
        return false;
    }
    const AppSettings& app = state.appSettings;
    plan.prefix = normalize ? QStringLiteral("Nor_") : QString();
    plan.loop = normalize ? BlockLoopSettings{app.OutputFormat, false, false, 0, 0}
                          : BlockLoopSettings{app.OutputFormat, app.FadeIn, app.FadeOut,
                                              app.FadeInTime, app.FadeOutTime};
    plan.level = static_cast<float>(app.NormalizeVolume);
    const LoudnessSettings& loud = app.Loudness;
    if ((normalize && loud.loudness) || (!normalize && loud.replayGain)) {
        if (!first.loudnessMeter) {
            host.ShowError(QStringLiteral("Loudness cannot be measured here"));
            EndBatch(first, host);
            return false;
        }
        plan.loudness = {
            first.loudnessMeter, static_cast<double>(loud.lufs), loud.truePeak, loud.album, {}};
        plan.replayGain = !normalize;
        plan.replayAlbum = !normalize && loud.album;
    }
    plan.maxWholeSamples = maxWholeSamples > 0 ? maxWholeSamples : DefaultMaxWholeSamples();
    if (jobCount > 1) {
        // Every job may hold one decoded file at a time.
        plan.maxWholeSamples /= static_cast<std::int64_t>(jobCount);
    }
    const int count = host.RowCount();
    for (int row = 0; row < count; ++row) {
        rows.push_back(ReadRow(host, row));
        // A fresh start: no status or reason of the last run looks like this run's result.
        host.SetRowState(row, RowState::Waiting);
    }
    PlanOutputs(state, plan, rows);
    return true;
}

}  // namespace

std::unique_ptr<BatchRun> StartBatchRun(BatchParts& parts, BatchHost& host, BatchWork work,
                                        std::vector<JobParts> jobs, std::function<void()> ended,
                                        std::int64_t maxWholeSamples) {
    if (jobs.empty()) {
        return nullptr;
    }
    // The first job's components are the batch's own: StartBatch configures that writer.
    BatchParts first{
        parts.state,       jobs[0].reader,    jobs[0].writer,          jobs[0].encoder,
        jobs[0].transform, parts.commandLine, parts.outputDirOverride, parts.loudnessMeter};
    RunPlan plan;
    std::vector<RowInput> rows;
    if (!Prepare(first, host, work, jobs.size(), maxWholeSamples, plan, rows)) {
        return nullptr;
    }
    parts.state.BatchActive = true;
    // Its own reading of the settings file: the window's may be let go of at a close.
    auto settings = std::make_shared<const SettingsFile>();
    auto run =
        std::make_unique<JobsBatchRun>(first, host, std::move(plan), std::move(rows),
                                       std::move(jobs), std::move(settings), std::move(ended));
    run->Start();
    return run;  // a batch that ended at once (nothing to run) reports Ended()
}

void RunBatch(BatchParts& parts, BatchHost& host, BatchWork work, const std::vector<JobParts>& jobs,
              std::int64_t maxWholeSamples) {
    if (!jobs.empty()) {
        const std::unique_ptr<BatchRun> run =
            StartBatchRun(parts, host, work, jobs, nullptr, maxWholeSamples);
        while (run && !run->Ended()) {
            host.WaitForMessages();
        }
        return;
    }
    RunPlan plan;
    std::vector<RowInput> rows;
    if (!Prepare(parts, host, work, 0, maxWholeSamples, plan, rows)) {
        return;
    }
    MainState& state = parts.state;
    struct Active {
        MainState& state;
        explicit Active(MainState& s) : state(s) { state.BatchActive = true; }
        ~Active() { state.BatchActive = false; }
    } active(state);

    const SettingsFile fallback;
    const SettingsFile& settings = state.settingsFile ? *state.settingsFile : fallback;
    const int format = state.appSettings.OutputFormat;
    const QString commandLine = parts.commandLine;
    const Configure configure = [&settings, format, commandLine](const JobParts& job) {
        ConfigureWriter(format, settings, commandLine, job.encoder, job.writer);
    };
    BatchSummary summary;
    summary.normalize = work == BatchWork::Normalize;
    RunOnThisThread(parts, host, plan, rows, configure, summary);
    EndBatch(parts, host);
    state.BatchActive = false;
    host.BatchEnded(summary);
}

BatchRun::~BatchRun() = default;
