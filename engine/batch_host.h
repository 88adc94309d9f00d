#pragma once

#include <QString>
#include <QStringList>

#include "engine/output_receipt.h"
#include "filelist/list_row.h"

// The result of one row, reported once per row, in row order.
struct FileResult {
    int row = 0;
    RowState state = RowState::NotReached;  // the end state the row reached
    QString output;                         // empty when nothing was kept
    QString reason;                         // why the row failed, naming the file; empty otherwise
    double seconds = 0;                     // time spent on the row
    QString note{};           // a finished row's remark (a loudness target it could not reach)
    OutputReceipt receipt{};  // what the check of the written output found
};

// Where a batch stands, for a display of the whole batch.
struct BatchProgress {
    int done = 0;             // rows ended
    int total = 0;            // rows of the batch
    int value = 0;            // 0..10000 over the total duration of the rows
    double secondsLeft = -1;  // from the audio processed so far; below 0 while unknown
};

// How a batch ended, counted by end state.
struct BatchSummary {
    bool normalize = false;
    int finished = 0;
    int failed = 0;
    int stopped = 0;       // cut by a stop
    int removed = 0;       // inputs gone before their turn
    int skipped = 0;       // never reached
    int existing = 0;      // not converted: the output was there already
    int trashed = 0;       // inputs moved to the Trash after their outputs were checked
    QStringList failures;  // the reason of each failed row, in row order
};

// "12 originals moved to the Trash".
QString OriginalsTrashedText(int count);

// What the batches need from whoever shows them: the main window, the command line, tests.
// Every call arrives on the thread that runs the batch (the window thread for the window).
class BatchHost {
  public:
    virtual ~BatchHost() = default;

    // The rows, read once as the batch starts.
    virtual int RowCount() const = 0;
    virtual ListRow RowAt(int row) const = 0;
    // The row moves to `state` (as far as the row's states allow it).
    virtual void SetRowState(int row, RowState state) = 0;
    // A running row's own progress, 0..10000.
    virtual void ShowRowProgress(int row, int value) = 0;

    // Progress 0..10000; drawn as 0 when no batch runs.
    virtual void ShowProgress(int value) = 0;
    // Blanks the percentage text at the end of a batch.
    virtual void ClearProgressText() = 0;

    virtual void ShowInformation(const QString& text) = 0;
    // A failure that ended the batch, with the error's own message.
    virtual void ShowError(const QString& text) = 0;

    // Handles pending events without waiting (Stop and other clicks arrive here).
    virtual void PumpMessages() = 0;
    // Handles events, waiting until at least one arrives (the normalisation wait).
    virtual void WaitForMessages() = 0;
    // Starts or stops the one-second pacing timer that calls Timer1Timer.
    virtual void SetPacingTimer(bool enabled) = 0;

    // Called once as a batch starts, before the reader is touched: a preview must let go of it.
    virtual void BeforeBatch() {}
    // How each row ended and the output it produced (empty for a removed input).
    virtual void FileDone(const FileResult& result) { (void)result; }
    // The whole batch: rows ended of rows, overall progress and time left.
    virtual void ShowBatchProgress(const BatchProgress& progress) { (void)progress; }
    // Once, after the last row: by default the failures together in one error message.
    virtual void BatchEnded(const BatchSummary& summary) {
        if (!summary.failures.isEmpty()) {
            ShowError(summary.failures.join(QLatin1Char('\n')));
        }
    }
};
