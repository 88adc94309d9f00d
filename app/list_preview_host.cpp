#include "app/list_preview_host.h"

#include <QTreeWidget>

#include "app/information_box.h"

namespace {
// Column = sub-item + 1: the caption is column 0.
constexpr int kStatusColumn = 5;
constexpr int kPathColumn = 6;
}  // namespace

int ListPreviewHost::RowCount() const {
    return list_->topLevelItemCount();
}

bool ListPreviewHost::HasSelectedRow() const {
    return !list_->selectedItems().isEmpty();
}

QString ListPreviewHost::RowPath(int row) const {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    return item ? item->text(kPathColumn) : QString();
}

void ListPreviewHost::SetRowStatus(int row, const QString& status) {
    if (QTreeWidgetItem* item = list_->topLevelItem(row)) {
        item->setText(kStatusColumn, status);
    }
}

void ListPreviewHost::ShowInformation(const QString& text) {
    ::ShowInformation(window_, text);
}

void ListPreviewHost::ShowErrorReport(const QString& text) {
    ::ShowErrorReport(window_, text);
}
