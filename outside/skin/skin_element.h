#pragma once

#include "components/skin.h"
#include "outside/skin/skin_document.h"

#include <QRect>
#include <functional>

// One drawn element of a skinned window. Its look comes from the skin; its text and rectangle
// can be changed by the program, and each change asks the face to repaint the affected area.
class TSkinElement final : public ISkinObject, public ISkinText, public ISkinGeometry {
  public:
    using RepaintRequest = std::function<void(const QRect& area)>;

    TSkinElement(const SkinElementDef& def, RepaintRequest repaint);

    QString GetName() const override { return def_.name; }
    ISkinText* TextInterface() override;
    ISkinGeometry* GeometryInterface() override { return this; }

    void SetText(const QString& text) override;

    SkinRect GetRect() const override { return rect_; }
    void SetRect(const SkinRect& rect) override;
    void Refresh() override;

    const SkinElementDef& Def() const { return def_; }
    const QString& Text() const { return text_; }
    // The tip in the window's language (see SkinText).
    QString Tip() const;
    // The rectangle to draw in, made safe for painting whatever numbers the program passed.
    QRect PaintRect() const;

  private:
    SkinElementDef def_;
    QString text_;
    SkinRect rect_;
    RepaintRequest repaint_;
};
