#include "engine/parallel_batch.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "components/audio_file.h"
#include "engine/batch_start.h"
#include "engine/configure_writer.h"
#include "engine/convert_file.h"
#include "engine/main_state.h"
#include "engine/normalize_worker.h"
#include "engine/output_path.h"

namespace {

// How often the reporting thread looks at the jobs when nothing has finished.
constexpr auto kReportInterval = std::chrono::milliseconds(100);

struct RowInput {
    QString caption;
    QString path;
    AudioFileinfo tags;
};

struct RowResult {
    FileOutcome outcome = FileOutcome::Stopped;
    QString output;
    QString error;
};

struct Shared {
    Shared(std::atomic<bool>& stop, int count)
        : converting(stop),
          progress(static_cast<std::size_t>(count)),
          results(static_cast<std::size_t>(count)) {}

    BatchSetup setup;
    BlockLoopSettings loop;
    float level = 98.0f;
    bool normalize = false;
    std::int64_t maxWholeSamples = 0;
    std::vector<RowInput> rows;
    std::atomic<bool>& converting;
    std::atomic<bool> terminate{false};  // the workers' view of a stop
    std::atomic<int> next{0};
    std::vector<std::atomic<int>> progress;  // per row, 0..10000

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<RowResult>> results;
    int running = 0;
};

RowResult RunRow(const JobParts& job, Shared& shared, int row) {
    const RowInput& in = shared.rows[static_cast<std::size_t>(row)];
    RowResult r;
    if (!QFileInfo::exists(in.path)) {
        r.outcome = FileOutcome::Removed;
        return r;
    }
    try {
        r.output =
            MakeOutputPath(shared.setup.outputDir, in.caption, in.path, shared.setup.extension,
                           shared.normalize ? QStringLiteral("Nor_") : QString());
        OpenFilePair(job.reader, job.writer, in.path, r.output);
        std::atomic<int>& progress = shared.progress[static_cast<std::size_t>(row)];
        bool complete = false;
        if (shared.normalize) {
            std::atomic<int> stage{0};
            WorkerSignals points{stage, progress, shared.terminate, nullptr};
            complete = NormalizeOneFile(NormalizeJob{job.reader, job.writer, job.transform, in.path,
                                                     shared.level, shared.maxWholeSamples},
                                        points);
        } else {
            complete =
                RunBlockLoop(job.reader, job.writer, job.transform, shared.loop, shared.converting,
                             BlockLoopHooks{[] {}, [&progress](int v) { progress = v; }});
        }
        job.reader.Close();
        job.writer.Close();
        TransferTagsGuarded(r.output, in.tags);
        progress = 10000;
        r.outcome = complete ? FileOutcome::Finished : FileOutcome::Stopped;
    } catch (const std::exception& e) {
        AbandonFile(job.reader, job.writer);
        if (!r.output.isEmpty()) {
            QFile::remove(r.output);
        }
        r.outcome = FileOutcome::Error;
        r.error = MessageNamingFile(ErrorText(e), in.path);
    }
    return r;
}

void JobLoop(const JobParts& job, Shared& shared) {
    const int count = static_cast<int>(shared.rows.size());
    for (;;) {
        if (!shared.converting) {
            break;
        }
        const int row = shared.next++;
        if (row >= count) {
            break;
        }
        RowResult r = RunRow(job, shared, row);
        if (r.outcome == FileOutcome::Error) {
            // As in the window: a failure starts no further row.
            shared.converting = false;
            shared.terminate = true;
        }
        const std::lock_guard<std::mutex> lock(shared.mutex);
        shared.results[static_cast<std::size_t>(row)] = std::move(r);
        shared.changed.notify_all();
    }
    const std::lock_guard<std::mutex> lock(shared.mutex);
    --shared.running;
    shared.changed.notify_all();
}

int OverallProgress(Shared& shared) {
    std::int64_t sum = 0;
    for (const std::atomic<int>& p : shared.progress) {
        sum += p;
    }
    return static_cast<int>(sum / static_cast<std::int64_t>(shared.progress.size()));
}

}  // namespace

