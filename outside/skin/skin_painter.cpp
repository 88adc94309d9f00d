#include "outside/skin/skin_painter.h"

#include "outside/skin/skin_element.h"
#include "outside/skin/skin_icons.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kIconSide = 16;
constexpr int kIconGap = 6;
// A caption too long for its element (a translation is often longer than the skin's words) is
// drawn smaller, down to this size, before it is cut.
constexpr qreal kSmallestPointSize = 6.5;

QFont FittedFont(const QFont& font, const QString& text, int room) {
    QFont fitted = font;
    while (QFontMetrics(fitted).horizontalAdvance(text) > room &&
           fitted.pointSizeF() - 0.5 >= kSmallestPointSize) {
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    }
    return fitted;
}

QBrush FillBrush(const SkinElementDef& def, const QColor& fill, const QRectF& area,
                 bool horizontal) {
    if (!def.fill2.isValid() || fill != def.fill) {
        return fill;
    }
    QLinearGradient gradient(area.topLeft(), horizontal ? area.topRight() : area.bottomLeft());
    gradient.setColorAt(0, def.fill);
    gradient.setColorAt(1, def.fill2);
    return gradient;
}

void PaintBox(QPainter& painter, const SkinElementDef& def, const QRect& rect, const QColor& fill,
              bool horizontalGradient) {
    if (!fill.isValid() && !def.border.isValid()) {
        return;
    }
    // Half-pixel inset keeps a one-pixel border crisp.
    const QRectF area = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = std::min<qreal>(def.radius, std::min(area.width(), area.height()) / 2);
    painter.setPen(def.border.isValid() ? QPen(def.border, 1) : QPen(Qt::NoPen));
    painter.setBrush(fill.isValid() ? FillBrush(def, fill, area, horizontalGradient)
                                    : QBrush(Qt::NoBrush));
    painter.drawRoundedRect(area, radius, radius);
}

// Icon and text side by side, placed in the rectangle by the element's alignment.
void PaintRow(QPainter& painter, const TSkinElement& element, const QRect& rect,
              const QColor& color, const QFont& baseFont) {
    const SkinElementDef& def = element.Def();
    const bool hasIcon = IsSkinIcon(def.icon);
    const int padding = def.kind == SkinElementKind::Text ? 0 : 6;
    const int room = std::max(0, rect.width() - 2 * padding - (hasIcon ? kIconSide + kIconGap : 0));
    const QFont font = FittedFont(baseFont, element.Text(), room);
    const QFontMetrics metrics(font);
    const QString text = metrics.elidedText(element.Text(), Qt::ElideRight, room);
    const int textWidth = text.isEmpty() ? 0 : metrics.horizontalAdvance(text);
    const int contentWidth =
        textWidth + (hasIcon ? kIconSide : 0) + (hasIcon && textWidth > 0 ? kIconGap : 0);
    int x = rect.left() + padding;
    if (def.align == SkinAlign::Center) {
        x = rect.left() + (rect.width() - contentWidth) / 2;
    } else if (def.align == SkinAlign::Right) {
        x = rect.right() + 1 - padding - contentWidth;
    }
    if (hasIcon) {
        const QRectF iconBox(x, rect.top() + (rect.height() - kIconSide) / 2.0, kIconSide,
                             kIconSide);
        PaintSkinIcon(painter, def.icon, iconBox, color);
        x += kIconSide + kIconGap;
    }
    if (!text.isEmpty()) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRect(x, rect.top(), textWidth + 1, rect.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    }
}

// Icon above a short caption, for the tall buttons of a toolbar.
void PaintStack(QPainter& painter, const TSkinElement& element, const QRect& rect,
                const QColor& color, const QFont& baseFont) {
    const QFont font = FittedFont(baseFont, element.Text(), rect.width() - 4);
    const QFontMetrics metrics(font);
    const QString text = metrics.elidedText(element.Text(), Qt::ElideRight, rect.width() - 4);
    // Laid out by the skin's size, so the icons of a row of buttons stay level.
    const int textHeight = QFontMetrics(baseFont).height();
    const int total = kIconSide + 2 + textHeight;
    const int top = rect.top() + (rect.height() - total) / 2;
    PaintSkinIcon(painter, element.Def().icon,
                  QRectF(rect.left() + (rect.width() - kIconSide) / 2.0, top, kIconSide, kIconSide),
                  color);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRect(rect.left(), top + kIconSide + 2, rect.width(), textHeight),
                     Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

}  // namespace

void PaintSkinElement(QPainter& painter, const TSkinElement& element, SkinElementState state,
                      const QFont& baseFont) {
    const SkinElementDef& def = element.Def();
    QRect rect = element.PaintRect();
    if (rect.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);

    QFont font = baseFont;
    if (def.fontSize > 0) {
        font.setPointSize(def.fontSize);
    }
    font.setBold(def.bold);
    const QColor color = def.color.isValid() ? def.color : QColor(Qt::black);

    switch (def.kind) {
        case SkinElementKind::Form:
            PaintBox(painter, def, rect, def.fill, false);
            break;
        case SkinElementKind::Panel:
            PaintBox(painter, def, rect, def.fill, false);
            break;
        case SkinElementKind::Progress:
            PaintBox(painter, def, rect, def.fill, true);
            break;
        case SkinElementKind::Text:
            PaintBox(painter, def, rect, def.fill, false);
            PaintRow(painter, element, rect, color, font);
            break;
        case SkinElementKind::Button:
        case SkinElementKind::Menu: {
            QColor fill = def.fill;
            if (state == SkinElementState::Pressed && def.pressed.isValid()) {
                fill = def.pressed;
            } else if (state != SkinElementState::Normal && def.hover.isValid()) {
                fill = def.hover;
            }
            PaintBox(painter, def, rect, fill, false);
            if (state == SkinElementState::Pressed) {
                rect.translate(0, 1);  // the content sinks a little while held down
            }
            const bool stacked = IsSkinIcon(def.icon) && !element.Text().isEmpty() &&
                                 rect.height() >= kIconSide + QFontMetrics(font).height() + 4;
            if (stacked) {
                PaintStack(painter, element, rect, color, font);
            } else {
                PaintRow(painter, element, rect, color, font);
            }
            break;
        }
    }
    painter.restore();
}

void PaintSkinFocus(QPainter& painter, const TSkinElement& element) {
    const SkinElementDef& def = element.Def();
    const QRectF area = QRectF(element.PaintRect()).adjusted(1, 1, -1, -1);
    if (area.isEmpty()) {
        return;
    }
    // The skin's text colour stands out on every fill it draws under that text, the accent's
    // included.
    const QColor ring = def.color.isValid() ? def.color : QColor(Qt::black);
    const qreal radius = std::max<qreal>(
        0, std::min<qreal>(def.radius, std::min(area.width(), area.height()) / 2) - 1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area, radius, radius);
    painter.restore();
}

void PaintSkinBackground(QPainter& painter, const SkinElementDef& form, const QRect& area) {
    if (!form.fill.isValid()) {
        return;
    }
    painter.save();
    painter.fillRect(area, FillBrush(form, form.fill, area, false));
    painter.restore();
}
