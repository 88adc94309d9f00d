#pragma once

#include <vector>

#include "engine/batch_host.h"
#include "engine/batch_parts.h"

class IAudioFile2;
class IAudioFile2LameEnc;
class IAudioTransform2;

// One job's own components: nothing is shared between jobs but the output name reservation and
// the tag transfer, both guarded.
struct JobParts {
    IAudioFile2& reader;
    IAudioFile2& writer;
    IAudioFile2LameEnc& encoder;
    IAudioTransform2& transform;
};

// Converts (or normalises) the host's rows with one thread per job, each taking the next row
// not yet started. Each job's writer is configured like the window's, from the same settings.
// The calling thread reports to the host: the removed-input messages, FileDone in row order,
// overall progress, and a failure (which, as in the window, starts no further row). Rows never
// started because of a stop or a failure end as Stopped with no output. parts.state.Converting
// is the stop request, as for the window's batch; the host's PumpMessages is where it may clear
// it.
void RunParallelBatch(BatchParts& parts, BatchHost& host, const std::vector<JobParts>& jobs,
                      bool normalize);
