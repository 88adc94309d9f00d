#pragma once

#include <QStyledItemDelegate>

// Draws the list's grid lines (a report-style list with a grid).
class ListGridDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
