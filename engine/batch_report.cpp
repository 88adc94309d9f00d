#include "engine/batch_report.h"

#include <algorithm>
#include <cmath>

#include "components/loudness_meter.h"
#include "engine/album_pass.h"
#include "engine/main_state.h"
#include "platform/trash.h"

namespace {

// A row's play time in milliseconds, its share of the batch's work: for a part of an input with
// an end (a track of an image) the part's, at the rate the list shows for the input; else the
// record's, which is the row's own (a sheet's last track has its length there).
double PlayMs(const ListRow& row) {
    const int rate = row.frequency.trimmed().section(QLatin1Char(' '), 0, 0).toInt();
    if (row.range.end < 0 || rate <= 0) {
        return row.record.DurationMs;
    }
    return 1000.0 * static_cast<double>(row.range.end - row.range.start) / rate;
}

}  // namespace

HostRows::HostRows(BatchHost& host, const RunPlan& plan)
    : host_(host), plan_(plan), states_(plan.rows.size(), RowState::Waiting) {
    bool known = false;
    for (const RowInput& in : plan.rows) {
        known |= in.source.record.DurationMs > 0;
    }
    for (const RowInput& in : plan.rows) {
        weights_.push_back(known ? std::max(PlayMs(in.source), 1.0) : 1.0);
        total_ += weights_.back();
    }
    progress_.assign(plan.rows.size(), 0);
    if (plan.retireOriginals) {
        for (const RowInput& in : plan.rows) {
            ++rowsToFinish_[in.source.path];
        }
    }
    summary_.normalize = plan.Normalize();
    clock_.start();
}

void HostRows::Apply(int row, RowState state) {
    const auto i = static_cast<std::size_t>(row);
    const RowState next = NextRowState(states_[i], state);
    if (next == states_[i]) {
        return;
    }
    states_[i] = next;
    host_.SetRowState(row, next);
    if (next == RowState::Measuring || next == RowState::Waiting) {
        progress_[i] = 0;  // the first pass is not the row's work
    }
    // A row the batch never reached has not ended: the count says what was done.
    if (IsEndState(next) && next != RowState::NotReached) {
        progress_[i] = 10000;
        ++ended_;
    }
}

void HostRows::Progress(int row, int value) {
    const auto i = static_cast<std::size_t>(row);
    host_.ShowRowProgress(row, value);
    if (states_[i] == RowState::Converting || states_[i] == RowState::Normalising) {
        progress_[i] = std::clamp(value, 0, 10000);
    }
}

BatchProgress HostRows::Now() const {
    double processed = 0;
    for (std::size_t i = 0; i < weights_.size(); ++i) {
        processed += weights_[i] * progress_[i] / 10000.0;
    }
    BatchProgress p;
    p.done = ended_;
    p.total = static_cast<int>(weights_.size());
    p.value = total_ > 0 ? static_cast<int>(std::lround(10000.0 * processed / total_)) : 0;
    const double elapsed = static_cast<double>(clock_.elapsed()) / 1000.0;
    // Too early a guess swings wildly; wait for a second of work and a little progress.
    if (elapsed >= 1.0 && processed > 0 && p.value >= 50) {
        p.secondsLeft = elapsed * (total_ - processed) / processed;
    }
    return p;
}

QString OriginalsTrashedText(int count) {
    return count == 1 ? QStringLiteral("1 original moved to the Trash")
                      : QStringLiteral("%1 originals moved to the Trash").arg(count);
}

void HostRows::RetireOriginal(FileResult& r) {
    const QString& path = plan_.rows[static_cast<std::size_t>(r.row)].source.path;
    const auto left = rowsToFinish_.find(path);
    if (left == rowsToFinish_.end() || left.value() < 0) {
        return;
    }
    // A skipped row, a failed one, an unchecked output, or an output that is the input itself
    // keeps the original.
    const bool done = r.state == RowState::Finished && r.receipt.checked &&
                      r.receipt.failure.isEmpty() && !r.output.isEmpty() && r.output != path;
    left.value() = done ? left.value() - 1 : -1;
    if (left.value() != 0) {
        return;
    }
    const TrashMove move = MoveToTrash(path);
    if (move.moved) {
        ++summary_.trashed;
        return;
    }
    const QString stays = QStringLiteral("The original stays where it is: %1").arg(move.error);
    r.note = r.note.isEmpty() ? stays : r.note + QStringLiteral("; ") + stays;
}

void HostRows::Report(const FileResult& result) {
    FileResult r = result;
    if (plan_.retireOriginals) {
        RetireOriginal(r);
    }
    Apply(r.row, r.state);
    switch (r.state) {
        case RowState::Finished:
            ++summary_.finished;
            break;
        case RowState::Stopped:
            ++summary_.stopped;
            break;
        case RowState::Failed:
            ++summary_.failed;
            summary_.failures << r.reason;
            break;
        case RowState::Removed:
            host_.ShowInformation(plan_.rows[static_cast<std::size_t>(r.row)].source.path +
                                  QStringLiteral(" has been removed."));
            ++summary_.removed;
            break;
        case RowState::Exists:
            ++summary_.existing;
            break;
        default:
            ++summary_.skipped;
            break;
    }
    host_.FileDone(r);
}

void HostRows::ReportNotReached(int fromRow) {
    for (int row = fromRow; row < plan_.Count(); ++row) {
        FileResult r;
        r.row = row;
        r.state = RowState::NotReached;
        Report(r);
    }
}

void EndRun(BatchParts& parts, BatchHost& host, const RunPlan& plan,
            const std::vector<std::unique_ptr<ILoudnessTrack>>& written,
            const std::vector<QString>& outputs, BatchSummary& summary) {
    WriteAlbumReplayGain(plan, written, outputs, summary);
    EndBatch(parts, host);
    parts.state.BatchActive = false;
    host.BatchEnded(summary);
}
