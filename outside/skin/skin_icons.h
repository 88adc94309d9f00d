#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

// The icons a skin can name ("icon = play"), drawn as vector shapes so they stay sharp at any
// size. Unknown names draw nothing.
QStringList SkinIconNames();
bool IsSkinIcon(const QString& name);
void PaintSkinIcon(QPainter& painter, const QString& name, const QRectF& box, const QColor& color);
