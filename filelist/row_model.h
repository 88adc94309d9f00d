#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <functional>
#include <vector>

#include "filelist/list_row.h"
#include "tags/tag_records.h"

struct ListRowTexts;

// The rows of the file list, owned here and nowhere else: the window's list view shows them, the
// batches, the tag editor, the preview and the command line read and change them through this.
// Lives on the thread that made it (the window thread); the batches report to it from there.
//
// Columns: the caption, then frequency, channels, time, size and status. The status column
// carries the row's progress under kProgressRole; every column the input path under kPathRole.
class RowModel : public QAbstractTableModel, public TagRecords {
    Q_OBJECT

  public:
    enum Column { kCaption, kFrequency, kChannels, kTime, kSize, kStatus, kColumnCount };
    static constexpr int kPathRole = Qt::UserRole;
    static constexpr int kProgressRole = Qt::UserRole + 2;

    explicit RowModel(QObject* parent = nullptr);

    int Count() const override { return static_cast<int>(rows_.size()); }
    const ListRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    std::vector<ListRow> Rows() const { return rows_; }

    // While `refuse` returns true (a batch runs), rows are neither added, removed, moved nor
    // edited: the batch names its rows by position, and reads their records as it reaches them.
    // States, progress and remarks still change. Unset: every change is made.
    void SetChangeGuard(std::function<bool()> refuse) { refuse_ = std::move(refuse); }

    // Each returns false, changing nothing, when the guard refuses or the row does not exist.
    bool Append(ListRow row);
    bool Remove(int row);
    bool Clear();
    // Moves the row at `from` to stand at `to` (positions after the move).
    bool Move(int from, int to);
    // The row at `row` becomes `with` (a probed file in place of the row that waited for it).
    bool Replace(int row, ListRow with);
    // The caption the list shows, and the output is named from (the tag editor's titles).
    bool SetCaption(int row, const QString& caption);

    // The row moves to the state NextRowState allows; returns the state it is in afterwards.
    // Measuring and writing give it a progress of 0; any other state takes the progress away.
    RowState SetState(int row, RowState wanted);
    // A running row's progress 0..10000; a row without progress keeps none.
    void SetProgress(int row, int value);
    void SetRemark(int row, const QString& remark);
    // While set, the rows being worked on read "Paused" (their state and progress stay).
    void SetPaused(bool paused);
    bool Paused() const { return paused_; }

    // TagRecords: each row's record. Set is refused by the guard as the changes above are.
    AudioFileinfo At(int row) const override;
    void Set(int row, const AudioFileinfo& record) override;

    // QAbstractItemModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  signals:
    // After every change of a row's state (not for a state asked but refused).
    void stateChanged(int row, RowState state);

  private:
    bool Valid(int row) const { return row >= 0 && row < Count(); }
    bool Refused() const { return refuse_ && refuse_(); }
    void Changed(int row, int firstColumn, int lastColumn);

    std::vector<ListRow> rows_;
    std::function<bool()> refuse_;
    bool paused_ = false;
};

// A probed file as a row of the list.
ListRow RowFromProbe(const ListRowTexts& texts, const AudioFileinfo& record,
                     const QString& sourceFolder = {});
