#include "outside/skin/skin_element.h"

#include <algorithm>

namespace {

// Coordinates far outside any window are clamped so that widths and heights stay small integers.
constexpr std::int32_t kPaintLimit = 100000;

int ClampCoordinate(std::int32_t value) {
    return std::clamp(value, -kPaintLimit, kPaintLimit);
}

}  // namespace

TSkinElement::TSkinElement(const SkinElementDef& def, RepaintRequest repaint)
    : def_(def), text_(def.caption), repaint_(std::move(repaint)) {
    rect_.left = def.x;
    rect_.top = def.y;
    rect_.right = def.x + def.width;
    rect_.bottom = def.y + def.height;
}

ISkinText* TSkinElement::TextInterface() {
    // The progress bar and the window background have nothing to write on.
    if (def_.kind == SkinElementKind::Progress || def_.kind == SkinElementKind::Form) {
        return nullptr;
    }
    return this;
}

void TSkinElement::SetText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    Refresh();
}

void TSkinElement::SetRect(const SkinRect& rect) {
    if (rect == rect_) {
        return;
    }
    const QRect old = PaintRect();
    rect_ = rect;
    if (repaint_) {
        repaint_(old.united(PaintRect()));
    }
}

void TSkinElement::Refresh() {
    if (repaint_) {
        repaint_(PaintRect());
    }
}

QRect TSkinElement::PaintRect() const {
    const int left = ClampCoordinate(rect_.left);
    const int top = ClampCoordinate(rect_.top);
    const int right = std::max(left, ClampCoordinate(rect_.right));
    const int bottom = std::max(top, ClampCoordinate(rect_.bottom));
    return QRect(left, top, right - left, bottom - top);
}
