#include "engine/batch_runner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "engine/batch_start.h"
#include "engine/configure_writer.h"
#include "engine/convert_file.h"
#include "engine/hidden_output.h"
#include "engine/main_state.h"
#include "engine/normalize_worker.h"
#include "engine/output_path.h"

namespace {

// Lets the window's wait notice a worker that ended even if its wake-up call was lost.
constexpr int kWaitHeartbeatMs = 200;
// How often the reporting thread looks at the jobs when nothing has finished.
constexpr auto kReportInterval = std::chrono::milliseconds(100);

struct RowInput {
    int row = 0;
    QString caption;
    QString path;
    AudioFileinfo tags;
};

// Settled before the first row and read-only afterwards: job threads share it.
struct RunPlan {
    BatchWork work = BatchWork::Convert;
    BatchSetup setup;
    QString prefix;
    BlockLoopSettings loop;
    float level = 98.0f;
    std::int64_t maxWholeSamples = 0;
};

enum class WorkEnd { Complete, Stopped };
// One file's work between opening the pair and closing it; failures propagate.
using FileWork = std::function<WorkEnd(const JobParts&, const RowInput&)>;

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

// A row's life on the thread that owns `job`. No host call is made here.
FileResult RunRow(const JobParts& job, const RunPlan& plan, const RowInput& in,
                  const FileWork& work, bool& writerReset) {
    QElapsedTimer clock;
    clock.start();
    FileResult r;
    r.row = in.row;
    if (!QFileInfo::exists(in.path)) {
        r.outcome = FileOutcome::Removed;
        return r;
    }
    const QString hidden = NewHiddenOutputPath(plan.setup.outputDir, plan.setup.extension);
    try {
        OpenFilePair(job.reader, job.writer, in.path, hidden);
        if (work(job, in) == WorkEnd::Complete) {
            job.reader.Close();
            job.writer.Close();
            TransferTagsGuarded(hidden, in.tags);
            r.output = NameFinishedOutput(hidden, plan.setup.outputDir, in.caption, in.path,
                                          plan.setup.extension, plan.prefix);
            r.outcome = FileOutcome::Finished;
        } else {
            r.outcome = FileOutcome::Stopped;
        }
    } catch (const std::exception& e) {
        r.outcome = FileOutcome::Error;
        // The hidden name means nothing to the user: the message names the file as it would
        // have been called.
        const QString planned =
            ChooseOutputName(plan.setup.outputDir, in.caption, in.path, plan.setup.extension,
                             plan.prefix, [](const QString&) { return NameClaim::Claimed; });
        r.reason = MessageNamingFile(ErrorText(e).replace(hidden, planned), in.path);
    }
    if (r.outcome != FileOutcome::Finished) {
        writerReset = LetGo(job) || writerReset;
        QFile::remove(hidden);
    }
    r.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    return r;
}

// The row's status and result, on the host's thread.
void Report(BatchHost& host, const RowInput& in, const FileResult& r, QStringList& failures) {
    switch (r.outcome) {
        case FileOutcome::Finished:
            host.SetRowStatus(r.row, QStringLiteral("finish"));
            break;
        case FileOutcome::Stopped:
            host.SetRowStatus(r.row, QStringLiteral("Stop"));
            break;
        case FileOutcome::Error:
            host.SetRowStatus(r.row, QStringLiteral("Error"));
            failures << r.reason;
            break;
        case FileOutcome::Removed:
            host.ShowInformation(in.path + QStringLiteral(" has been removed."));
            break;
        case FileOutcome::Skipped:
            break;
    }
    host.FileDone(r);
}

RowInput ReadRow(BatchHost& host, int row) {
    return {row, host.RowCaption(row), host.RowInputPath(row), host.RowTags(row)};
}

// Configures a job's writer as the batch's first writer was, from the same settings.
using Configure = std::function<void(const JobParts&)>;

// ---- One file at a time on the calling thread ----

FileWork BlockLoopOnThisThread(BatchHost& host, const MainState& state, const RunPlan& plan) {
    return [&host, &state, &plan](const JobParts& job, const RowInput&) {
        const BlockLoopHooks hooks{[&host] { host.PumpMessages(); },
                                   [&host](int value) { host.ShowProgress(value); }};
        return RunBlockLoop(job.reader, job.writer, job.transform, plan.loop, state.Converting,
                            hooks)
                   ? WorkEnd::Complete
                   : WorkEnd::Stopped;
    };
}

// The file's audio work on its own worker thread while this thread waits, pumping messages;
// the reader and writer are touched again only once the worker has left them.
FileWork NormalizeOnWorker(BatchHost& host, MainState& state, const RunPlan& plan,
                           QObject& thisThread) {
    return [&host, &state, &plan, &thisThread](const JobParts& job, const RowInput& in) {
        struct Cleanup {
            MainState& state;
            BatchHost& host;
            ~Cleanup() {
                state.NormalizeThread = nullptr;
                host.SetPacingTimer(false);
            }
        };
        state.WorkerRunning = true;
        host.SetPacingTimer(true);
        TThreadNormalize worker(
            NormalizeJob{job.reader, job.writer, job.transform, in.path, plan.level,
                         plan.maxWholeSamples},
            state.WorkerStage, state.ProgressValue, state.WorkerRunning,
            [&thisThread, &host](int value) {
                QMetaObject::invokeMethod(
                    &thisThread, [&host, value] { host.ShowProgress(value); },
                    Qt::QueuedConnection);
            },
            [&thisThread] {
                // An empty call is enough to wake the wait below.
                QMetaObject::invokeMethod(
                    &thisThread, [] {}, Qt::QueuedConnection);
            });
        const Cleanup cleanup{state, host};
        state.NormalizeThread = &worker;
        worker.Resume();
        QTimer heartbeat;
        heartbeat.start(kWaitHeartbeatMs);
        while (state.WorkerRunning || !worker.Ended()) {
            host.WaitForMessages();
        }
        worker.Wait();
        // A quick worker may end before the wait ran once: its points are still queued.
        QCoreApplication::sendPostedEvents(&thisThread, QEvent::MetaCall);
        if (!worker.Error().isEmpty()) {
            throw ComponentError(worker.Error());
        }
        return worker.Written() ? WorkEnd::Complete : WorkEnd::Stopped;
    };
}

void RunOnThisThread(BatchParts& parts, BatchHost& host, const RunPlan& plan,
                     const Configure& configure, QStringList& failures) {
    MainState& state = parts.state;
    const JobParts job{parts.reader, parts.writer, parts.encoder, parts.transform};
    QObject thisThread;  // queued progress points of the worker run here
    const FileWork work = plan.work == BatchWork::Convert
                              ? BlockLoopOnThisThread(host, state, plan)
                              : NormalizeOnWorker(host, state, plan, thisThread);
    bool writerReset = false;
    const int count = host.RowCount();
    for (int row = 0; row < count; ++row) {
        state.ProgressValue = 0;
        host.PumpMessages();
        if (!state.Converting) {
            for (; row < count; ++row) {
                host.FileDone({row, FileOutcome::Skipped, {}, {}, 0});
            }
            break;
        }
        host.ShowProgress(0);
        const RowInput in = ReadRow(host, row);
        FileResult r;
        try {
            if (writerReset) {
                configure(job);
                writerReset = false;
            }
            if (QFileInfo::exists(in.path)) {
                host.SetRowStatus(row, QStringLiteral("Converting"));
            }
            r = RunRow(job, plan, in, work, writerReset);
        } catch (const std::exception& e) {
            r = {row, FileOutcome::Error, {}, MessageNamingFile(ErrorText(e), in.path), 0};
        }
        state.OutputPath = r.output;
        state.WorkerStage = 0;
        state.ProgressValue = 0;
        host.ShowProgress(0);
        Report(host, in, r, failures);
    }
}

// ---- Several files at once, one thread per job ----

struct Shared {
    Shared(const RunPlan& p, MainState& s, int count)
        : plan(p),
          state(s),
          started(static_cast<std::size_t>(count)),
          progress(static_cast<std::size_t>(count)),
          results(static_cast<std::size_t>(count)) {}

