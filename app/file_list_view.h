#pragma once

#include <QTreeView>

class RowModel;

// The file list lv: a report-style view of the rows, with a grid, whole-row selection of several
// rows, no editing and no header clicks. Columns "File Title" 120, "Frequency" 70, "Channels",
// "Time" and "Size" 60 each, and "Status" 70 or, where the font needs more, as wide as its longest
// text; refitted when the skin changes the font.
class FileListView : public QTreeView {
  public:
    static constexpr int kStatusWidth = 70;

    FileListView(RowModel& rows, QWidget* parent);

    // The Status column's width in the current font.
    int StatusColumnWidth() const;

  protected:
    void changeEvent(QEvent* event) override;
};
