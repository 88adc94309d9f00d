#pragma once

#include "preview/preview_host.h"

class QTreeWidget;
class QWidget;

// The main window's side of the preview: the rows of lv and the message boxes.
class ListPreviewHost : public PreviewHost {
  public:
    ListPreviewHost(QWidget* window, QTreeWidget* list) : window_(window), list_(list) {}

    int RowCount() const override;
    bool HasSelectedRow() const override;
    QString RowPath(int row) const override;
    void SetRowState(int row, RowState state) override;
    void ShowInformation(const QString& text) override;
    void ShowErrorReport(const QString& text) override;

  private:
    QWidget* window_;
    QTreeWidget* list_;
};