    const RunPlan& plan;
    MainState& state;  // only Converting is read off the reporting thread
    std::vector<RowInput> rows;
    std::atomic<bool> terminate{false};  // the workers' view of a stop
    std::atomic<int> next{0};
    std::vector<std::atomic<bool>> started;
    std::vector<std::atomic<int>> progress;  // per row, 0..10000

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<FileResult>> results;
    int running = 0;
    std::mutex configureMutex;
};

FileWork WorkOnJob(Shared& shared) {
    return [&shared](const JobParts& job, const RowInput& in) {
        std::atomic<int>& progress = shared.progress[static_cast<std::size_t>(in.row)];
        bool complete = false;
        if (shared.plan.work == BatchWork::Normalize) {
            std::atomic<int> stage{0};
            WorkerSignals points{stage, progress, shared.terminate, nullptr};
            complete =
                NormalizeOneFile(NormalizeJob{job.reader, job.writer, job.transform, in.path,
                                              shared.plan.level, shared.plan.maxWholeSamples},
                                 points);
        } else {
            complete = RunBlockLoop(job.reader, job.writer, job.transform, shared.plan.loop,
                                    shared.state.Converting,
                                    BlockLoopHooks{[] {}, [&progress](int v) { progress = v; }});
        }
        progress = 10000;
        return complete ? WorkEnd::Complete : WorkEnd::Stopped;
    };
}

void JobLoop(const JobParts& job, Shared& shared, const Configure& configure) {
    const FileWork work = WorkOnJob(shared);
    const int count = static_cast<int>(shared.rows.size());
    bool writerReset = false;
    for (;;) {
        if (shared.terminate || !shared.state.Converting) {
            break;
        }
        const int row = shared.next++;
        if (row >= count) {
            break;
        }
        shared.started[static_cast<std::size_t>(row)] = true;
        const RowInput& in = shared.rows[static_cast<std::size_t>(row)];
        FileResult r;
        try {
            if (writerReset) {
                const std::lock_guard<std::mutex> lock(shared.configureMutex);
                configure(job);
                writerReset = false;
            }
            r = RunRow(job, shared.plan, in, work, writerReset);
        } catch (const std::exception& e) {
            r = {row, FileOutcome::Error, {}, MessageNamingFile(ErrorText(e), in.path), 0};
        }
        const std::lock_guard<std::mutex> lock(shared.mutex);
        shared.results[static_cast<std::size_t>(row)] = std::move(r);
        shared.changed.notify_all();
    }
    const std::lock_guard<std::mutex> lock(shared.mutex);
    --shared.running;
    shared.changed.notify_all();
}

int OverallProgress(const Shared& shared) {
    std::int64_t sum = 0;
    for (const std::atomic<int>& p : shared.progress) {
        sum += p;
    }
    return static_cast<int>(sum / static_cast<std::int64_t>(shared.progress.size()));
}

void RunOnJobs(BatchParts& parts, BatchHost& host, const RunPlan& plan,
               const std::vector<JobParts>& jobs, const Configure& configure,
               QStringList& failures) {
    MainState& state = parts.state;
    const int count = host.RowCount();
    Shared shared(plan, state, count);
    for (int row = 0; row < count; ++row) {
        shared.rows.push_back(ReadRow(host, row));
    }
    // As one at a time: a stop already asked for starts no row.
    host.PumpMessages();
    shared.running = static_cast<int>(jobs.size());
    std::vector<std::thread> threads;
    threads.reserve(jobs.size());
    for (const JobParts& job : jobs) {
        threads.emplace_back([&job, &shared, &configure] { JobLoop(job, shared, configure); });
    }

    std::vector<bool> shownRunning(static_cast<std::size_t>(count), false);
    int reported = 0;
    for (;;) {
        host.PumpMessages();
        if (!state.Converting) {
            shared.terminate = true;
        }
        std::vector<FileResult> ready;
        bool finished = false;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.changed.wait_for(lock, kReportInterval);
            while (reported < count && shared.results[static_cast<std::size_t>(reported)]) {
                ready.push_back(*shared.results[static_cast<std::size_t>(reported)]);
                ++reported;
            }
            finished = shared.running == 0;
        }
        for (int row = reported; row < count; ++row) {
            const auto i = static_cast<std::size_t>(row);
            if (shared.started[i] && !shownRunning[i]) {
                shownRunning[i] = true;
                host.SetRowStatus(row, QStringLiteral("Converting"));
            }
        }
        for (const FileResult& r : ready) {
            Report(host, shared.rows[static_cast<std::size_t>(r.row)], r, failures);
        }
        host.ShowProgress(OverallProgress(shared));
        if (finished) {
            // Every row a job started has its result; the others were never reached.
            for (; reported < count; ++reported) {
                const auto i = static_cast<std::size_t>(reported);
                if (shared.results[i]) {
                    Report(host, shared.rows[i], *shared.results[i], failures);
                } else {
                    host.FileDone({reported, FileOutcome::Skipped, {}, {}, 0});
                }
            }
            break;
        }
    }
    for (std::thread& t : threads) {
        t.join();
    }
}

}  // namespace

