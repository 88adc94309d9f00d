#include "cli/cli_batch_host.h"

#include <QCoreApplication>

#include "engine/convert_batch.h"
#include "engine/main_state.h"

CliBatchHost::CliBatchHost(const QList<InputRow>& rows, MainState& state, QTextStream& out,
                           QTextStream& err, const std::atomic<bool>& interrupted,
                           bool liveProgress)
    : rows_(rows),
      state_(state),
      out_(out),
      err_(err),
      interrupted_(interrupted),
      live_(liveProgress) {}

void CliBatchHost::ShowProgress(int value) {
    if (!live_ || !state_.Converting) {
        return;
    }
    const int percent = std::min(value, 10000) / 100;
    if (percent == shownPercent_) {
        return;
    }
    shownPercent_ = percent;
    err_ << "\r[" << done_ << '/' << rows_.size() << "] " << percent << "% " << Qt::flush;
    lineShown_ = true;
}

void CliBatchHost::ClearLine() {
    if (lineShown_) {
        err_ << "\r\033[K" << Qt::flush;
        lineShown_ = false;
        shownPercent_ = -1;
    }
}

void CliBatchHost::ClearProgressText() {
    ClearLine();
}

void CliBatchHost::ShowInformation(const QString& text) {
    ClearLine();
    err_ << text << '\n' << Qt::flush;
}

void CliBatchHost::ShowError(const QString& text) {
    ClearLine();
    err_ << "quorvel-cli: " << text << '\n' << Qt::flush;
}

void CliBatchHost::CheckInterrupt() {
    if (interrupted_ && state_.Converting) {
        StopWork(state_);
    }
}

void CliBatchHost::PumpMessages() {
    QCoreApplication::processEvents();
    CheckInterrupt();
}

void CliBatchHost::WaitForMessages() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    CheckInterrupt();
}

void CliBatchHost::FileDone(const FileResult& result) {
    static const char* const kStatus[] = {"finish", "stopped", "Error", "removed", "skipped"};
    const FileOutcome outcome = result.outcome;
    const int row = result.row;
    const QString& output = result.output;
    const auto index = static_cast<std::size_t>(outcome);
    if (outcome == FileOutcome::Error || outcome == FileOutcome::Removed) {
        failed_ = true;
    }
    ClearLine();
    ++done_;
    out_ << kStatus[index] << '\t' << rows_[row].path << '\t' << output << '\n' << Qt::flush;
}

void CliBatchHost::PrintRejected(const QString& path) {
    failed_ = true;
    out_ << "Error\t" << path << "\t\n" << Qt::flush;
}
