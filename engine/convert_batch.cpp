#include "engine/convert_batch.h"

#include "engine/batch_runner.h"
#include "engine/main_state.h"
#include "engine/normalize_worker.h"

void ConvertAll(BatchParts& parts, BatchHost& host) {
    RunBatch(parts, host, BatchWork::Convert, {});
}

void StopWork(MainState& state) {
    state.Converting = false;
    if (state.WorkerRunning) {
        // The worker reads Converting itself.
        state.WorkerRunning = false;
        state.WorkerStage = 0;
    }
}
