#include "engine/normalize_batch.h"

#include "engine/batch_runner.h"
#include "engine/main_state.h"

void NormalizeAll(BatchParts& parts, BatchHost& host, std::int64_t maxWholeSamples) {
    RunBatch(parts, host, BatchWork::Normalize, {}, maxWholeSamples);
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
