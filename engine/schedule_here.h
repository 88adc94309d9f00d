#pragma once

#include "engine/batch_plan.h"

// One row at a time on the calling (window) thread with the batch's own components: the
// conversion's block loop pumps the host between blocks, the normalisation runs on its worker
// thread while this thread waits, pumping. Returns when the batch has ended.
void RunHere(BatchParts& parts, BatchHost& host, const RunPlan& plan);
