#pragma once

#include "components/skin.h"
#include "outside/skin/skin_document.h"
#include "outside/skin/skin_element.h"

#include <QWidget>
#include <memory>
#include <vector>

// The face of a skinned window: a child covering the client area, stacked below the window's
// ordinary controls. It paints the skin's elements and turns mouse presses and releases on
// clickable elements into ElementClicked. It follows the window's size and dies with it.
class TSkinFace final : public QWidget, public ISkinForm {
    Q_OBJECT

  public:
    TSkinFace(const SkinDocument& skin, QWidget* window);

    ISkinObject* FindObject(const QString& name) override;
    TSkinElement* Element(const QString& name);
    // The topmost clickable element under a point of the face, or null.
    TSkinElement* ClickableAt(const QPoint& point);
    const TSkinElement* Hovered() const { return hovered_; }
    const TSkinElement* Pressed() const { return pressed_; }
    // The clickable element the keyboard is on while the face has focus, or null.
    const TSkinElement* Focused() const { return hasFocus() ? focused_ : nullptr; }

  signals:
    void ElementClicked(TSkinElement* element);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Tab walks the clickable elements in the skin's order, then leaves the face.
    bool focusNextPrevChild(bool next) override;

  private:
    void SetHovered(TSkinElement* element);
    void RepaintElement(const TSkinElement* element);
    void SetFocused(TSkinElement* element);
    std::vector<TSkinElement*> Clickables() const;

    std::vector<std::unique_ptr<TSkinElement>> elements_;
    QFont baseFont_;
    TSkinElement* hovered_ = nullptr;
    TSkinElement* pressed_ = nullptr;
    TSkinElement* focused_ = nullptr;
};
