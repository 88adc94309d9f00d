#pragma once

#include "preview/preview_host.h"

class QItemSelectionModel;
class QWidget;
class RowModel;

// The main window's side of the preview: the list's rows, its selection and the message boxes.
class ListPreviewHost : public PreviewHost {
  public:
    ListPreviewHost(QWidget* window, RowModel& rows, const QItemSelectionModel* selection)
        : window_(window), rows_(rows), selection_(selection) {}

    int RowCount() const override;
    bool HasSelectedRow() const override;
    QString RowPath(int row) const override;
    SampleRange RowRange(int row) const override;
    void SetRowState(int row, RowState state) override;
    void ShowInformation(const QString& text) override;
    void ShowErrorReport(const QString& text) override;

  private:
    QWidget* window_;
    RowModel& rows_;
    const QItemSelectionModel* selection_;
};
