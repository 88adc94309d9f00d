#include "engine/parallel_batch.h"

#include "engine/batch_runner.h"

void RunParallelBatch(BatchParts& parts, BatchHost& host, const std::vector<JobParts>& jobs,
                      bool normalize) {
    if (jobs.empty()) {
        return;
    }
    RunBatch(parts, host, normalize ? BatchWork::Normalize : BatchWork::Convert, jobs);
}
