#include "outside/skin/skin_icons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

// Every icon is designed on a 16 x 16 grid; outline icons are stroked, solid ones filled.
struct IconShape {
    QPainterPath outline;
    QPainterPath solid;
};

QPainterPath Polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first) {
            path.moveTo(point);
            first = false;
        } else {
            path.lineTo(point);
        }
    }
    return path;
}

QPainterPath Polygon(std::initializer_list<QPointF> points) {
    QPainterPath path = Polyline(points);
    path.closeSubpath();
    return path;
}

IconShape Shape(const QString& name) {
    IconShape s;
    if (name == QLatin1String("add")) {
        s.outline.addPath(Polyline({{8, 2.5}, {8, 13.5}}));
        s.outline.addPath(Polyline({{2.5, 8}, {13.5, 8}}));
    } else if (name == QLatin1String("remove")) {
        s.outline.addPath(Polyline({{2.5, 8}, {13.5, 8}}));
    } else if (name == QLatin1String("clear")) {
        // A waste bin: lid, handle, tapered body and two ribs.
        s.outline.addPath(Polyline({{2, 4}, {14, 4}}));
        s.outline.addPath(Polyline({{6, 4}, {6.5, 2}, {9.5, 2}, {10, 4}}));
        s.outline.addPath(Polygon({{3.5, 4}, {4.5, 14}, {11.5, 14}, {12.5, 4}}));
        s.outline.addPath(Polyline({{6.6, 6.5}, {6.9, 11.5}}));
        s.outline.addPath(Polyline({{9.4, 6.5}, {9.1, 11.5}}));
    } else if (name == QLatin1String("tag")) {
        s.outline.addPath(Polygon({{2, 2}, {8.5, 2}, {14.5, 8}, {8, 14.5}, {2, 8.5}}));
        s.outline.addEllipse(QPointF(5.3, 5.3), 1.2, 1.2);
    } else if (name == QLatin1String("convert")) {
        // Two opposed arrows: one format in, the other out.
        s.outline.addPath(Polyline({{2, 5}, {13, 5}}));
        s.outline.addPath(Polyline({{10, 2}, {13, 5}, {10, 8}}));
        s.outline.addPath(Polyline({{14, 11}, {3, 11}}));
        s.outline.addPath(Polyline({{6, 8}, {3, 11}, {6, 14}}));
    } else if (name == QLatin1String("normalize")) {
        // Level bars under a ceiling line.
        s.outline.addPath(Polyline({{2, 2.5}, {14, 2.5}}));
        s.outline.addPath(Polyline({{3.5, 14}, {3.5, 9}}));
        s.outline.addPath(Polyline({{6.5, 14}, {6.5, 5.5}}));
        s.outline.addPath(Polyline({{9.5, 14}, {9.5, 7}}));
        s.outline.addPath(Polyline({{12.5, 14}, {12.5, 5.5}}));
    } else if (name == QLatin1String("stop")) {
        s.outline.addEllipse(QPointF(8, 8), 6, 6);
        s.solid.addRoundedRect(QRectF(5.5, 5.5, 5, 5), 0.8, 0.8);
    } else if (name == QLatin1String("play")) {
        s.solid.addPath(Polygon({{4.5, 2.5}, {13, 8}, {4.5, 13.5}}));
    } else if (name == QLatin1String("pause")) {
        s.solid.addRoundedRect(QRectF(4, 3, 2.8, 10), 0.8, 0.8);
        s.solid.addRoundedRect(QRectF(9.2, 3, 2.8, 10), 0.8, 0.8);
    } else if (name == QLatin1String("square")) {
        s.solid.addRoundedRect(QRectF(3.5, 3.5, 9, 9), 1.5, 1.5);
    } else if (name == QLatin1String("folder")) {
        s.outline.addPath(Polygon({{1.5, 3}, {6, 3}, {7.5, 5}, {14.5, 5}, {14.5, 13}, {1.5, 13}}));
    } else if (name == QLatin1String("open")) {
        // A box with an arrow leaving it: show the folder in the file manager.
        s.outline.addPath(Polyline({{7, 3}, {3, 3}, {3, 13}, {13, 13}, {13, 9}}));
        s.outline.addPath(Polyline({{8, 8}, {14, 2}}));
        s.outline.addPath(Polyline({{9.5, 2}, {14, 2}, {14, 6.5}}));
    } else if (name == QLatin1String("help")) {
        s.outline.addEllipse(QPointF(8, 8), 6.5, 6.5);
        QPainterPath hook;
        hook.moveTo(5.9, 6.2);
        hook.cubicTo(5.9, 3.4, 10.3, 3.4, 10.3, 6.1);
        hook.cubicTo(10.3, 7.8, 8, 7.9, 8, 9.8);
        s.outline.addPath(hook);
        s.solid.addEllipse(QPointF(8, 11.9), 0.95, 0.95);
    } else if (name == QLatin1String("wave")) {
        // The product mark: a sound wave.
        s.outline.addPath(Polyline({{2.5, 6.5}, {2.5, 9.5}}));
        s.outline.addPath(Polyline({{5.3, 4}, {5.3, 12}}));
        s.outline.addPath(Polyline({{8.1, 2}, {8.1, 14}}));
        s.outline.addPath(Polyline({{10.9, 5}, {10.9, 11}}));
        s.outline.addPath(Polyline({{13.7, 7}, {13.7, 9}}));
    }
    return s;
}

}  // namespace

QStringList SkinIconNames() {
    return {QStringLiteral("add"),    QStringLiteral("remove"),  QStringLiteral("clear"),
            QStringLiteral("tag"),    QStringLiteral("convert"), QStringLiteral("normalize"),
            QStringLiteral("stop"),   QStringLiteral("play"),    QStringLiteral("pause"),
            QStringLiteral("square"), QStringLiteral("folder"),  QStringLiteral("open"),
            QStringLiteral("help"),   QStringLiteral("wave")};
}

bool IsSkinIcon(const QString& name) {
    return SkinIconNames().contains(name);
}

void PaintSkinIcon(QPainter& painter, const QString& name, const QRectF& box, const QColor& color) {
    const IconShape shape = Shape(name);
    if ((shape.outline.isEmpty() && shape.solid.isEmpty()) || box.isEmpty()) {
        return;
    }
    const qreal side = std::min(box.width(), box.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(box.center().x() - side / 2, box.center().y() - side / 2);
    painter.scale(side / 16.0, side / 16.0);
    if (!shape.outline.isEmpty()) {
        QPen pen(color, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        pen.setCosmetic(false);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape.outline);
    }
    if (!shape.solid.isEmpty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPath(shape.solid);
    }
    painter.restore();
}
