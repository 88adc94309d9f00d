#include "cli/cli_batch_host.h"

#include <QCoreApplication>
#include <algorithm>

#include "engine/convert_batch.h"
#include "engine/main_state.h"

CliBatchHost::CliBatchHost(RowModel& rows, MainState& state, QTextStream& out, QTextStream& err,
                           const std::atomic<bool>& interrupted, bool liveProgress, bool json)
    : rows_(rows),
      state_(state),
      out_(out),
      err_(err),
      interrupted_(interrupted),
      live_(liveProgress),
      json_(json) {}

namespace {

QString Hex(char16_t c, int width) {
    return QString::number(c, 16).rightJustified(width, QLatin1Char('0'));
}

// The escapes both forms share (backslash, tab, newline, carriage return); JSON also escapes the
// quote, and the two differ in how other control characters are written.
QString Escaped(const QString& text, bool json) {
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case u'\\':
                s += QStringLiteral("\\\\");
                continue;
            case u'\t':
                s += QStringLiteral("\\t");
                continue;
            case u'\n':
                s += QStringLiteral("\\n");
                continue;
            case u'\r':
                s += QStringLiteral("\\r");
                continue;
            default:
                break;
        }
        if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            // A byte of a file name that is not UTF-8, written so that it can be had back: JSON
            // as the lone surrogate Python's surrogateescape reads, the line as the byte.
            s += json ? QStringLiteral("\\u") + Hex(c.unicode(), 4)
                      : QStringLiteral("\\x") + Hex(c.unicode() - 0xDC00, 2);
        } else if (json && c == QLatin1Char('"')) {
            s += QStringLiteral("\\\"");
        } else if (json && (c.unicode() < 0x20 || c.category() == QChar::Other_Control ||
                            c.unicode() == 0x2028 || c.unicode() == 0x2029)) {
            // Every control character, and the two line separators JavaScript refuses.
            s += QStringLiteral("\\u") + Hex(c.unicode(), 4);
        } else if (!json && c.category() == QChar::Other_Control) {
            s += QStringLiteral("\\x") + Hex(c.unicode(), 2);
        } else {
            s += c;
        }
    }
    return s;
}

}  // namespace

QString JsonString(const QString& text) {
    return QLatin1Char('"') + Escaped(text, true) + QLatin1Char('"');
}

QString TabField(const QString& text) {
    return Escaped(text, false);
}

ListRow CliBatchHost::RowAt(int row) const {
    return rows_.Row(row);
}

void CliBatchHost::ShowProgress(int value) {
    if (!live_ || !state_.Converting) {
        return;
    }
    const int percent = std::min(value, 10000) / 100;
    if (percent == shownPercent_) {
        return;
    }
    shownPercent_ = percent;
    err_ << "\r[" << done_ << '/' << rows_.Count() << "] " << percent << "% " << Qt::flush;
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
    if (startError_.isEmpty()) {
        startError_ = text;
    }
    ClearLine();
    // The failures of a batch come as one text, a line each: every line is an error line.
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        err_ << "quorvel-cli: " << line << '\n';
    }
    err_ << Qt::flush;
}

