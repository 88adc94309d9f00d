#include "settings/settings_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>

SettingsPage::SettingsPage(const char* objectName, QWidget* parent) : QWidget(parent) {
    setObjectName(QLatin1String(objectName));
    setGeometry(0, 0, kWidth, kHeight);
    hide();
}

void SettingsPage::FitCaptions(const QFont& base) {
    for (QWidget* control : findChildren<QWidget*>()) {
        if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control) ||
            qobject_cast<QLabel*>(control)) {
            page::FitCaption(control, base);
        }
    }
    // The items of one radio group share one size, the smallest any of them needed.
    for (const QButtonGroup* group : findChildren<QButtonGroup*>()) {
        QFont common = base;
        for (const QAbstractButton* button : group->buttons()) {
            if (button->font().pointSizeF() < common.pointSizeF()) {
                common = button->font();
            }
        }
        for (QAbstractButton* button : group->buttons()) {
            button->setFont(common);
        }
    }
}

namespace page {

QStringList Items(std::initializer_list<const char*> texts) {
    QStringList items;
    for (const char* t : texts) {
        items << QString::fromUtf8(t);
    }
    return items;
}

QStringList SampleRates() {
    return Items({"8000 Hz", "11025 Hz", "12000 Hz", "16000 Hz", "22050 Hz", "24000 Hz", "32000 Hz",
                  "44100 Hz", "48000 Hz"});
}

QStringList Kbps(std::initializer_list<int> values) {
    QStringList items;
    for (int v : values) {
        items << QStringLiteral("%1 Kbps").arg(v);
    }
    return items;
}

QStringList Mp3Bitrates() {
    return Kbps({8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320});
}

namespace {

template <typename W>
W* Named(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

}  // namespace

QComboBox* List(QWidget* parent, const char* name, const QStringList& items, const QRect& g) {
    auto* list = Named(new QComboBox(parent), name, g);
    list->addItems(items);
    list->setMaxVisibleItems(10);
    return list;
}

QLabel* Caption(QWidget* parent, const QString& text, const QRect& g, const char* name) {
    auto* label = Named(new QLabel(text, parent), name, g);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& text, const QRect& g) {
    return Named(new QCheckBox(text, parent), name, g);
}

QSpinBox* Spin(QWidget* parent, const char* name, int low, int high, int value, const QRect& g) {
    auto* spin = Named(new QSpinBox(parent), name, g);
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

QGroupBox* Frame(QWidget* parent, const QString& title, const QRect& g, const char* name) {
    return Named(new QGroupBox(title, parent), name, g);
}

QButtonGroup* Radios(QGroupBox* box, const QStringList& items, int columns, int top) {
    auto* group = new QButtonGroup(box);
    box->setStyleSheet(QStringLiteral("QRadioButton { spacing: 3px; }"));
    const int width = (box->width() - 6) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        button->setGeometry(4 + (i % columns) * width, top + (i / columns) * 22, width, 20);
        group->addButton(button, i);
    }
    group->button(0)->setChecked(true);
    return group;
}

QGroupBox* Comment(QWidget* parent, const QStringList& lines, int top) {
    const int height = 30 + static_cast<int>(lines.size()) * 21;
    QGroupBox* frame = Frame(parent, QCoreApplication::translate("SettingsPages", "Comment:  "),
                             {0, top, SettingsPage::kWidth, height});
    for (int i = 0; i < lines.size(); ++i) {
        Caption(frame, lines[i], {8, 22 + i * 21, SettingsPage::kWidth - 14, 20});
    }
    return frame;
}

void SelectItem(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

void SelectRadio(QButtonGroup* group, int index) {
    const int last = static_cast<int>(group->buttons().size()) - 1;
    group->button(std::clamp(index, 0, last))->setChecked(true);
}

// Captions must be readable whole in whatever font the skin chose.
void FitCaption(QWidget* control, const QFont& base) {
    // Hidden pages are not polished yet; the skin's style sheet must be in the measure.
    control->ensurePolished();
    QFont f = base;
    control->setFont(f);
    while (control->sizeHint().width() > control->width() &&
           f.pointSizeF() - 0.5 >= kSmallestPointSize) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        control->setFont(f);
    }
}

}  // namespace page
