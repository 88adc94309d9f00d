#pragma once

#include <QString>

#include "tags/tag_records.h"

class QTreeWidget;
class QTreeWidgetItem;
struct ListRowTexts;

// A row of the file list lv: the caption in the first column, sub-items 0 to 4 (frequency,
// channels, time, size, status) in the five columns after it, and sub-item 5, the full input
// path, kept with the row but never shown. Everything that reads or writes a row goes through
// these, so the layout is fixed in one place.
QString SubItem(const QTreeWidgetItem* row, int index);
void SetSubItem(QTreeWidgetItem* row, int index, const QString& text);

// Sub-item numbers by name.
enum ListSubItem { kFrequency = 0, kChannels = 1, kTime = 2, kSize = 3, kStatus = 4, kPath = 5 };

// Writes the caption and every sub-item of a probed file into row.
void FillRow(QTreeWidgetItem* row, const ListRowTexts& texts);

// The row's tag record (its entry of Tags), kept with the row so that it can never fall out of
// step with the list.
struct AudioFileinfo;
AudioFileinfo RowRecord(const QTreeWidgetItem* row);
void SetRowRecord(QTreeWidgetItem* row, const AudioFileinfo& record);

// Tags over the rows of a list: each record lives on its row.
class ListRowRecords : public TagRecords {
  public:
    explicit ListRowRecords(QTreeWidget* list) : list_(list) {}
    int Count() const override;
    AudioFileinfo At(int row) const override;
    void Set(int row, const AudioFileinfo& record) override;

  private:
    QTreeWidget* list_;
};

// A running row's progress 0..10000, drawn as a bar behind its status; -1 removes it.
void SetRowProgress(QTreeWidgetItem* row, int value);
int RowProgress(const QTreeWidgetItem* row);
constexpr int kRowProgressRole = Qt::UserRole + 2;  // on the status column

// The folder the row was added from by Add Folder or a dropped folder (empty for a file added by
// itself): a kept folder structure is measured from it.
QString RowSourceFolder(const QTreeWidgetItem* row);
void SetRowSourceFolder(QTreeWidgetItem* row, const QString& folder);

// Why the last batch failed on the row (empty: it did not), shown as the row's tooltip.
void SetRowFailure(QTreeWidgetItem* row, const QString& reason);
