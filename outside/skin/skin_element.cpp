#include "outside/skin/skin_element.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

// Coordinates far outside any window are clamped so that widths and heights stay small integers.
constexpr std::int32_t kPaintLimit = 100000;

int ClampCoordinate(std::int32_t value) {
    return std::clamp(value, -kPaintLimit, kPaintLimit);
}

// The captions and tips of the built-in skin, for the catalogues. A skin's text is shown in the
// window's language when the catalogue knows it, and as written otherwise, so a user's own skin
// keeps its words. The translation tests check this list against the skin file.
[[maybe_unused]] constexpr const char* kBuiltInSkinTexts[] = {
    QT_TRANSLATE_NOOP("Skin", "File"),
    QT_TRANSLATE_NOOP("Skin", "Action"),
    QT_TRANSLATE_NOOP("Skin", "Settings"),
    QT_TRANSLATE_NOOP("Skin", "Help"),
    QT_TRANSLATE_NOOP("Skin", "Batch audio converter"),
    QT_TRANSLATE_NOOP("Skin", "Format"),
    QT_TRANSLATE_NOOP("Skin", "Save to"),
    QT_TRANSLATE_NOOP("Skin", "Add"),
    QT_TRANSLATE_NOOP("Skin", "Remove"),
    QT_TRANSLATE_NOOP("Skin", "Clear"),
    QT_TRANSLATE_NOOP("Skin", "Tags"),
    QT_TRANSLATE_NOOP("Skin", "Convert"),
    QT_TRANSLATE_NOOP("Skin", "Normalize"),
    QT_TRANSLATE_NOOP("Skin", "Stop"),
    QT_TRANSLATE_NOOP("Skin", "Play"),
    QT_TRANSLATE_NOOP("Skin", "Add files (Ctrl+O) or a folder (Ctrl+Shift+O)"),
    QT_TRANSLATE_NOOP("Skin", "Convert, play or stop"),
    QT_TRANSLATE_NOOP("Skin", "Open the settings"),
    QT_TRANSLATE_NOOP("Skin", "Help pages and the about box"),
    QT_TRANSLATE_NOOP("Skin", "Open the help pages (F1)"),
    QT_TRANSLATE_NOOP("Skin", "Choose the output folder"),
    QT_TRANSLATE_NOOP("Skin", "Open the output folder"),
    QT_TRANSLATE_NOOP("Skin", "Remove the selected files from the list (Delete)"),
    QT_TRANSLATE_NOOP("Skin", "Empty the list"),
    QT_TRANSLATE_NOOP("Skin", "Edit the tags of the listed files"),
    QT_TRANSLATE_NOOP("Skin", "Convert every file in the list (Ctrl+Return)"),
    QT_TRANSLATE_NOOP("Skin", "Write normalised \"Nor_\" copies of every listed file"),
    QT_TRANSLATE_NOOP("Skin", "Stop the running conversion or normalisation (Esc)"),
    QT_TRANSLATE_NOOP("Skin", "Listen to the selected file (Space, or double-click it)"),
    QT_TRANSLATE_NOOP("Skin", "Stop the preview playback"),
    QT_TRANSLATE_NOOP("Skin", "Pause the running batch, or resume it (Ctrl+P)"),
};

QString SkinText(const QString& text) {
    return text.isEmpty() ? text : QCoreApplication::translate("Skin", text.toUtf8().constData());
}

}  // namespace

TSkinElement::TSkinElement(const SkinElementDef& def, RepaintRequest repaint)
    : def_(def), text_(SkinText(def.caption)), repaint_(std::move(repaint)) {
    rect_.left = def.x;
    rect_.top = def.y;
    rect_.right = def.x + def.width;
    rect_.bottom = def.y + def.height;
}

QString TSkinElement::Tip() const {
    return SkinText(def_.tip);
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
