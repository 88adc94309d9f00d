#pragma once

#include <vector>

#include "engine/batch_host.h"
#include "engine/batch_parts.h"

// Converts (or normalises) the host's rows with one thread per job (see RunBatch). Each job's
// writer is configured like the window's, from the same settings. parts.state.Converting is the
// stop request, as for the window's batch; the host's PumpMessages is where it may clear it.
void RunParallelBatch(BatchParts& parts, BatchHost& host, const std::vector<JobParts>& jobs,
                      bool normalize);
