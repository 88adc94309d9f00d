#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QWidget;

// The rectangle of a skin element, in window client coordinates.
struct SkinRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const SkinRect&, const SkinRect&) = default;
};

// Text interface of a skin element.
class ISkinText {
  public:
    virtual ~ISkinText() = default;
    virtual void SetText(const QString& text) = 0;
};

// Geometry interface of a skin element.
class ISkinGeometry {
  public:
    virtual ~ISkinGeometry() = default;
    virtual SkinRect GetRect() const = 0;
    virtual void SetRect(const SkinRect& rect) = 0;
    virtual void Refresh() = 0;
};

// One named element of a skin (button, label, bar ...). Owned by the skin engine; valid until the
// next LoadSkin.
class ISkinObject {
  public:
    virtual ~ISkinObject() = default;
    virtual QString GetName() const = 0;
    virtual ISkinText* TextInterface() = 0;          // null when the element has no text
    virtual ISkinGeometry* GeometryInterface() = 0;  // null when the element has no geometry
};

// The skinned face of one window.
class ISkinForm {
  public:
    virtual ~ISkinForm() = default;
    virtual ISkinObject* FindObject(const QString& name) = 0;  // null when there is none
};

// The skin engine control: draws a window from a skin file and reports clicks on its elements.
// Window thread only.
class ISkin {
  public:
    virtual ~ISkin() = default;
    // Loads the skin file. When it is missing or unreadable the built-in skin is loaded instead and
    // the result is a message naming the file and the problem; empty on success.
    virtual QString LoadSkin(const QString& path) = 0;
    virtual void ApplySkin(QWidget* window) = 0;
    virtual void ApplySkinObject(QWidget* window, const QString& name) = 0;
    virtual ISkinForm* GetSkinForm(QWidget* window) = 0;
    virtual void SetOnClick(std::function<void(ISkinObject& source)> handler) = 0;
};

// The skinned label that shows the output folder.
class ISkinLabel {
  public:
    virtual ~ISkinLabel() = default;
    virtual void SetCaption(const QString& text) = 0;
    virtual QString Caption() const = 0;
};
