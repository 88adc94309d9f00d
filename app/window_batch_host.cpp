#include "app/window_batch_host.h"

#include <QCoreApplication>
#include <QTimer>
#include <QTreeWidget>

#include "app/information_box.h"
#include "app/list_rows.h"
#include "app/main_window.h"
#include "components/component_error.h"

namespace {
constexpr int kFrameMs = 40;
}  // namespace

WindowBatchHost::WindowBatchHost(Tfm_main& window) : window_(window) {
    nextDraw_.setSingleShot(true);
    QObject::connect(&nextDraw_, &QTimer::timeout, [this] { DrawProgress(); });
}

int WindowBatchHost::RowCount() const {
    return window_.lv()->topLevelItemCount();
}

ListRow WindowBatchHost::RowAt(int row) const {
    const QTreeWidgetItem* item = window_.lv()->topLevelItem(row);
    ListRow r;
    if (item) {
        r.caption = item->text(0);
        r.path = SubItem(item, kPath);
        r.record = RowRecord(item);
        r.sourceFolder = ::RowSourceFolder(item);
    }
    return r;
}

void WindowBatchHost::SetRowState(int row, RowState state) {
    // A row removed during the batch (the list refuses that, but be safe) has nothing to show.
    QTreeWidgetItem* item = window_.lv()->topLevelItem(row);
    if (!item) {
        return;
    }
    SetSubItem(item, kStatus, RowStateText(state));
    if (state == RowState::Converting || state == RowState::Normalising ||
        state == RowState::Measuring) {
        SetRowProgress(item, 0);
        window_.lv()->scrollToItem(item);  // the running rows stay in view
    } else {
        SetRowProgress(item, -1);
    }
    if (state == RowState::Waiting) {
        SetRowFailure(item, QString());
    }
}

void WindowBatchHost::ShowRowProgress(int row, int value) {
    QTreeWidgetItem* item = window_.lv()->topLevelItem(row);
    // Redrawn only when the bar moves by a visible step.
    if (item && RowProgress(item) >= 0 && RowProgress(item) / 100 != value / 100) {
        SetRowProgress(item, value);
    }
}

void WindowBatchHost::ShowBatchProgress(const BatchProgress& progress) {
    window_.SetBatchText(BatchProgressText(progress.done, progress.total, progress.secondsLeft));
}

void WindowBatchHost::BatchEnded(const BatchSummary& summary) {
    if (!window_.isVisible()) {
        return;  // closed mid-batch: nobody is there to read it
    }
    QString text =
        QStringLiteral("%1 %2, %3 failed, %4 stopped")
            .arg(summary.finished)
            .arg(summary.normalize ? QStringLiteral("normalised") : QStringLiteral("converted"))
            .arg(summary.failed)
            .arg(summary.stopped);
    if (summary.removed > 0) {
        text += QStringLiteral(", %1 removed").arg(summary.removed);
    }
    if (summary.existing > 0) {
        text += QStringLiteral(", %1 skipped (output exists)").arg(summary.existing);
    }
    text += QLatin1Char('.');
    // Someone working in another window hears of the end from the desktop too.
    if (!window_.isActiveWindow() && window_.Desktop()) {
        window_.Desktop()->Notify(QStringLiteral("Quorvel"), text);
    }
    if (summary.failures.isEmpty()) {
        ::ShowInformation(&window_, text);
        return;
    }
    ShowErrorReport(&window_,
                    text + QStringLiteral("\n\n") + summary.failures.join(QLatin1Char('\n')));
}

void WindowBatchHost::ShowProgress(int value) {
    // The block loop reports thousands of values a file and pumps events after each: drawing
    // every one would spend the loop's time painting. 0 (a file starts, a batch ends) is drawn
    // at once.
    pending_ = value;
    if (value == 0 || !lastDraw_.isValid() || lastDraw_.elapsed() >= kFrameMs) {
        DrawProgress();
    } else if (!nextDraw_.isActive()) {
        nextDraw_.start(kFrameMs - static_cast<int>(lastDraw_.elapsed()));
    }
}

void WindowBatchHost::DrawProgress() {
    nextDraw_.stop();
    window_.ShowProgress(pending_);
    lastDraw_.restart();
}

void WindowBatchHost::ClearProgressText() {
    window_.ClearProgressText();
}

void WindowBatchHost::ShowInformation(const QString& text) {
    ::ShowInformation(&window_, text);
}

void WindowBatchHost::ShowError(const QString& text) {
    ShowErrorReport(&window_, text);
}

void WindowBatchHost::PumpMessages() {
    QCoreApplication::processEvents();
}

void WindowBatchHost::WaitForMessages() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void WindowBatchHost::SetPacingTimer(bool enabled) {
    if (enabled) {
        window_.Timer1()->start();
    } else {
        window_.Timer1()->stop();
    }
}

void WindowBatchHost::FileDone(const FileResult& result) {
    // A failed row keeps its reason where the user can find it after the message is gone.
    if (QTreeWidgetItem* item = window_.lv()->topLevelItem(result.row)) {
        // A finished row keeps its remark (a loudness target not reached) the same way.
        SetRowFailure(item, result.state == RowState::Failed ? result.reason : result.note);
    }
}

void WindowBatchHost::BeforeBatch() {
    // The preview reads from the same reader: it stops before the batch takes the reader.
    MainState& state = window_.State();
    if (!state.Playing) {
        return;
    }
    try {
        window_.AudioPlayer21().Stop();
    } catch (const ComponentError&) {
        // The player is being let go anyway; the batch closes the reader itself.
    }
    state.Playing = false;
    SetRowState(state.PlayIndex, RowState::Stopped);
}
