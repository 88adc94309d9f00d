#include "engine/schedule_jobs.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "components/loudness_meter.h"
#include "engine/album_pass.h"
#include "engine/batch_report.h"
#include "engine/main_state.h"
#include "engine/row_life.h"
#include "engine/split_row.h"

namespace {

// What the job threads and the host's thread share. The plan is read-only once the threads run;
// the stop request is the control's Converting, the pause its Paused; progress is atomics; states
// and results go through the mutex, states in the order they happened.
struct Shared {
    Shared(RunPlan p, MainState& s)
        : plan(std::move(p)),
          state(s),
          progress(plan.rows.size()),
          results(plan.rows.size()),
          loudness(plan.loudness),
          album(plan.rows.size()),
          written(plan.rows.size()) {}

    const RunPlan plan;
    MainState& state;  // only Converting is read off the host's thread
    std::mutex nextMutex;
    int next = 0;         // the next row to write, under nextMutex
    int nextMeasure = 0;  // the next row of the album's first pass, under nextMutex
    std::vector<std::atomic<int>> progress;  // per row, 0..10000, of the pass the row is in

    std::mutex mutex;
    std::vector<std::pair<int, RowState>> moves;  // states not yet shown, in order
    std::vector<std::optional<FileResult>> results;
    int running = 0;

    // The album's first pass: each row's measure is written by the job that measured it; the
    // last job to end the pass settles the album gains and wakes the others.
    LoudnessPlan loudness;
    std::vector<RowMeasure> album;
    std::mutex measuredMutex;
    std::condition_variable measuredWake;
    int measuring = 0;  // jobs still in the first pass, under measuredMutex
    // What each finished conversion wrote, for ReplayGain's album values; read after the join.
    std::vector<std::unique_ptr<ILoudnessTrack>> written;
};

// A job's reports wait for the host's next tick.
class ReportFromJob : public RowReport {
  public:
    explicit ReportFromJob(Shared& shared) : shared_(shared) {}
    void State(int row, RowState s) override {
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        shared_.moves.emplace_back(row, s);
    }
    void Progress(int row, int value) override {
        shared_.progress[static_cast<std::size_t>(row)] = value;
    }
    bool KeepGoing() override {
        return GoOnUnlessStopped(shared_.state.Converting, &shared_.state.Paused);
    }

  private:
    Shared& shared_;
};

RowWork WorkOnJob(Shared& shared, RowReport& report) {
    return [&shared, &report](const JobParts& job, const RowInput& in, RowExtras& extras) {
        std::atomic<int>& progress = shared.progress[static_cast<std::size_t>(in.row)];
        progress = 0;
        bool complete = false;
        if (shared.plan.Normalize()) {
            ThrowIfUnmeasured(shared.plan, shared.album, in.row);
            std::atomic<int> stage{0};
            WorkerSignals points{stage, progress, shared.state.Converting, &shared.state.Paused};
            complete =
                NormalizeOneFile(NormalizeJob{job.reader, job.writer, job.transform, in.source.path,
                                              shared.plan.level, shared.plan.maxWholeSamples,
                                              &shared.loudness, &extras.note, in.source.range},
                                 points);
        } else {
            complete = RunBlockLoop(
                job.reader, job.writer, job.transform, shared.plan.loop, shared.state.Converting,
                BlockLoopHooks{[&report] { report.KeepGoing(); },
                               [&report, &in](int v) { report.Progress(in.row, v); }});
        }
        return complete ? WorkEnd::Complete : WorkEnd::Stopped;
    };
}

class JobsBatchRun : public BatchRun {
  public:
    JobsBatchRun(BatchParts first, BatchHost& host, RunPlan plan, std::vector<JobParts> jobs,
                 std::function<void()> ended)
        : first_(std::move(first)),
          host_(host),
          shared_(std::move(plan), first_.state),
          jobs_(std::move(jobs)),
          ended_(std::move(ended)),
          rows_(host, shared_.plan) {
        if (shared_.plan.split && jobs_.size() > 1) {
            split_ = std::make_unique<SplitRows>(shared_.plan, static_cast<int>(jobs_.size()));
        }
    }
    ~JobsBatchRun() override {
        // Only a program closing mid-batch gets here early: the jobs stop at their next check.
        first_.state.Converting = false;
        for (std::thread& t : threads_) {
            t.join();
        }
    }