void RunBatch(BatchParts& parts, BatchHost& host, BatchWork work, const std::vector<JobParts>& jobs,
              std::int64_t maxWholeSamples) {
    MainState& state = parts.state;
    const bool normalize = work == BatchWork::Normalize;
    // The first job's components are the batch's own: StartBatch configures that writer.
    BatchParts first =
        jobs.empty()
            ? parts
            : BatchParts{
                  parts.state,       jobs[0].reader,    jobs[0].writer,         jobs[0].encoder,
                  jobs[0].transform, parts.commandLine, parts.outputDirOverride};
    RunPlan plan;
    plan.work = work;
    if (!StartBatch(first, host, plan.setup, normalize)) {
        return;
    }
    struct Active {
        MainState& state;
        explicit Active(MainState& s) : state(s) { state.BatchActive = true; }
        ~Active() { state.BatchActive = false; }
    } active(state);

    const AppSettings& app = state.appSettings;
    plan.prefix = normalize ? QStringLiteral("Nor_") : QString();
    plan.loop = normalize ? BlockLoopSettings{app.OutputFormat, false, false, 0, 0}
                          : BlockLoopSettings{app.OutputFormat, app.FadeIn, app.FadeOut,
                                              app.FadeInTime, app.FadeOutTime};
    plan.level = static_cast<float>(app.NormalizeVolume);
    plan.maxWholeSamples = maxWholeSamples > 0 ? maxWholeSamples : DefaultMaxWholeSamples();
    if (jobs.size() > 1) {
        // Every job may hold one decoded file at a time.
        plan.maxWholeSamples /= static_cast<std::int64_t>(jobs.size());
    }

    const SettingsFile fallback;
    const SettingsFile& settings = state.settingsFile ? *state.settingsFile : fallback;
    const int format = app.OutputFormat;
    const QString commandLine = parts.commandLine;
    const Configure configure = [&settings, format, commandLine](const JobParts& job) {
        ConfigureWriter(format, settings, commandLine, job.encoder, job.writer);
    };

    QStringList failures;
    if (jobs.empty()) {
        RunOnThisThread(parts, host, plan, configure, failures);
    } else {
        // Every further job's writer gets the same configuration, from this thread.
        try {
            for (std::size_t j = 1; j < jobs.size(); ++j) {
                configure(jobs[j]);
            }
        } catch (const std::exception& e) {
            EndBatch(first, host);
            host.ShowError(ErrorText(e));
            return;
        }
        RunOnJobs(parts, host, plan, jobs, configure, failures);
    }
    EndBatch(first, host);
    if (!failures.isEmpty()) {
        host.ShowError(failures.join(QLatin1Char('\n')));
    }
}
