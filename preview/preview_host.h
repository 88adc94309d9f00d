#pragma once

#include <QString>

#include "filelist/list_row.h"
#include "filelist/row_state.h"

// What the preview needs of the main window: the rows of the file list and the message boxes.
// Window thread only.
class PreviewHost {
  public:
    virtual ~PreviewHost() = default;
    virtual int RowCount() const = 0;
    virtual bool HasSelectedRow() const = 0;
    virtual QString RowPath(int row) const = 0;  // the full input path of the row
    // The part of the input the row stands for (a track of an image): what the preview plays.
    virtual SampleRange RowRange(int /*row*/) const { return {}; }
    virtual void SetRowState(int row, RowState state) = 0;
    virtual void ShowInformation(const QString& text) = 0;
    virtual void ShowErrorReport(const QString& text) = 0;
};