    void Start() {
        // Every further job's writer gets the batch's configuration, from this thread.
        try {
            for (std::size_t j = 1; j < jobs_.size(); ++j) {
                shared_.plan.configure->Apply(jobs_[j]);
            }
        } catch (const std::exception& e) {
            host_.ShowError(ErrorText(e));
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
    // Often enough that a stopped batch ends soon after its jobs have; nothing crosses from the
    // jobs to this thread but what a tick collects.
    static constexpr int kTickMs = 100;

    // Takes the next row of a pass under the lock: -1 when none is left or a stop was asked.
    // A paused batch starts no row until it is resumed.
    int Take(int& next, QString* promised) {
        if (!GoOnUnlessStopped(shared_.state.Converting, &shared_.state.Paused)) {
            return -1;
        }
        const std::lock_guard<std::mutex> lock(shared_.nextMutex);
        if (next >= shared_.plan.Count()) {
            return -1;
        }
        const int row = next++;
        // Names are promised in row order: the outputs are named as one at a time would name
        // them, whichever job finishes first.
        if (promised) {
            const RowInput& in = shared_.plan.rows[static_cast<std::size_t>(row)];
            *promised = PromiseRowName(shared_.plan, in);
            if (split_) {
                split_->Announce(in, shared_.plan.Count() - next);
            }
        }
        return row;
    }

    // The album's first pass on this job: rows taken in turn, then a wait for the other jobs.
    void MeasureAlbum(const JobParts& job, RowReport& report, bool& writerReset) {
        for (int row = Take(shared_.nextMeasure, nullptr); row >= 0;
             row = Take(shared_.nextMeasure, nullptr)) {
            shared_.album[static_cast<std::size_t>(row)] =
                MeasureAlbumRow(job, shared_.plan, shared_.plan.rows[static_cast<std::size_t>(row)],
                                report, writerReset);
        }
        std::unique_lock<std::mutex> lock(shared_.measuredMutex);
        if (--shared_.measuring == 0) {
            SettleAlbumGains(shared_.loudness, shared_.plan, shared_.album);
            shared_.measuredWake.notify_all();
        } else {
            shared_.measuredWake.wait(lock, [this] { return shared_.measuring == 0; });
        }
    }

    void JobLoop(const JobParts& job) {
        ReportFromJob report(shared_);
        const RowWork work = WorkOnJob(shared_, report);
        bool writerReset = false;
        const RowLifeParts life{job, shared_.plan, report, work, writerReset, split_.get()};
        if (shared_.plan.AlbumFirst()) {
            MeasureAlbum(job, report, writerReset);
        }
        QString promised;
        for (int row = Take(shared_.next, &promised); row >= 0;
             row = Take(shared_.next, &promised)) {
            RowExtras extras;
            FileResult r =
                LiveRow(life, shared_.plan.rows[static_cast<std::size_t>(row)], extras, promised);
            if (split_) {
                split_->Retire(row);
            }
            shared_.written[static_cast<std::size_t>(row)] = std::move(extras.track);
            const std::lock_guard<std::mutex> lock(shared_.mutex);
            shared_.results[static_cast<std::size_t>(row)] = std::move(r);
        }
        // No row of its own left: the chunks of a long row still being encoded.
        if (split_) {
            split_->Help(job, report, writerReset);
        }
        const std::lock_guard<std::mutex> lock(shared_.mutex);
        --shared_.running;
    }

    // On the host's thread: shows the states in the order they happened and the running rows'
    // progress, reports ended rows in row order.
    void Collect() {
        if (done_) {
            return;
        }
        std::vector<std::pair<int, RowState>> moves;
        std::vector<FileResult> ready;
        bool finished = false;
        {
            const std::lock_guard<std::mutex> lock(shared_.mutex);
            moves.swap(shared_.moves);
            while (reported_ < shared_.plan.Count() &&
                   shared_.results[static_cast<std::size_t>(reported_)]) {
                ready.push_back(*shared_.results[static_cast<std::size_t>(reported_)]);
                ++reported_;
            }
            finished = shared_.running == 0;
        }
        for (const auto& [row, state] : moves) {
            rows_.Apply(row, state);
        }
        for (int row = 0; row < shared_.plan.Count(); ++row) {
            if (IsRunningState(rows_.StateOf(row))) {
                rows_.Progress(row, shared_.progress[static_cast<std::size_t>(row)]);
            }
        }
        for (const FileResult& r : ready) {
            rows_.Report(r);
        }
        const BatchProgress progress = rows_.Now();
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
        for (const auto& [row, state] : shared_.moves) {
            rows_.Apply(row, state);
        }
        shared_.moves.clear();
        for (; reported_ < shared_.plan.Count(); ++reported_) {
            const auto& result = shared_.results[static_cast<std::size_t>(reported_)];
            if (!result) {
                break;
            }
            rows_.Report(*result);
        }
        rows_.ReportNotReached(reported_);
        std::vector<QString> outputs(shared_.plan.rows.size());
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            if (shared_.results[i] && shared_.results[i]->state == RowState::Finished) {
                outputs[i] = shared_.results[i]->output;
            }
        }
        done_ = true;
        EndRun(first_, host_, shared_.plan, shared_.written, outputs, rows_.Summary());
        if (ended_) {
            ended_();
        }
    }

    BatchParts first_;
    BatchHost& host_;
    Shared shared_;
    const std::vector<JobParts> jobs_;
    std::unique_ptr<SplitRows> split_;  // declared after the plan it reads
    std::function<void()> ended_;
    HostRows rows_;
    int reported_ = 0;
    bool done_ = false;
    QObject events_;  // lives on the host's thread, where the ticks run
    QTimer tick_;
    std::vector<std::thread> threads_;
};

}  // namespace

std::unique_ptr<BatchRun> RunOnJobs(BatchParts& first, BatchHost& host, RunPlan plan,
                                    std::vector<JobParts> jobs, std::function<void()> ended) {
    first.state.BatchActive = true;
    auto run = std::make_unique<JobsBatchRun>(first, host, std::move(plan), std::move(jobs),
                                              std::move(ended));
    run->Start();
    return run;  // a batch that ended at once (nothing to run) reports Ended()
}
