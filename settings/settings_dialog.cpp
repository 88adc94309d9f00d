#include "settings/settings_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QResizeEvent>
#include <QTreeWidget>
#include <algorithm>

#include "formats/output_formats.h"
#include "settings/app_settings.h"
#include "settings/output_names_options.h"
#include "settings/settings_file.h"
#include "settings/settings_pages.h"
#include "settings/wheel_guard.h"

namespace {

int AbsoluteIndex(QTreeWidgetItem* wanted, QTreeWidget* tree) {
    int index = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it, ++index) {
        if (*it == wanted) {
            return index;
        }
    }
    return -1;
}

}  // namespace

Tfm_set::Tfm_set(AppSettings& appSettings, const std::unique_ptr<SettingsFile>& settingsFile,
                 QWidget* parent)
    : QDialog(parent), appSettings_(appSettings), settingsFile_(settingsFile) {
    setObjectName(QStringLiteral("fm_set"));
    setWindowTitle(tr("Settings"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // Resizable from its own size up; the pages grow with it.
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    setSizeGripEnabled(true);
    reportError_ = [](QWidget* owner, const QString& text) {
        QMessageBox::critical(owner, QStringLiteral("Quorvel"), text);
    };
    BuildControls();
}

QString Tfm_set::CommandLineText() const {
    return commandLine_ ? commandLine_->Text() : QString();
}

void Tfm_set::SetErrorReport(std::function<void(QWidget*, const QString&)> report) {
    reportError_ = std::move(report);
}

namespace {

const QString kWindowSection = QStringLiteral("Window");
const QString kSizeKey = QStringLiteral("settings size");
constexpr int kLargestSide = 16384;

}  // namespace

QSize Tfm_set::ReadStoredSize(const SettingsFile& file) {
    const QSize fallback(kClientWidth, kClientHeight);
    const QStringList parts = file.ReadText(kWindowSection, kSizeKey, QString())
                                  .trimmed()
                                  .split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (parts.size() != 2) {
        return fallback;
    }
    bool wideOk = false;
    bool highOk = false;
    const int width = parts[0].trimmed().toInt(&wideOk);
    const int height = parts[1].trimmed().toInt(&highOk);
    if (!wideOk || !highOk || width < kClientWidth || height < kClientHeight ||
        width > kLargestSide || height > kLargestSide) {
        return fallback;
    }
    return {width, height};
}

void Tfm_set::done(int result) {
    // Only a size the user gave it: a file that never had the key keeps its layout.
    if (settingsFile_ && size() != ReadStoredSize(*settingsFile_)) {
        try {
            settingsFile_->WriteText(kWindowSection, kSizeKey,
                                     QStringLiteral("%1x%2").arg(width()).arg(height()));
        } catch (const SettingsWriteError&) {
            // A size not remembered is not worth a message over the user's own choice.
        }
    }
    QDialog::done(result);
}

void Tfm_set::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayOut();
}

// The tree takes the extra height, the page area the extra width and height, the buttons keep
// to the bottom right corner.
void Tfm_set::LayOut() {
    if (!Ok) {
        return;
    }
    const int w = width();
    const int h = height();
    TreeView1->setGeometry(6, 8, 117, h - 56);
    lab->setGeometry(130, 6, w - 136, 20);
    pageArea_->setGeometry(130, 30, w - 136, h - 78);
    for (SettingsPage* page : pages_) {
        page->resize(pageArea_->size());
    }
    int x = w - 240;
    for (QPushButton* button : {Ok, Button2, Cancel}) {
        button->move(x, h - 34);
        x += 80;
    }
}

void Tfm_set::SetNamingExampleHost(NamingExampleHost* host) {
    for (OutputNamesOptions* options : findChildren<OutputNamesOptions*>()) {
        options->SetHost(host);
    }
}

void Tfm_set::BuildControls() {
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setGeometry(6, 8, 117, 257);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(10);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });

    lab = new QLabel(this);
    lab->setObjectName(QStringLiteral("lab"));
    lab->setGeometry(130, 6, 244, 20);

    pageArea_ = new QWidget(this);
    pageArea_->setGeometry(130, 30, SettingsPage::kWidth, SettingsPage::kHeight);
    AddNode(GeneralPageNode(appSettings_, pageArea_), nullptr);
    for (const OutputFormat* format : OutputFormats()) {
        for (const PageNode& node : FormatPageNodes(*format, pageArea_)) {
            AddNode(node, nullptr);
        }
    }
    AddNode(NamesPageNode(pageArea_), nullptr);
    FitCaptions();
    WheelNeedsFocus(pageArea_);

    const std::pair<QPushButton**, const char*> buttons[] = {{&Ok, QT_TR_NOOP("Ok")},
                                                             {&Button2, QT_TR_NOOP("Default")},
                                                             {&Cancel, QT_TR_NOOP("Cancel")}};
    int x = 140;
    for (const auto& [button, caption] : buttons) {
        *button = new QPushButton(tr(caption), this);
        // The skin's minimum button width would not leave the three buttons their 75 pixels.
        (*button)->setStyleSheet(QStringLiteral("min-width: 0px; padding: 0px;"));
        (*button)->setGeometry(x, 279, 75, 25);
        (*button)->setAutoDefault(false);
        (*button)->setDefault(false);
        x += 80;
    }
    Ok->setToolTip(tr("Store every value and close"));
    Button2->setToolTip(tr("Put the factory values into the controls; nothing is stored"));
    Cancel->setToolTip(tr("Close without storing anything"));
    Ok->setObjectName(QStringLiteral("Ok"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Cancel->setObjectName(QStringLiteral("Cancel"));
    connect(Ok, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
    LayOut();
}

void Tfm_set::AddNode(const PageNode& node, QTreeWidgetItem* parent) {
    auto* item = parent ? new QTreeWidgetItem(parent, {node.text})
                        : new QTreeWidgetItem(TreeView1, {node.text});
    nodes_.push_back({node.heading, node.page});
    if (std::find(pages_.begin(), pages_.end(), node.page) == pages_.end()) {
        pages_.push_back(node.page);
        if (auto* commandLine = dynamic_cast<CommandLinePage*>(node.page)) {
            commandLine_ = commandLine;
        }
    }
    for (const PageNode& child : node.children) {
        AddNode(child, item);
    }
    item->setExpanded(false);
}

void Tfm_set::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

// None of the buttons answers Enter or Escape.
void Tfm_set::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Enter:
        case Qt::Key_Return:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void Tfm_set::FitCaptions() {
    const QFont base = font();
    QFont heading = base;
    heading.setBold(true);
    heading.setPointSizeF(base.pointSizeF() + 1);
    lab->setFont(heading);
    for (SettingsPage* page : pages_) {
        page->FitCaptions(base);
    }
}

void Tfm_set::FormShow() {
    FitCaptions();
    if (!shownBefore_ && settingsFile_) {
        resize(ReadStoredSize(*settingsFile_));
    }
    if (QWidget* owner = parentWidget()) {
        const QWidget* main = owner->window();
        if (!shownBefore_) {
            const QRect frame = main->frameGeometry();
            move(frame.center() -
                 QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        } else {
            move(main->frameGeometry().topLeft());
        }
    }
    shownBefore_ = true;
    // Before the main window's first showing there is no settings file: the missing-key values.
    for (SettingsPage* page : pages_) {
        page->Load(settingsFile_.get());
    }
    if (TreeView1->currentItem() == nullptr) {
        TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
    }
    ShowPage(AbsoluteIndex(TreeView1->currentItem(), TreeView1));
}

void Tfm_set::TreeView1Click() {
    ShowPage(AbsoluteIndex(TreeView1->currentItem(), TreeView1));
}

void Tfm_set::ShowPage(int index) {
    if (index < 0 || index >= static_cast<int>(nodes_.size())) {
        return;
    }
    lab->setText(nodes_[static_cast<std::size_t>(index)].heading);
    for (SettingsPage* page : pages_) {
        page->setVisible(page == nodes_[static_cast<std::size_t>(index)].page);
    }
}

void Tfm_set::OkClick() {
    for (SettingsPage* page : pages_) {
        page->Apply();
    }
    try {
        if (!settingsFile_) {
            throw SettingsWriteError(QStringLiteral("Unable to write to Quorvel.ini"));
        }
        for (const SettingsPage* page : pages_) {
            page->Save(*settingsFile_);
        }
        for (const SettingsPage* page : pages_) {
            page->SaveLast(*settingsFile_);
        }
    } catch (const SettingsWriteError& e) {
        reportError_(this, e.Message());
        return;  // the dialog stays open
    }
    accept();
}

void Tfm_set::Button2Click() {
    for (SettingsPage* page : pages_) {
        page->Defaults();
    }
}

void Tfm_set::CancelClick() {
    reject();
}
