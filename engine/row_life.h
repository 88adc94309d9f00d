#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "engine/batch_plan.h"

class ILoudnessTrack;
class SplitRows;

// How a row's life tells where it stands, from the thread the row runs on. The scheduler
// decides how that reaches the host: at once on the window thread, through a queue from a job.
class RowReport {
  public:
    virtual ~RowReport() = default;
    virtual void State(int row, RowState state) = 0;
    virtual void Progress(int row, int value) = 0;  // 0..10000 of the pass the row is in
    // False once a stop was asked for; on the window thread it handles pending events first.
    virtual bool KeepGoing() = 0;
};

enum class WorkEnd { Complete, Stopped };

// What a row's work leaves beside its output.
struct RowExtras {
    QString note;                           // for the row's result
    std::unique_ptr<ILoudnessTrack> track;  // ReplayGain: the finished output's loudness
};

// One file's audio work between opening the pair and closing it, run where the scheduler wants
// it; failures propagate.
using RowWork = std::function<WorkEnd(const JobParts&, const RowInput&, RowExtras&)>;

// Everything a row's life needs besides the row.
struct RowLifeParts {
    const JobParts& job;
    const RunPlan& plan;
    RowReport& report;
    const RowWork& work;
    // The job's writer lost its configuration (a failed close): configured again before the
    // next row is opened.
    bool& writerReset;
    // The batch's long rows encoded in parts on several jobs (null: every row on its own job).
    SplitRows* split = nullptr;
};

// A row's life, the same on every thread: decided (an output already there), gone (the input
// was removed), or opened, written under a hidden name by `work`, closed, tagged, given
// ReplayGain values, and named without replacing any file (or replacing the one output it
// updates). A stopped or failed row leaves nothing behind. Reports Converting or Normalising as
// it starts and its end state as it ends; never throws. `promised` is the name reserved for
// the row (empty: reserved here).
FileResult LiveRow(const RowLifeParts& parts, const RowInput& in, RowExtras& extras,
                   QString promised = {});

// The name the row's output will get, reserved among this batch's rows: the existing output it
// replaces when that is still free, else the rule's next free name. Empty for a row that is not
// converted. Jobs reserve names in row order, so outputs are named as one at a time would.
QString PromiseRowName(const RunPlan& plan, const RowInput& in);

// Both components let go of the row's files. A writer that could not close is reset, and
// returns true: it has lost its configuration.
bool LetGo(const JobParts& job);
