#include "engine/schedule_here.h"

#include <QTimer>
#include <algorithm>

#include "components/component_error.h"
#include "components/loudness_meter.h"
#include "engine/album_pass.h"
#include "engine/batch_report.h"
#include "engine/main_state.h"
#include "engine/row_life.h"

namespace {

// How often the window's wait for a normalisation worker looks at it.
constexpr int kWaitHeartbeatMs = 20;

// Handles pending events and, while the batch is paused, goes on handling them until it is
// resumed or stopped: this thread is the window's, so Resume and Stop arrive here. The heartbeat
// wakes the wait for a stop that comes without an event (a signal).
void PumpAndHold(BatchHost& host, const MainState& state) {
    host.PumpMessages();
    if (!state.Paused || !state.Converting) {
        return;
    }
    QTimer heartbeat;
    heartbeat.start(kWaitHeartbeatMs);
    while (state.Paused && state.Converting) {
        host.WaitForMessages();
    }
}

// Everything reaches the host at once: this is its thread.
class ReportHere : public RowReport {
  public:
    ReportHere(BatchHost& host, MainState& state, HostRows& rows)
        : host_(host), state_(state), rows_(rows) {}
    void State(int row, RowState s) override {
        rows_.Apply(row, s);
        rows_.ShowBatchProgress();
    }
    void Progress(int row, int value) override {
        // The rest moves in visible steps only: a block is a few milliseconds of work.
        if (row == shownRow_ && value / 100 == shown_ / 100) {
            return;
        }
        shownRow_ = row;
        shown_ = value;
        rows_.Progress(row, value);
        rows_.ShowBatchProgress();
    }
    bool KeepGoing() override {
        PumpAndHold(host_, state_);
        return state_.Converting;
    }

  private:
    BatchHost& host_;
    MainState& state_;
    HostRows& rows_;
    int shownRow_ = -1;
    int shown_ = -1;
};

// The conversion's block loop: the main bar follows the file, as it always has.
RowWork BlockLoopHere(BatchHost& host, MainState& state, const RunPlan& plan, RowReport& report) {
    return [&host, &state, &plan, &report](const JobParts& job, const RowInput& in, RowExtras&) {
        const BlockLoopHooks hooks{[&host, &state] { PumpAndHold(host, state); },
                                   [&host, &report, &in](int value) {
                                       host.ShowProgress(value);
                                       report.Progress(in.row, value);
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
RowWork NormalizeOnWorker(BatchHost& host, MainState& state, const RunPlan& plan,
                          const LoudnessPlan& loudness, const std::vector<RowMeasure>& album,
                          RowReport& report) {
    return [&host, &state, &plan, &loudness, &album, &report](
               const JobParts& job, const RowInput& in, RowExtras& extras) {
        ThrowIfUnmeasured(plan, album, in.row);
        struct PacingOff {
            BatchHost& host;
            ~PacingOff() { host.SetPacingTimer(false); }
        };
        // The worker's points (10 %, 20 %, 100 %) follow from its stage, which it publishes.
        static constexpr int kStagePoints[] = {0, 1000, 2000, 10000};
        int shownStage = 0;
        auto showPoints = [&] {
            const int stage = std::clamp(state.WorkerStage.load(), 0, 3);
            for (; shownStage < stage; ++shownStage) {
                host.ShowProgress(kStagePoints[shownStage + 1]);
                report.Progress(in.row, kStagePoints[shownStage + 1]);
            }
        };
        state.WorkerRunning = true;
        host.SetPacingTimer(true);
        TThreadNormalize worker(
            NormalizeJob{job.reader, job.writer, job.transform, in.source.path, plan.level,
                         plan.maxWholeSamples, &loudness, &extras.note, in.source.range},
            state.WorkerStage, state.ProgressValue, state.WorkerRunning, state.Converting,
            &state.Paused);
        const PacingOff pacing{host};
        worker.Resume();
        // Wakes the wait often enough that the worker's end and points show at once.
        QTimer heartbeat;
        heartbeat.start(kWaitHeartbeatMs);
        // A stop that reached the worker before StopWork did (a signal) still ends the wait.
        while (!worker.Ended() || (state.WorkerRunning && state.Converting)) {
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

}  // namespace

void RunHere(BatchParts& parts, BatchHost& host, const RunPlan& plan) {
    MainState& state = parts.state;
    const JobParts job{parts.reader, parts.writer, parts.encoder, parts.transform};
    HostRows rows(host, plan);
    ReportHere report(host, state, rows);
    bool writerReset = false;

    LoudnessPlan loudness = plan.loudness;
    std::vector<RowMeasure> album(plan.rows.size());
    if (plan.AlbumFirst()) {
        // The album's first pass: every row measured before any is written.
        for (const RowInput& in : plan.rows) {
            if (!report.KeepGoing()) {
                break;
            }
            album[static_cast<std::size_t>(in.row)] =
                MeasureAlbumRow(job, plan, in, report, writerReset);
        }
        SettleAlbumGains(loudness, plan, album);
    }
    const RowWork work = plan.Normalize()
                             ? NormalizeOnWorker(host, state, plan, loudness, album, report)
                             : BlockLoopHere(host, state, plan, report);
    const RowLifeParts life{job, plan, report, work, writerReset};
    std::vector<std::unique_ptr<ILoudnessTrack>> written(plan.rows.size());
    std::vector<QString> outputs(plan.rows.size());
    int row = 0;
    for (; row < plan.Count(); ++row) {
        state.ProgressValue = 0;
        if (!report.KeepGoing()) {
            break;
        }
        host.ShowProgress(0);
        RowExtras extras;
        const FileResult r = LiveRow(life, plan.rows[static_cast<std::size_t>(row)], extras);
        written[static_cast<std::size_t>(row)] = std::move(extras.track);
        if (r.state == RowState::Finished) {
            outputs[static_cast<std::size_t>(row)] = r.output;
        }
        state.WorkerStage = 0;
        state.ProgressValue = 0;
        host.ShowProgress(0);
        rows.Report(r);
        rows.ShowBatchProgress();
    }
    rows.ReportNotReached(row);
    EndRun(parts, host, plan, written, outputs, rows.Summary());
}
