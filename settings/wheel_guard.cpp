#include "settings/wheel_guard.h"

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QSlider>
#include <QWidget>

namespace {

class WheelGuard : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel) {
            return false;
        }
        auto* control = qobject_cast<QWidget*>(watched);
        if (control == nullptr || control->hasFocus()) {
            return false;
        }
        // To the page's scroll area, which scrolls; without one the wheel does nothing here.
        for (QWidget* up = control->parentWidget(); up != nullptr; up = up->parentWidget()) {
            if (auto* area = qobject_cast<QAbstractScrollArea*>(up)) {
                QApplication::sendEvent(area->viewport(), event);
                break;
            }
        }
        return true;
    }
};

}  // namespace

void WheelNeedsFocus(QWidget* root) {
    auto* guard = new WheelGuard(root);
    const auto protect = [guard](QWidget* control) {
        control->setFocusPolicy(Qt::StrongFocus);  // a wheel no longer gives the focus
        control->installEventFilter(guard);
    };
    for (QComboBox* list : root->findChildren<QComboBox*>()) {
        protect(list);
    }
    for (QAbstractSpinBox* box : root->findChildren<QAbstractSpinBox*>()) {
        protect(box);
    }
    // Sliders, not the scroll bars the wheel is meant for.
    for (QSlider* slider : root->findChildren<QSlider*>()) {
        protect(slider);
    }
}
