#pragma once

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "components/encoder_recipe.h"
#include "engine/batch_plan.h"
#include "engine/output_check.h"
#include "engine/row_life.h"

class OutputSplit;

// A long row encoded in parts on the jobs that have no row of their own, and joined into one
// output: as long as a one-job encode, bit for bit the same where the format is lossless.

// The shortest row that is split, in seconds: below it the joins cost more than they save.
constexpr int kSplitSeconds = 120;
// The most samples (frames times channels) of a chunk. A lossless chunk's samples wait in
// memory until the chunks before it are hashed, so this bounds what waits, and it gives a
// long row enough chunks that the last of them ends about when the others do.
constexpr std::int64_t kChunkSamples = std::int64_t{1} << 24;

// The chunks of a row of `frames` frames of `channels` channels cut on `grid` for `jobs` jobs:
// as many for each job, none over kChunkSamples where the grid allows, starts on the grid.
struct ChunkCut {
    std::int64_t start = 0;
    std::int64_t end = 0;
};
std::vector<ChunkCut> CutIntoChunks(std::int64_t frames, int channels, std::int64_t grid, int jobs);

// What a split row's chunks were given, for the check of the joined output.
struct SplitRecord {
    int chunks = 0;
    std::int64_t frames = 0;
    int rate = 0;
    std::int64_t notNumbers = 0;
    double peak = 0;
    PcmFormat output;
    std::unique_ptr<PcmMd5> hash;      // of every chunk's samples in order, where lossless
    std::optional<ReadBack> readBack;  // the joined output read back for the check, in parts
};

class SplitRow;
// Where a split row stands. Announced: not yet cut. Encoding: its chunks are written.
// Reading: its joined output is read back for the check, a chunk's part each.
enum class SplitPhase { Announced, Encoding, Reading };

// The split rows of one batch on jobs, shared by its job threads.
class SplitRows {
  public:
    SplitRows(const RunPlan& plan, int jobs);
    ~SplitRows();

    // The row just taken, under the batch's lock on taking rows, with `left` rows not yet
    // taken: announced as one that may be split when fewer rows are left than jobs, at once, so
    // that a job that runs out of rows waits to help with it rather than end.
    void Announce(const RowInput& in, int left);
    // A job with no row of its own left: encodes chunks of the split rows until none is left
    // and none is still announced.
    void Help(const JobParts& job, RowReport& report, bool& writerReset);

    // The owner's side, from the row's life: writes the row's joined output at `hidden` from
    // the input open on the job's reader. Nothing (and the row is written whole by its owner)
    // when this output cannot be split after all. Stopped: `stopped` is set. Failures throw.
    std::optional<SplitRecord> Run(const JobParts& job, const RowInput& in, RowReport& report,
                                   bool& writerReset, const QString& hidden, bool& stopped);

    // The row's life is over: it is no longer waited for, whether it was split or not.
    void Retire(int row);

  private:
    struct ChunkOutcome {
        bool complete = false;
        QString failure;
        std::int64_t notNumbers = 0;
        double peak = 0;
    };
    // Takes the row's chunks of its phase in turn until none is left.
    void RunChunks(SplitRow& row, const JobParts& job, RowReport& report, bool& writerReset);
    ChunkOutcome EncodeChunk(SplitRow& row, int k, const JobParts& job, RowReport& report,
                             bool& writerReset);
    ChunkOutcome ReadChunk(SplitRow& row, int k, const JobParts& job, RowReport& report);
    // Every chunk of the row through `phase`, on this job and the ones that help. False on a
    // stop; a chunk's failure throws.
    bool RunPhase(SplitRow& row, SplitPhase phase, const JobParts& job, RowReport& report,
                  bool& writerReset);
    std::shared_ptr<SplitRow> Find(int row);

    const RunPlan& plan_;
    const int jobs_;
    const OutputSplit* split_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::shared_ptr<SplitRow>> rows_;  // announced or encoding, under mutex_
};
