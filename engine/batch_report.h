#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <vector>

#include "engine/batch_plan.h"

// The rows as the host shows them, on the host's thread: states, each row's progress and the
// whole batch's, counted from the rows themselves so the count never trails what the rows show.
class HostRows {
  public:
    HostRows(BatchHost& host, const RunPlan& plan);

    // The row moves to `state`; an end state counts it as ended.
    void Apply(int row, RowState state);
    void Progress(int row, int value);
    RowState StateOf(int row) const { return states_[static_cast<std::size_t>(row)]; }
    // Rows ended of rows, overall progress weighted by each row's duration (equal weights when
    // none is known), and the time left from the audio processed so far.
    BatchProgress Now() const;
    void ShowBatchProgress() { host_.ShowBatchProgress(Now()); }

    // How the row ended, on the host: its count in the summary and its result, in row order.
    void Report(const FileResult& result);
    // Every row not reported yet ends as not reached.
    void ReportNotReached(int fromRow);
    BatchSummary& Summary() { return summary_; }

  private:
    // The input of a finished row goes to the Trash once every row made from it has finished.
    void RetireOriginal(FileResult& result);

    BatchHost& host_;
    const RunPlan& plan_;
    std::vector<RowState> states_;
    std::vector<double> weights_;
    std::vector<int> progress_;
    double total_ = 0;
    int ended_ = 0;
    QElapsedTimer clock_;
    BatchSummary summary_;
    QHash<QString, int> rowsToFinish_;  // per input: its rows not finished yet; -1 once one failed
};

// The batch's common end, once every row is reported: ReplayGain's album values, the progress
// display cleared, the control released and the host told.
void EndRun(BatchParts& parts, BatchHost& host, const RunPlan& plan,
            const std::vector<std::unique_ptr<ILoudnessTrack>>& written,
            const std::vector<QString>& outputs, BatchSummary& summary);
