#pragma once

#include <atomic>

// A batch's control, shared by whoever starts and stops batches (the window, the command line)
// and the engine. Converting is the one stop request: every worker, on whatever thread, reads it
// between blocks. The other atomics are what the one-at-a-time normalisation worker publishes for
// the pacing timer; BatchActive belongs to the thread that runs the batch.
struct BatchControl {
    std::atomic<bool> Converting{false};  // a batch runs; clearing it is the stop request
    std::atomic<bool> WorkerRunning{false};
    std::atomic<int> WorkerStage{0};
    std::atomic<int> ProgressValue{0};

    // A batch is on its way, from its start until its last row has ended, including the moments
    // after a stop while a worker is still inside the components.
    bool BatchActive = false;
    // Nothing may start that uses the reader, writer or transform.
    bool Busy() const { return Converting || BatchActive; }
};
