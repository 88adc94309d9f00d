#include "app/file_list_view.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>

#include "app/list_grid_delegate.h"
#include "filelist/row_model.h"

FileListView::FileListView(RowModel& rows, QWidget* parent) : QTreeView(parent) {
    setModel(&rows);
    const int widths[] = {120, 70, 60, 60, 60};
    for (int column = 0; column < RowModel::kStatus; ++column) {
        setColumnWidth(column, widths[column]);
    }
    setColumnWidth(RowModel::kStatus, StatusColumnWidth());
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    setItemDelegate(new ListGridDelegate(this));
}

int FileListView::StatusColumnWidth() const {
    // A status cut to "Converti…" says nothing; the column grows by what the text needs beyond
    // its usual width. The delegate leaves a margin on both sides of the text and draws the grid
    // line inside the cell.
    const QFontMetrics metrics(font());
    int widest = metrics.horizontalAdvance(
        model()->headerData(RowModel::kStatus, Qt::Horizontal).toString());
    // Playing is the last state (row_state.cpp checks its table against that).
    for (int s = 0; s <= static_cast<int>(RowState::Playing); ++s) {
        widest =
            std::max(widest, metrics.horizontalAdvance(RowStateText(static_cast<RowState>(s))));
    }
    widest = std::max(widest, metrics.horizontalAdvance(RowStateText(RowState::Converting, true)));
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return std::max(kStatusWidth, widest + 2 * margin + 1);
}

void FileListView::changeEvent(QEvent* event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        setColumnWidth(RowModel::kStatus, StatusColumnWidth());
    }
}
