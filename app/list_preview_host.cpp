#include "app/list_preview_host.h"

#include <QItemSelectionModel>

#include "app/information_box.h"
#include "filelist/row_model.h"

int ListPreviewHost::RowCount() const {
    return rows_.Count();
}

bool ListPreviewHost::HasSelectedRow() const {
    return selection_->hasSelection();
}

QString ListPreviewHost::RowPath(int row) const {
    return row >= 0 && row < rows_.Count() ? rows_.Row(row).path : QString();
}

SampleRange ListPreviewHost::RowRange(int row) const {
    return row >= 0 && row < rows_.Count() ? rows_.Row(row).range : SampleRange{};
}

void ListPreviewHost::SetRowState(int row, RowState state) {
    rows_.SetState(row, state);
}

void ListPreviewHost::ShowInformation(const QString& text) {
    ::ShowInformation(window_, text);
}

void ListPreviewHost::ShowErrorReport(const QString& text) {
    ::ShowErrorReport(window_, text);
}
