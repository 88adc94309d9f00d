#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "engine/batch_plan.h"
#include "engine/batch_runner.h"

// The batch on job threads, one per job with its own components, each taking the next row not
// yet started; the host's thread hears a stop, shows progress and reports rows in row order
// from a timer's ticks, so its event loop must run. `ended` runs on that thread once the batch
// has ended.
std::unique_ptr<BatchRun> RunOnJobs(BatchParts& first, BatchHost& host, RunPlan plan,
                                    std::vector<JobParts> jobs, std::function<void()> ended);
