#include "app/window_batch_host.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <QTreeView>
#include <cmath>

#include "app/desktop_open.h"
#include "app/information_box.h"
#include "app/main_window.h"
#include "preview/preview_playback.h"

namespace {
constexpr int kFrameMs = 40;
}  // namespace

WindowBatchHost::WindowBatchHost(Tfm_main& window) : window_(window) {
    nextDraw_.setSingleShot(true);
    QObject::connect(&nextDraw_, &QTimer::timeout, [this] { DrawProgress(); });
}

int WindowBatchHost::RowCount() const {
    return window_.Rows().Count();
}

ListRow WindowBatchHost::RowAt(int row) const {
    RowModel& rows = window_.Rows();
    return row >= 0 && row < rows.Count() ? rows.Row(row) : ListRow{};
}

void WindowBatchHost::SetRowState(int row, RowState state) {
    const RowState now = window_.Rows().SetState(row, state);
    if (IsRunningState(now)) {
        window_.lv()->scrollTo(window_.Rows().index(row, 0));  // the running rows stay in view
    }
}

void WindowBatchHost::ShowRowProgress(int row, int value) {
    window_.Rows().SetProgress(row, value);
}

void WindowBatchHost::ShowBatchProgress(const BatchProgress& progress) {
    window_.SetBatchText(BatchProgressText(progress.done, progress.total, progress.secondsLeft));
}

void WindowBatchHost::BatchEnded(const BatchSummary& summary) {
    // The machine may sleep once the work is done, whether or not someone reads the end.
    window_.EndSuspendInhibit();
    window_.ShowUnpaused();
    if (!window_.isVisible()) {
        return;  // closed mid-batch: nobody is there to read it
    }
    // Whole sentences for the translators: a word put into a sentence would not agree in German.
    QString text = (summary.normalize ? tr("%1 normalised, %2 failed, %3 stopped")
                                      : tr("%1 converted, %2 failed, %3 stopped"))
                       .arg(summary.finished)
                       .arg(summary.failed)
                       .arg(summary.stopped);
    if (summary.removed > 0) {
        text += tr(", %1 removed").arg(summary.removed);
    }
    if (summary.existing > 0) {
        text += tr(", %1 skipped (output exists)").arg(summary.existing);
    }
    text += QLatin1Char('.');
    if (summary.trashed > 0) {
        text +=
            QLatin1Char(' ') + (summary.trashed == 1
                                    ? tr("1 original moved to the Trash.")
                                    : tr("%1 originals moved to the Trash.").arg(summary.trashed));
    }
    // Someone working in another window hears of the end from the desktop too.
    if (!window_.isActiveWindow() && window_.Desktop()) {
        // What they will want next is to see the outputs.
        const QString folder = window_.State().appSettings.OutputDir;
        if (summary.finished > 0 && QFileInfo(folder).isDir()) {
            window_.Desktop()->NotifyWithAction(
                QStringLiteral("Quorvel"), text, tr("Open Folder"),
                [folder] { OpenWithDesktop(QUrl::fromLocalFile(folder)); });
        } else {
            window_.Desktop()->Notify(QStringLiteral("Quorvel"), text);
        }
    }
    // A batch that did all it was asked ends without a box: the rows, the notification and the
    // batch text say so. A failure or a stop is worth the user's click.
    if (summary.failed == 0 && summary.stopped == 0) {
        return;
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
    // A failed row keeps its reason where the user can find it after the message is gone; a
    // finished row its remark (a loudness target not reached) the same way.
    // The receipt follows, so the tooltip shows what the check found.
    const QString remark = result.state == RowState::Failed ? result.reason : result.note;
    const QString receipt = ReceiptText(result.receipt);
    window_.Rows().SetRemark(result.row, remark.isEmpty() || receipt.isEmpty()
                                             ? remark + receipt
                                             : remark + QLatin1Char('\n') + receipt);
}

QString WindowBatchHost::ReceiptText(const OutputReceipt& r) {
    if (!r.checked) {
        return {};
    }
    QStringList lines;
    lines << (r.failure.isEmpty() ? tr("Checked: %1 samples written, %2 read back")
                                  : tr("Check: %1 samples written, %2 read back"))
                 .arg(r.samplesIn)
                 .arg(r.samplesOut);
    if (!r.md5Out.isEmpty()) {
        lines << (r.md5In == r.md5Out ? tr("PCM MD5 %1, as written").arg(r.md5Out)
                                      : tr("PCM MD5 %1, not %2").arg(r.md5Out, r.md5In));
    }
    if (!r.tagsWritten.isEmpty()) {
        lines << tr("Tags written: %1").arg(r.tagsWritten.join(QStringLiteral(", ")));
    }
    if (!r.tagsNotPlaced.isEmpty()) {
        lines << tr("No place in this format for: %1")
                     .arg(r.tagsNotPlaced.join(QStringLiteral(", ")));
    }
    if (std::isfinite(r.loudness)) {
        lines << tr("Loudness: %1 LUFS").arg(r.loudness, 0, 'f', 1);
    }
    if (std::isfinite(r.peak)) {
        lines << tr("Peak: %1 %").arg(r.peak * 100.0, 0, 'f', 1);
    }
    return lines.join(QLatin1Char('\n'));
}

void WindowBatchHost::BeforeBatch() {
    // The preview reads from the same reader: it stops before the batch takes the reader.
    window_.Preview().StopForBatch();
}
