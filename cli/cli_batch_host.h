#pragma once

#include <QIODevice>
#include <QList>
#include <QTextStream>
#include <atomic>

#include "cli/convert_inputs.h"
#include "engine/batch_host.h"
#include "filelist/row_model.h"

struct MainState;

// The command line as the batches see it: one result line per row on `out`, in input order
// ("STATUS<TAB>input<TAB>output", or one JSON object per line), messages on `err`, and a live
// progress line on `err` only when it is a terminal. A stop signal (the flag) stops the batch as
// Stop does.
class CliBatchHost : public BatchHost {
  public:
    CliBatchHost(RowModel& rows, MainState& state, QTextStream& out, QTextStream& err,
                 const std::atomic<bool>& interrupted, bool liveProgress, bool json);

    int RowCount() const override { return rows_.Count(); }
    ListRow RowAt(int row) const override;
    void SetRowState(int row, RowState state) override { rows_.SetState(row, state); }
    void ShowRowProgress(int row, int value) override { rows_.SetProgress(row, value); }
    void ShowProgress(int value) override;
    void ClearProgressText() override;
    void ShowInformation(const QString& text) override;
    void ShowError(const QString& text) override;
    void PumpMessages() override;
    void WaitForMessages() override;
    void SetPacingTimer(bool) override {}
    void FileDone(const FileResult& result) override;
    void BatchEnded(const BatchSummary& summary) override;

    // Gives every row the batch did not report its line: "Error" with the message when the run
    // was refused before any file started, else "skipped". Call once the batch has returned.
    void FinishRows();
    // True when every input finished (nothing rejected, failed, stopped or skipped).
    bool AllFinished() const { return allFinished_; }
    // The inputs that never reached the list: each gets its result line in its input position.
    void SetRejected(const ProbedInputs& probed);
    // Every finished output's receipt is appended to `file` (open for writing) as one JSON line.
    void SetReceipts(QIODevice* file) { receipts_ = file; }

  private:
    void CheckInterrupt();
    void ClearLine();
    // `part`: the JSON of the part of the input the row stood for ("null" for a whole file).
    void PrintResult(RowState state, const QString& input, const QString& output,
                     const QString& reason, double seconds, const QString& note = {},
                     const OutputReceipt& receipt = {},
                     const QString& part = QStringLiteral("null"));
    void AppendReceipt(const QString& input, const QString& part, const QString& output,
                       const OutputReceipt& receipt);

    // The rejected inputs whose position comes before `row` (all of them for RowCount()).
    void PrintRejectedBefore(int row);

    RowModel& rows_;
    QStringList rejectedPaths_;
    QStringList rejectedMessages_;
    QList<int> rejectedAt_;
    int rejectedShown_ = 0;
    MainState& state_;
    QTextStream& out_;
    QTextStream& err_;
    const std::atomic<bool>& interrupted_;
    bool live_;
    bool json_;
    int done_ = 0;
    int shownPercent_ = -1;
    bool lineShown_ = false;
    bool allFinished_ = true;
    bool stopHeard_ = false;
    QString startError_;  // the message of a failure reported outside any row
    QIODevice* receipts_ = nullptr;
    bool receiptsFailed_ = false;
};

// A text as one JSON string, quotes included.
QString JsonString(const QString& text);
// A path as one field of a tab-separated line: backslash, tab, newline and other control
// characters escaped ("\\", "\t", "\n", "\r", "\xNN").
QString TabField(const QString& text);
