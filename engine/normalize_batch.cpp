#include "engine/normalize_batch.h"

#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "components/audio_file.h"
#include "engine/batch_start.h"
#include "engine/convert_file.h"
#include "engine/main_state.h"
#include "engine/normalize_worker.h"
#include "engine/output_path.h"

namespace {

// Lets the wait notice a worker that ended even if its wake-up call was lost.
constexpr int kWaitHeartbeatMs = 200;

}  // namespace

void NormalizeAll(BatchParts& parts, BatchHost& host, std::int64_t maxWholeSamples) {
    BatchSetup setup;
    if (!StartBatch(parts, host, setup)) {
        return;
    }
    MainState& state = parts.state;
    const float level = static_cast<float>(state.appSettings.NormalizeVolume);
    if (maxWholeSamples <= 0) {
        maxWholeSamples = DefaultMaxWholeSamples();
    }
    // Lives on this thread: calls the worker queues to it run here, and are dropped once it is
    // gone.
    QObject windowThread;

    const int count = host.RowCount();
    for (int row = 0; row < count; ++row) {
        state.ProgressValue = 0;
        QString input;
        const RowStart start = BeginRow(host, state, row, input);
        if (start == RowStart::Stop) {
            break;
        }
        if (start == RowStart::Skip) {
            continue;
        }
        QString output;
        QString failure;
        bool terminated = false;
        bool written = false;
        try {
            output = MakeOutputPath(setup.outputDir, host.RowCaption(row), input, setup.extension,
                                    QStringLiteral("Nor_"));
            state.OutputPath = output;
            host.SetRowStatus(row, QStringLiteral("Converting"));
            OpenFilePair(parts.reader, parts.writer, input, output);

            state.WorkerRunning = true;
            host.SetPacingTimer(true);
            TThreadNormalize worker(
                NormalizeJob{parts.reader, parts.writer, parts.transform, input, level,
                             maxWholeSamples},
                state.WorkerStage, state.ProgressValue, state.WorkerRunning,
                [&windowThread, &host](int value) {
                    QMetaObject::invokeMethod(
                        &windowThread, [&host, value] { host.ShowProgress(value); },
                        Qt::QueuedConnection);
                },
                [&windowThread] {
                    // An empty call is enough to wake the wait below.
                    QMetaObject::invokeMethod(
                        &windowThread, [] {}, Qt::QueuedConnection);
                });
            state.NormalizeThread = &worker;
            worker.Resume();
            QTimer heartbeat;
            heartbeat.start(kWaitHeartbeatMs);
            // After a stop the worker may still be inside a component: the reader and writer are
            // touched again only once it has left.
            while (state.WorkerRunning || !worker.Ended()) {
                host.WaitForMessages();
            }
            heartbeat.stop();
            host.SetPacingTimer(false);
            worker.Wait();
            state.NormalizeThread = nullptr;
            failure = worker.Error();
            terminated = worker.Terminated();
            written = worker.Written();
            // A quick worker may end before the wait ran once: its points are still queued.
            QCoreApplication::sendPostedEvents(&windowThread, QEvent::MetaCall);
            if (failure.isEmpty() && !written) {
                // Stopped before any data reached the file: an empty copy is no result, so it is
                // not left behind looking like one.
                AbandonFile(parts.reader, parts.writer);
                QFile::remove(output);
            } else if (failure.isEmpty()) {
                parts.reader.Close();
                parts.writer.Close();
                const AudioFileinfo tags =
                    row < state.Tags.size() ? state.Tags[row] : AudioFileinfo{};
                TransferTagsGuarded(output, tags);
            }
        } catch (const std::exception& e) {
            state.NormalizeThread = nullptr;
            state.WorkerRunning = false;
            host.SetPacingTimer(false);
            failure = ErrorText(e);
        }
        if (!failure.isEmpty()) {
            state.WorkerStage = 0;
            state.ProgressValue = 0;
            FailBatch(parts, host, row, input, output, failure);
            return;
        }
        host.ShowProgress(0);
        if (!written) {
            host.SetRowStatus(row, QStringLiteral("Stop"));
            host.FileDone({row, FileOutcome::Stopped, QString(), {}, 0});
            continue;
        }
        host.SetRowStatus(row, QStringLiteral("finish"));
        host.FileDone(
            {row, terminated ? FileOutcome::Stopped : FileOutcome::Finished, output, {}, 0});
    }
    EndBatch(parts, host);
}

void Timer1Timer(MainState& state, BatchHost& host) {
    if (!state.WorkerRunning) {
        return;
    }
    int value = state.ProgressValue;
    int next = 0;
    for (;;) {
        if (value >= 10000) {
            host.SetPacingTimer(false);
            return;
        }
        next = value + 200;
        if (state.WorkerStage <= 0 && next > 1000) {
            next = 1000;
        }
        if (state.WorkerStage < 2 && next > 2000) {
            next = 2000;
        }
        // The worker may store its own point meanwhile; that point wins over the creep.
        if (state.ProgressValue.compare_exchange_weak(value, next)) {
            break;
        }
    }
    host.ShowProgress(next);
}
