#include "outside/skin/skin_label.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TSkinLabel::TSkinLabel(QWidget* parent) : QWidget(parent) {}

void TSkinLabel::SetCaption(const QString& text) {
    if (text == caption_) {
        return;
    }
    caption_ = text;
    setToolTip(text);  // the full path stays reachable when the drawing shortens it
    update();
}

QString TSkinLabel::ShownText() const {
    return fontMetrics().elidedText(caption_, Qt::ElideMiddle, std::max(0, width()));
}

QSize TSkinLabel::sizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(caption_), fontMetrics().height());
}

void TSkinLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Lets a style sheet give the label a background or border like any other widget.
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ShownText());
}