void CliBatchHost::CheckInterrupt() {
    // The signal handler has cleared the stop request itself; the rest of Stop happens here once.
    if (interrupted_ && !stopHeard_) {
        stopHeard_ = true;
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

namespace {

// The tracks of one image share its path: the sheet and the frames tell them apart.
QString PartJson(const ListRow& row) {
    if (row.range.Whole()) {
        return QStringLiteral("null");
    }
    return QStringLiteral("{\"sheet\":%1,\"start\":%2,\"end\":%3}")
        .arg(row.sheet.isEmpty() ? QStringLiteral("null") : JsonString(row.sheet))
        .arg(row.range.start)
        .arg(row.range.end < 0 ? QStringLiteral("null") : QString::number(row.range.end));
}

}  // namespace

void CliBatchHost::PrintResult(RowState state, const QString& input, const QString& output,
                               const QString& reason, double seconds, const QString& note,
                               const OutputReceipt& receipt, const QString& part) {
    // An output already there is what a re-run over a library asked for, not a failure.
    if (!RowStateSucceeded(state)) {
        allFinished_ = false;
    }
    ClearLine();
    if (json_) {
        out_ << "{\"status\":" << JsonString(RowStateWord(state))
             << ",\"input\":" << JsonString(input) << ",\"part\":" << part
             << ",\"output\":" << JsonString(output)
             << ",\"seconds\":" << QString::number(std::max(0.0, seconds), 'f', 3)
             << ",\"error\":" << JsonString(reason) << ",\"note\":" << JsonString(note)
             << ",\"check\":" << ReceiptJson(receipt) << "}\n"
             << Qt::flush;
    } else {
        out_ << RowStateWord(state) << '\t' << TabField(input) << '\t' << TabField(output) << '\n'
             << Qt::flush;
    }
}

// The batch reports every row once, in row order, whatever the job count.
void CliBatchHost::FileDone(const FileResult& result) {
    PrintRejectedBefore(result.row);
    ++done_;
    const ListRow& row = rows_.Row(result.row);
    const QString part = PartJson(row);
    PrintResult(result.state, row.path, result.output, result.reason, result.seconds, result.note,
                result.receipt, part);
    if (result.state == RowState::Finished) {
        AppendReceipt(row.path, part, result.output, result.receipt);
    }
    if (!result.note.isEmpty()) {
        ClearLine();
        err_ << rows_.Row(result.row).path << ": " << result.note << '\n' << Qt::flush;
    }
}

void CliBatchHost::BatchEnded(const BatchSummary& summary) {
    BatchHost::BatchEnded(summary);
    if (summary.trashed > 0) {
        ClearLine();
        err_ << OriginalsTrashedText(summary.trashed) << '\n' << Qt::flush;
    }
}

void CliBatchHost::AppendReceipt(const QString& input, const QString& part, const QString& output,
                                 const OutputReceipt& receipt) {
    if (!receipts_ || receiptsFailed_) {
        return;
    }
    const QByteArray line =
        (QStringLiteral("{\"input\":") + JsonString(input) + QStringLiteral(",\"part\":") + part +
         QStringLiteral(",\"output\":") + JsonString(output) + QStringLiteral(",\"check\":") +
         ReceiptJson(receipt) + QStringLiteral("}\n"))
            .toUtf8();
    if (receipts_->write(line) != line.size()) {
        // Said once: the outputs themselves are fine, only their receipts go missing.
        receiptsFailed_ = true;
        ClearLine();
        err_ << "quorvel-cli: Cannot write the receipts: " << receipts_->errorString() << '\n'
             << Qt::flush;
    }
}

void CliBatchHost::FinishRows() {
    // A refusal before the first file (a configuration the encoder rejects, an unknown
    // format) is a failure of every input.
    const bool refused = done_ == 0 && !startError_.isEmpty();
    for (int row = done_; row < RowCount(); ++row) {
        FileResult r;
        r.row = row;
        r.state = refused ? RowState::Failed : RowState::NotReached;
        r.reason = refused ? startError_ : QString();
        FileDone(r);
    }
    PrintRejectedBefore(RowCount() + 1);
}

void CliBatchHost::SetRejected(const ProbedInputs& probed) {
    rejectedPaths_ = probed.rejectedPaths;
    rejectedMessages_ = probed.rejectedMessages;
    rejectedAt_ = probed.rejectedAt;
}

void CliBatchHost::PrintRejectedBefore(int row) {
    for (; rejectedShown_ < rejectedPaths_.size() && rejectedAt_.value(rejectedShown_) <= row;
         ++rejectedShown_) {
        PrintResult(RowState::Failed, rejectedPaths_[rejectedShown_], QString(),
                    rejectedMessages_.value(rejectedShown_), 0);
    }
}
