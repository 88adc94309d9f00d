#pragma once

#include <QFont>

class QPainter;
class QRect;
class TSkinElement;
struct SkinElementDef;

// How the mouse currently relates to an element; the look of clickable elements follows it.
enum class SkinElementState { Normal, Hover, Pressed };

// Draws one element in its own rectangle with the skin's base font.
void PaintSkinElement(QPainter& painter, const TSkinElement& element, SkinElementState state,
                      const QFont& baseFont);

// The keyboard focus ring around a clickable element, inside its rectangle so it needs no
// room of its own.
void PaintSkinFocus(QPainter& painter, const TSkinElement& element);

// Fills the whole face with the window background of a form element that has no rect.
void PaintSkinBackground(QPainter& painter, const SkinElementDef& form, const QRect& area);
