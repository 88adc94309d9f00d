#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/batch_host.h"

class Tfm_main;

// The main window as the batches see it: its list rows, the progress display, message boxes and
// the window thread's event queue. Window thread only.
class WindowBatchHost : public BatchHost {
    Q_DECLARE_TR_FUNCTIONS(WindowBatchHost)

  public:
    explicit WindowBatchHost(Tfm_main& window);

    int RowCount() const override;
    ListRow RowAt(int row) const override;
    void SetRowState(int row, RowState state) override;
    void ShowProgress(int value) override;
    void ClearProgressText() override;
    void ShowInformation(const QString& text) override;
    void ShowError(const QString& text) override;
    void PumpMessages() override;
    void WaitForMessages() override;
    void SetPacingTimer(bool enabled) override;
    void BeforeBatch() override;
    void FileDone(const FileResult& result) override;
    void ShowRowProgress(int row, int value) override;
    void ShowBatchProgress(const BatchProgress& progress) override;
    void BatchEnded(const BatchSummary& summary) override;

    // The receipt of a checked output as the row's tooltip shows it, a line a finding.
    static QString ReceiptText(const OutputReceipt& receipt);

  private:
    void DrawProgress();

    Tfm_main& window_;
    // Progress is drawn at most once per frame; the latest value waits for the next one.
    QElapsedTimer lastDraw_;
    QTimer nextDraw_;
    int pending_ = 0;
};