void RunParallelBatch(BatchParts& parts, BatchHost& host, const std::vector<JobParts>& jobs,
                      bool normalize) {
    if (jobs.empty()) {
        return;
    }
    // The first job's components are the batch's own: StartBatch configures its writer.
    BatchParts first{parts.state,       jobs[0].reader,    jobs[0].writer,         jobs[0].encoder,
                     jobs[0].transform, parts.commandLine, parts.outputDirOverride};
    BatchSetup setup;
    if (!StartBatch(first, host, setup)) {
        return;
    }
    MainState& state = parts.state;
    const AppSettings& app = state.appSettings;
    const int count = host.RowCount();
    Shared shared(state.Converting, count);
    shared.setup = setup;
    shared.normalize = normalize;
    shared.loop = normalize ? BlockLoopSettings{app.OutputFormat, false, false, 0, 0}
                            : BlockLoopSettings{app.OutputFormat, app.FadeIn, app.FadeOut,
                                                app.FadeInTime, app.FadeOutTime};
    shared.level = static_cast<float>(app.NormalizeVolume);
    // Every job may hold one decoded file at a time.
    shared.maxWholeSamples = DefaultMaxWholeSamples() / static_cast<std::int64_t>(jobs.size());
    for (int row = 0; row < count; ++row) {
        shared.rows.push_back({host.RowCaption(row), host.RowInputPath(row),
                               row < state.Tags.size() ? state.Tags[row] : AudioFileinfo{}});
    }
    // Every further job's writer gets the same configuration, from this thread.
    try {
        const SettingsFile fallback;
        const SettingsFile& settings = state.settingsFile ? *state.settingsFile : fallback;
        for (std::size_t j = 1; j < jobs.size(); ++j) {
            ConfigureWriter(app.OutputFormat, settings, parts.commandLine, jobs[j].encoder,
                            jobs[j].writer);
        }
    } catch (const std::exception& e) {
        EndBatch(first, host);
        host.ShowError(ErrorText(e));
        return;
    }

    shared.running = static_cast<int>(jobs.size());
    std::vector<std::thread> threads;
    for (const JobParts& job : jobs) {
        threads.emplace_back([&job, &shared] { JobLoop(job, shared); });
    }

    int reported = 0;
    QString failure;
    for (;;) {
        host.PumpMessages();
        if (!state.Converting) {
            shared.terminate = true;
        }
        std::vector<std::pair<int, RowResult>> ready;
        bool finished = false;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.changed.wait_for(lock, kReportInterval);
            while (reported < count && shared.results[static_cast<std::size_t>(reported)]) {
                ready.emplace_back(reported, *shared.results[static_cast<std::size_t>(reported)]);
                ++reported;
            }
            finished = shared.running == 0;
        }
        for (const auto& [row, r] : ready) {
            if (r.outcome == FileOutcome::Removed) {
                host.ShowInformation(shared.rows[static_cast<std::size_t>(row)].path +
                                     QStringLiteral(" has been removed."));
            } else {
                host.SetRowStatus(row, r.outcome == FileOutcome::Error ? QStringLiteral("Error")
                                                                       : QStringLiteral("finish"));
            }
            if (r.outcome == FileOutcome::Error && failure.isEmpty()) {
                failure = r.error;
            }
            host.FileDone({row, r.outcome, r.output, r.error, 0});
        }
        host.ShowProgress(OverallProgress(shared));
        if (finished && reported == count) {
            break;
        }
        if (finished) {
            // Rows no job started: stopped, or left after a failure.
            for (; reported < count; ++reported) {
                if (!shared.results[static_cast<std::size_t>(reported)]) {
                    host.FileDone({reported, FileOutcome::Stopped, QString(), {}, 0});
                } else {
                    break;
                }
            }
            if (reported == count) {
                break;
            }
        }
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EndBatch(first, host);
    if (!failure.isEmpty()) {
        host.ShowError(failure);
    }
}
