#include "app/list_grid_delegate.h"

#include <QPainter>

void ListGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
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
