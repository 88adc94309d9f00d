#include "app/list_grid_delegate.h"

#include <QPainter>
#include <algorithm>

#include "filelist/row_model.h"

void ListGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    // A running row's progress: a bar behind its status text.
    const QVariant progress = index.data(RowModel::kProgressRole);
    if (progress.isValid()) {
        const int value = std::clamp(progress.toInt(), 0, 10000);
        QRect bar = option.rect.adjusted(1, 2, -2, -2);
        bar.setWidth(bar.width() * value / 10000);
        QColor fill = option.palette.color(QPalette::Highlight);
        fill.setAlpha(110);
        painter->fillRect(bar, fill);
    }
    QStyledItemDelegate::paint(painter, option, index);
    painter->save();
    QColor line = option.palette.color(QPalette::Mid);
    line.setAlpha(90);
    painter->setPen(line);
    const QRect r = option.rect;
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}
