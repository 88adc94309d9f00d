#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/batch_host.h"
#include "engine/batch_parts.h"
#include "engine/batch_start.h"
#include "engine/convert_file.h"
#include "engine/normalize_worker.h"
#include "engine/output_target.h"
#include "settings/app_settings.h"
#include "tags/cover_art.h"

// One row as the batch took it when it started, with where its output goes. Read-only once the
// batch runs: job threads share it.
struct RowInput {
    int row = 0;
    ListRow source;  // the row as the list had it
    // Settled before the first row: where the output goes, and what an output already there
    // under its first name means for it.
    OutputTarget target;
    ExistingAction existing = ExistingAction::Convert;
    QString refusal;  // why the row cannot be converted (Refuse)
    QString firstName;
};

// Configures a job's writer as the batch's first writer was, from the same settings. Safe to
// call from any job's thread.
class WriterConfiguration {
  public:
    WriterConfiguration(int format, std::shared_ptr<const SettingsFile> settings,
                        QString commandLine)
        : format_(format), settings_(std::move(settings)), commandLine_(std::move(commandLine)) {}
    void Apply(const JobParts& job) const;

  private:
    int format_;
    std::shared_ptr<const SettingsFile> settings_;
    QString commandLine_;
    mutable std::mutex mutex_;
};

// Everything settled before the first row, read-only afterwards.
struct RunPlan {
    BatchWork work = BatchWork::Convert;
    BatchSetup setup;
    QString prefix;  // "Nor_" for normalised copies
    BlockLoopSettings loop;
    float level = 98.0f;
    std::int64_t maxWholeSamples = 0;
    LoudnessPlan loudness;  // its album gain is settled by the album's first pass
    bool replayGain = false;
    bool replayAlbum = false;
    // Inputs already in the output format are copied as they are ([Convert] same format=copy)
    // when they hold this codec: set only when nothing of the run (fades, level) would change
    // them; empty: every input is converted. `copyKeepsPcm`: a lossless format copies only an
    // input whose rate, channels and depth its writer would keep.
    QString copyCodec;
    bool copyKeepsPcm = false;
    CoverOptions covers;
    // Each input whose rows all finished, with a passing check, goes to the Trash.
    bool retireOriginals = false;
    bool check = true;  // every output decoded and compared before it is named ([Convert] check)
    // A long row is encoded in parts on the jobs that have no row left ([Batch] split long
    // files): set only for conversions on several jobs, with no fades, into a format that splits.
    bool split = false;
    std::shared_ptr<const WriterConfiguration> configure;
    std::vector<RowInput> rows;

    bool Normalize() const { return work == BatchWork::Normalize; }
    bool AlbumFirst() const { return Normalize() && loudness.meter && loudness.album; }
    int Count() const { return static_cast<int>(rows.size()); }
};

// Whether a batch of `work` on several jobs may encode a long row in parts on the jobs that
// have no row left: [Batch] split long files, a conversion without fades, a format that splits.
// Then a batch of fewer rows than jobs still gets every job.
bool SplitsLongRows(const AppSettings& app, BatchWork work);

// Settles the plan for `jobCount` jobs (0: one at a time on this thread): the checks and writer
// configuration of StartBatch, every row in its fresh Waiting state, and every row's output
// decided before anything is written. False when the batch must not run.
bool PrepareBatch(BatchParts& first, BatchHost& host, BatchWork work, std::size_t jobCount,
                  std::int64_t maxWholeSamples, RunPlan& plan);
