#include "engine/convert_batch.h"

#include "components/audio_file.h"
#include "engine/batch_start.h"
#include "engine/convert_file.h"
#include "engine/main_state.h"
#include "engine/normalize_worker.h"
#include "engine/output_path.h"

void ConvertAll(BatchParts& parts, BatchHost& host) {
    BatchSetup setup;
    if (!StartBatch(parts, host, setup)) {
        return;
    }
    MainState& state = parts.state;
    const AppSettings& app = state.appSettings;
    const BlockLoopSettings loop{app.OutputFormat, app.FadeIn, app.FadeOut, app.FadeInTime,
                                 app.FadeOutTime};
    const BlockLoopHooks hooks{[&host] { host.PumpMessages(); },
                               [&host](int value) { host.ShowProgress(value); }};

    const int count = host.RowCount();
    for (int row = 0; row < count; ++row) {
        QString input;
        const RowStart start = BeginRow(host, state, row, input);
        if (start == RowStart::Stop) {
            break;
        }
        if (start == RowStart::Skip) {
            continue;
        }
        QString output;
        try {
            output = MakeOutputPath(setup.outputDir, host.RowCaption(row), input, setup.extension,
                                    QString());
            state.OutputPath = output;
            host.SetRowStatus(row, QStringLiteral("Converting"));
            OpenFilePair(parts.reader, parts.writer, input, output);
            const bool complete = RunBlockLoop(parts.reader, parts.writer, parts.transform, loop,
                                               state.Converting, hooks);
            parts.reader.Close();
            parts.writer.Close();
            // The row's record is copied: a click during the pumps may have changed the list.
            const AudioFileinfo tags = row < state.Tags.size() ? state.Tags[row] : AudioFileinfo{};
            TransferTagsGuarded(output, tags);
            host.ShowProgress(0);
            host.SetRowStatus(row, QStringLiteral("finish"));
            host.FileDone(
                {row, complete ? FileOutcome::Finished : FileOutcome::Stopped, output, {}, 0});
        } catch (const std::exception& e) {
            FailBatch(parts, host, row, input, output, ErrorText(e));
            return;
        }
    }
    EndBatch(parts, host);
}

void StopWork(MainState& state) {
    state.Converting = false;
    if (state.WorkerRunning) {
        if (state.NormalizeThread) {
            state.NormalizeThread->Terminate();
        }
        state.WorkerRunning = false;
        state.WorkerStage = 0;
    }
}
