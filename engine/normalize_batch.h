#pragma once

#include <cstdint>

#include "engine/batch_host.h"
#include "engine/batch_parts.h"

struct MainState;

// The normalisation batch: for every row a "Nor_" copy at the stored level, each file's audio
// work on a worker thread while the calling (window) thread waits, pumping messages.
// maxWholeSamples: files with more decoded samples are streamed in two passes (0: the default
// limit of DefaultMaxWholeSamples()).
void NormalizeAll(BatchParts& parts, BatchHost& host, std::int64_t maxWholeSamples = 0);

// The pacing timer's tick (once a second while the worker runs): +2 %, at most 10 % before
// decoding ends and 20 % before normalising ends.
void Timer1Timer(MainState& state, BatchHost& host);
