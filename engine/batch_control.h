#pragma once

#include <atomic>
#include <chrono>
#include <thread>

// A batch's control, shared by whoever starts and stops batches (the window, the command line)
// and the engine. Converting is the one stop request: every worker, on whatever thread, reads it
// between blocks. Paused holds every worker at its next check until it is cleared or the batch
// is stopped. The other atomics are what the one-at-a-time normalisation worker publishes for
// the pacing timer; BatchActive belongs to the thread that runs the batch.
struct BatchControl {
    std::atomic<bool> Converting{false};  // a batch runs; clearing it is the stop request
    std::atomic<bool> Paused{false};      // the workers wait between blocks while it is set
    std::atomic<bool> WorkerRunning{false};
    std::atomic<int> WorkerStage{0};
    std::atomic<int> ProgressValue{0};

    // A batch is on its way, from its start until its last row has ended, including the moments
    // after a stop while a worker is still inside the components.
    bool BatchActive = false;
    // Nothing may start that uses the reader, writer or transform.
    bool Busy() const { return Converting || BatchActive; }
};

// How often a paused worker looks whether it may go on: a stop or a resume is heard within it
// even when it comes from a signal handler, which can wake nobody.
constexpr std::chrono::milliseconds kPausePoll{20};

// A worker's check between blocks, off the window thread: waits while the batch is paused and
// still runs; false once it was stopped.
inline bool GoOnUnlessStopped(const std::atomic<bool>& converting,
                              const std::atomic<bool>* paused) {
    while (paused && *paused && converting) {
        std::this_thread::sleep_for(kPausePoll);
    }
    return converting;
}
