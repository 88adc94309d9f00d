#include "engine/batch_runner.h"

#include "engine/batch_plan.h"
#include "engine/main_state.h"
#include "engine/schedule_here.h"
#include "engine/schedule_jobs.h"

std::unique_ptr<BatchRun> StartBatchRun(BatchParts& parts, BatchHost& host, BatchWork work,
                                        std::vector<JobParts> jobs, std::function<void()> ended,
                                        std::int64_t maxWholeSamples) {
    if (jobs.empty()) {
        return nullptr;
    }
    // The first job's components are the batch's own: StartBatch configures that writer.
    BatchParts first{
        parts.state,       jobs[0].reader,    jobs[0].writer,          jobs[0].encoder,
        jobs[0].transform, parts.commandLine, parts.outputDirOverride, parts.loudnessMeter};
    RunPlan plan;
    if (!PrepareBatch(first, host, work, jobs.size(), maxWholeSamples, plan)) {
        return nullptr;
    }
    return RunOnJobs(first, host, std::move(plan), std::move(jobs), std::move(ended));
}

void RunBatch(BatchParts& parts, BatchHost& host, BatchWork work, const std::vector<JobParts>& jobs,
              std::int64_t maxWholeSamples) {
    if (!jobs.empty()) {
        const std::unique_ptr<BatchRun> run =
            StartBatchRun(parts, host, work, jobs, nullptr, maxWholeSamples);
        while (run && !run->Ended()) {
            host.WaitForMessages();
        }
        return;
    }
    RunPlan plan;
    if (!PrepareBatch(parts, host, work, 0, maxWholeSamples, plan)) {
        return;
    }
    parts.state.BatchActive = true;
    RunHere(parts, host, plan);
}

BatchRun::~BatchRun() = default;
