#include "app/list_preview_host.h"

#include <QTreeWidget>

#include "app/information_box.h"
#include "app/list_rows.h"

int ListPreviewHost::RowCount() const {
    return list_->topLevelItemCount();
}

bool ListPreviewHost::HasSelectedRow() const {
    return !list_->selectedItems().isEmpty();
}

QString ListPreviewHost::RowPath(int row) const {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    return item ? SubItem(item, kPath) : QString();
}

void ListPreviewHost::SetRowState(int row, RowState state) {
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        SetSubItem(item, kStatus, RowStateText(state));
    }
}

void ListPreviewHost::ShowInformation(const QString& text) {
    ::ShowInformation(window_, text);
}

void ListPreviewHost::ShowErrorReport(const QString& text) {
    ::ShowErrorReport(window_, text);
}
