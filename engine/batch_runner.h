#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/batch_host.h"
#include "engine/batch_parts.h"

// The one batch. Every row goes through the same life (row_life.h): its output is written under
// a hidden name, and one ending decides the row's state, what stays on disk and the result:
// - finished: closed, tagged, then given its free name (never replacing a file): "finish";
// - cut by a stop (Stop, closing the window, a signal): deleted, the row shows "Stop";
// - failed: deleted, the row shows "Error", its reason goes with the result, and the batch goes
//   on with the next row; the failures are shown together once the batch has ended;
// - never reached after a stop: reported as not reached.
// Conversion and normalisation differ only in the per-file work; where it runs is the
// scheduling:
// - jobs empty: one file at a time on the calling (window) thread with parts' components,
//   pumping the host between blocks, or while the normalisation worker of the file runs;
// - jobs given: one thread per job, each with its own components, taking the next row not yet
//   started; the calling thread pumps the host, shows progress and reports results in row order.
// parts.state.Converting is the stop request; parts.state.BatchActive is set throughout, so no
// other command touches the components until every worker has left them.
void RunBatch(BatchParts& parts, BatchHost& host, BatchWork work, const std::vector<JobParts>& jobs,
              std::int64_t maxWholeSamples = 0);

// A batch running on job threads, started by StartBatchRun. It reports through events on the
// thread that started it, so that thread's event loop must run; destroying it before it has
// ended stops the jobs and waits for them.
class BatchRun {
  public:
    virtual ~BatchRun();
    virtual bool Ended() const = 0;
};

// Starts the batch on `jobs` (at least one) and returns at once; `ended` runs on this thread
// after the last row was reported and BatchEnded was called (never from inside this call's
// caller frame, unless the batch had nothing to start). Null when the batch was refused at its
// start (an empty list, a batch already on its way, an unusable setting).
std::unique_ptr<BatchRun> StartBatchRun(BatchParts& parts, BatchHost& host, BatchWork work,
                                        std::vector<JobParts> jobs, std::function<void()> ended,
                                        std::int64_t maxWholeSamples = 0);
