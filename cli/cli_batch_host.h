#pragma once

#include <QList>
#include <QTextStream>
#include <atomic>

#include "cli/convert_inputs.h"
#include "engine/batch_host.h"

struct MainState;

// The command line as the batches see it: one result line per row on `out`
// ("STATUS<TAB>input<TAB>output"), messages on `err`, and a live progress line on `err` only
// when it is a terminal. A Ctrl-C (the flag) stops the batch as Stop does.
class CliBatchHost : public BatchHost {
  public:
    CliBatchHost(const QList<InputRow>& rows, MainState& state, QTextStream& out, QTextStream& err,
                 const std::atomic<bool>& interrupted, bool liveProgress);

    int RowCount() const override { return static_cast<int>(rows_.size()); }
    QString RowCaption(int row) const override { return rows_[row].caption; }
    QString RowInputPath(int row) const override { return rows_[row].path; }
    AudioFileinfo RowTags(int row) const override { return rows_[row].tags; }
    void SetRowStatus(int, const QString&) override {}
    void ShowProgress(int value) override;
    void ClearProgressText() override;
    void ShowInformation(const QString& text) override;
    void ShowError(const QString& text) override;
    void PumpMessages() override;
    void WaitForMessages() override;
    void SetPacingTimer(bool) override {}
    void FileDone(const FileResult& result) override;

    bool AnyFailed() const { return failed_; }
    // A result line for an input that never reached the list.
    void PrintRejected(const QString& path);

  private:
    void CheckInterrupt();
    void ClearLine();

    const QList<InputRow>& rows_;
    MainState& state_;
    QTextStream& out_;
    QTextStream& err_;
    const std::atomic<bool>& interrupted_;
    bool live_;
    int done_ = 0;
    int shownPercent_ = -1;
    bool lineShown_ = false;
    bool failed_ = false;
};
