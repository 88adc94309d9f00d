#pragma once

#include "engine/batch_host.h"
#include "engine/batch_parts.h"

// The conversion batch: every row to one output file in the output folder, on the calling
// (window) thread, pumping messages between blocks so Stop is heard.
void ConvertAll(BatchParts& parts, BatchHost& host);

// The stop request of both batches: clears Converting and, while a normalisation worker runs,
// asks it to end after its current stage.
struct MainState;
void StopWork(MainState& state);
