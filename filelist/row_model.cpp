#include "filelist/row_model.h"

#include <QCoreApplication>

#include <algorithm>

#include "filelist/probe_file.h"

RowModel::RowModel(QObject* parent) : QAbstractTableModel(parent) {}

bool RowModel::Append(ListRow row) {
    if (Refused()) {
        return false;
    }
    const int at = Count();
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
    return true;
}

bool RowModel::Remove(int row) {
    if (!Valid(row) || Refused()) {
        return false;
    }
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
    return true;
}

bool RowModel::Clear() {
    if (Refused()) {
        return false;
    }
    if (!rows_.empty()) {
        beginResetModel();
        rows_.clear();
        endResetModel();
    }
    return true;
}

bool RowModel::Move(int from, int to) {
    if (!Valid(from) || !Valid(to) || Refused()) {
        return false;
    }
    if (from == to) {
        return true;
    }
    // Qt counts the destination before the move: one further down when moving down.
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    ListRow moved = std::move(rows_[static_cast<std::size_t>(from)]);
    rows_.erase(rows_.begin() + from);
    rows_.insert(rows_.begin() + to, std::move(moved));
    endMoveRows();
    return true;
}

bool RowModel::Replace(int row, ListRow with) {
    if (!Valid(row) || Refused()) {
        return false;
    }
    rows_[static_cast<std::size_t>(row)] = std::move(with);
    Changed(row, kCaption, kStatus);
    return true;
}

bool RowModel::SetCaption(int row, const QString& caption) {
    if (!Valid(row) || Refused()) {
        return false;
    }
    ListRow& r = rows_[static_cast<std::size_t>(row)];
    if (r.caption != caption) {
        r.caption = caption;
        Changed(row, kCaption, kCaption);
    }
    return true;
}

RowState RowModel::SetState(int row, RowState wanted) {
    if (!Valid(row)) {
        return wanted;  // a row gone (the list refuses that during a batch): nothing to show
    }
    ListRow& r = rows_[static_cast<std::size_t>(row)];
    const RowState next = NextRowState(r.state, wanted);
    if (next == r.state) {
        return next;
    }
    r.state = next;
    r.progress = IsRunningState(next) ? 0 : -1;
    int firstChanged = kStatus;
    if (next == RowState::Waiting && !r.remark.isEmpty()) {
        r.remark.clear();         // nothing of the last run looks like this run's result
        firstChanged = kCaption;  // every column's tip carried it
    }
    Changed(row, firstChanged, kStatus);
    emit stateChanged(row, next);
    return next;
}

void RowModel::SetProgress(int row, int value) {
    if (!Valid(row) || rows_[static_cast<std::size_t>(row)].progress < 0) {
        return;
    }
    ListRow& r = rows_[static_cast<std::size_t>(row)];
    value = std::clamp(value, 0, 10000);
    // Redrawn only when the bar moves by a visible step.
    const bool visible = r.progress / 100 != value / 100;
    r.progress = value;
    if (visible) {
        Changed(row, kStatus, kStatus);
    }
}

void RowModel::SetRemark(int row, const QString& remark) {
    if (!Valid(row) || rows_[static_cast<std::size_t>(row)].remark == remark) {
        return;
    }
    rows_[static_cast<std::size_t>(row)].remark = remark;
    Changed(row, kCaption, kStatus);
}

AudioFileinfo RowModel::At(int row) const {
    return Valid(row) ? Row(row).record : AudioFileinfo{};
}

void RowModel::Set(int row, const AudioFileinfo& record) {
    if (Valid(row) && !Refused()) {
        rows_[static_cast<std::size_t>(row)].record = record;
    }
}

int RowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int RowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant RowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Valid(index.row())) {
        return {};
    }
    const ListRow& r = Row(index.row());
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            switch (column) {
                case kCaption:
                    return r.caption;
                case kFrequency:
                    return r.frequency;
                case kChannels:
                    return r.channels;
                case kTime:
                    return r.time;
                case kSize:
                    return r.size;
                case kStatus:
                    return RowStateText(r.state, paused_);
                default:
                    return {};
            }
        case Qt::ToolTipRole: {
            // The caption's tip is the full path (and a track's sheet), for captions the column
            // cuts off; every tip carries why the row failed (or a finished row's note).
            if (column == kCaption) {
                QStringList lines{r.path};
                if (r.IsSheetTrack() && r.sheet != r.path) {
                    lines << r.sheet;
                }
                for (const QString& more : {r.sheetNote, r.remark}) {
                    if (!more.isEmpty()) {
                        lines << more;
                    }
                }
                return lines.join(QLatin1Char('\n'));
            }
            return r.remark.isEmpty() ? QVariant() : QVariant(r.remark);
        }
        case kPathRole:
            return r.path;
        case kProgressRole:
            return column == kStatus && r.progress >= 0 ? QVariant(r.progress) : QVariant();
        default:
            return {};
    }
}

QVariant RowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const kHeaders[] = {
        QT_TRANSLATE_NOOP("RowModel", "File Title"), QT_TRANSLATE_NOOP("RowModel", "Frequency"),
        QT_TRANSLATE_NOOP("RowModel", "Channels"),   QT_TRANSLATE_NOOP("RowModel", "Time"),
        QT_TRANSLATE_NOOP("RowModel", "Size"),       QT_TRANSLATE_NOOP("RowModel", "Status")};
    return section >= 0 && section < kColumnCount
               ? QCoreApplication::translate("RowModel", kHeaders[section])
               : QVariant();
}

void RowModel::SetPaused(bool paused) {
    if (paused == paused_) {
        return;
    }
    paused_ = paused;
    for (int row = 0; row < Count(); ++row) {
        if (IsRunningState(Row(row).state)) {
            Changed(row, kStatus, kStatus);
        }
    }
}

void RowModel::Changed(int row, int firstColumn, int lastColumn) {
    emit dataChanged(index(row, firstColumn), index(row, lastColumn));
}

ListRow RowFromProbe(const ListRowTexts& texts, const AudioFileinfo& record,
                     const QString& sourceFolder) {
    ListRow row;
    row.path = texts.Path;
    row.caption = texts.Caption;
    row.record = record;
    row.read = record;
    row.sourceFolder = sourceFolder;
    row.frequency = texts.Frequency;
    row.channels = texts.Channels;
    row.time = texts.Time;
    row.size = texts.Size;
    return row;
}
