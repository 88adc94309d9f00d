#include "outside/skin/skin_face.h"

#include "outside/skin/skin_painter.h"

#include <QEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace {

// Antialiased edges reach half a pixel past an element's rectangle.
constexpr int kRepaintMargin = 2;

}  // namespace

TSkinFace::TSkinFace(const SkinDocument& skin, QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("quorvelSkinFace"));
    baseFont_ = QFont(skin.fontFamily);
    baseFont_.setPointSize(skin.fontSize);
    baseFont_.setStyleStrategy(QFont::PreferAntialias);
    const auto repaint = [this](const QRect& area) {
        update(area.adjusted(-kRepaintMargin, -kRepaintMargin, kRepaintMargin, kRepaintMargin));
    };
    elements_.reserve(skin.elements.size());
    for (const SkinElementDef& def : skin.elements) {
        elements_.push_back(std::make_unique<TSkinElement>(def, repaint));
    }
    setMouseTracking(true);
    // Reached by Tab, not by a click: a click on an element acts on it at once.
    setFocusPolicy(Qt::TabFocus);
    setGeometry(window->rect());
    lower();
    window->installEventFilter(this);
}

ISkinObject* TSkinFace::FindObject(const QString& name) {
    return Element(name);
}

TSkinElement* TSkinFace::Element(const QString& name) {
    for (const auto& element : elements_) {
        if (element->GetName() == name) {
            return element.get();
        }
    }
    return nullptr;
}

TSkinElement* TSkinFace::ClickableAt(const QPoint& point) {
    // Later elements are drawn on top, so they are hit first.
    for (auto it = elements_.rbegin(); it != elements_.rend(); ++it) {
        TSkinElement* element = it->get();
        if (element->Def().clickable && element->PaintRect().contains(point)) {
            return element;
        }
    }
    return nullptr;
}

bool TSkinFace::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const TSkinElement* element = ClickableAt(help->pos());
        if (element != nullptr && !element->Def().tip.isEmpty()) {
            QToolTip::showText(help->globalPos(), element->Tip(), this, element->PaintRect());
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

bool TSkinFace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    }
    return QWidget::eventFilter(watched, event);
}

void TSkinFace::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    for (const auto& element : elements_) {
        const bool wholeFace =
            element->Def().kind == SkinElementKind::Form && !element->Def().hasRect;
        if (!wholeFace && !event->region().intersects(element->PaintRect().adjusted(
                              -kRepaintMargin, -kRepaintMargin, kRepaintMargin, kRepaintMargin))) {
            continue;
        }
        SkinElementState state = SkinElementState::Normal;
        if (element.get() == pressed_) {
            state = element.get() == hovered_ ? SkinElementState::Pressed : SkinElementState::Hover;
        } else if (element.get() == hovered_ && pressed_ == nullptr) {
            state = SkinElementState::Hover;
        }
        if (element->Def().kind == SkinElementKind::Form && !element->Def().hasRect) {
            PaintSkinBackground(painter, element->Def(), rect());
            continue;
        }
        PaintSkinElement(painter, *element, state, baseFont_);
        if (element.get() == Focused()) {
            PaintSkinFocus(painter, *element);
        }
    }
}

std::vector<TSkinElement*> TSkinFace::Clickables() const {
    std::vector<TSkinElement*> found;
    for (const auto& element : elements_) {
        if (element->Def().clickable && !element->PaintRect().isEmpty()) {
            found.push_back(element.get());
        }
    }
    return found;
}

void TSkinFace::SetFocused(TSkinElement* element) {
    RepaintElement(focused_);
    focused_ = element;
    RepaintElement(focused_);
}

void TSkinFace::focusInEvent(QFocusEvent* event) {
    const std::vector<TSkinElement*> clickables = Clickables();
    if (!clickables.empty()) {
        // Shift+Tab comes in at the last element; anything else at the first.
        SetFocused(event->reason() == Qt::BacktabFocusReason ? clickables.back()
                                                             : clickables.front());
    }
    QWidget::focusInEvent(event);
}

void TSkinFace::focusOutEvent(QFocusEvent* event) {
    RepaintElement(focused_);
    QWidget::focusOutEvent(event);
}

bool TSkinFace::focusNextPrevChild(bool next) {
    if (hasFocus()) {
        const std::vector<TSkinElement*> clickables = Clickables();
        const auto at = std::find(clickables.begin(), clickables.end(), focused_);
        if (at != clickables.end()) {
            const auto index = at - clickables.begin();
            const auto to = index + (next ? 1 : -1);
            if (to >= 0 && to < static_cast<std::ptrdiff_t>(clickables.size())) {
                SetFocused(clickables[static_cast<std::size_t>(to)]);
                return true;
            }
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void TSkinFace::keyPressEvent(QKeyEvent* event) {
    const bool activates = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                           event->key() == Qt::Key_Enter;
    if (activates && event->modifiers() == Qt::NoModifier && focused_ != nullptr) {
        emit ElementClicked(focused_);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TSkinFace::SetHovered(TSkinElement* element) {
    if (element == hovered_) {
        return;
    }
    RepaintElement(hovered_);
    hovered_ = element;
    RepaintElement(hovered_);
    setCursor(hovered_ != nullptr ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TSkinFace::RepaintElement(const TSkinElement* element) {
    if (element != nullptr) {
        update(element->PaintRect().adjusted(-kRepaintMargin, -kRepaintMargin, kRepaintMargin,
                                             kRepaintMargin));
    }
}

void TSkinFace::mouseMoveEvent(QMouseEvent* event) {
    SetHovered(ClickableAt(event->position().toPoint()));
}

void TSkinFace::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    SetHovered(ClickableAt(event->position().toPoint()));
    pressed_ = hovered_;
    RepaintElement(pressed_);
}

void TSkinFace::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || pressed_ == nullptr) {
        return;
    }
    TSkinElement* released = pressed_;
    pressed_ = nullptr;
    SetHovered(ClickableAt(event->position().toPoint()));
    RepaintElement(released);
    // A click counts only when the button comes up over the element it went down on.
    if (released == hovered_) {
        emit ElementClicked(released);
    }
}

void TSkinFace::leaveEvent(QEvent* event) {
    if (pressed_ == nullptr) {
        SetHovered(nullptr);
    }
    QWidget::leaveEvent(event);
}
