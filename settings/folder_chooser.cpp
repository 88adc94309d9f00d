#include "settings/folder_chooser.h"

#include <QCheckBox>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>
#include <utility>

#include "settings/folder_tree.h"

Tfm_dir::Tfm_dir(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("fm_dir"));
    setWindowTitle(tr("Output Directory"));
    setFixedSize(kClientWidth, kClientHeight);

    tree_ = new FolderTree(this);
    tree_->setGeometry(8, 6, 270, 217);

    ok_ = new QPushButton(tr("Ok"), this);
    ok_->setObjectName(QStringLiteral("btn_ok"));
    ok_->setGeometry(58, 229, 75, 25);
    ok_->setToolTip(tr("Use the selected folder"));
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("btn_cancel"));
    cancel_->setGeometry(154, 229, 75, 25);
    cancel_->setToolTip(tr("Close without choosing a folder"));
    // Enter belongs to the in-place rename, not to the buttons.
    for (QPushButton* button : {ok_, cancel_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    subfolders_ = new QCheckBox(tr("Include sub-folders"), this);
    subfolders_->setObjectName(QStringLiteral("cb_subfolders"));
    subfolders_->setGeometry(10, 227, 268, 22);
    subfolders_->setToolTip(tr("Also add the audio files of every folder inside the chosen one"));
    subfolders_->hide();
    connect(ok_, &QPushButton::clicked, this, &Tfm_dir::btn_okClick);
    connect(cancel_, &QPushButton::clicked, this, &Tfm_dir::reject);
}

void Tfm_dir::LayOut(bool withSubfolders) {
    // The box takes a row above the buttons only when it is offered.
    constexpr int kBoxRow = 24;
    const int extra = withSubfolders ? kBoxRow : 0;
    subfolders_->setVisible(withSubfolders);
    setFixedSize(kClientWidth, kClientHeight + extra);
    PlaceButtons(229 + extra);
}

// The two buttons share one width, 75 pixels unless a caption (a translation) needs more room
// than the skin's padding leaves it; a wider pair grows evenly to both sides, so it stays
// centred.
void Tfm_dir::PlaceButtons(int top) {
    int width = 75;
    for (QPushButton* button : {ok_, cancel_}) {
        button->ensurePolished();
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect contents =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        width = std::max(width, button->fontMetrics().horizontalAdvance(button->text()) +
                                    button->width() - contents.width());
    }
    const int grown = std::min(width, (kClientWidth - 21 - 16) / 2) - 75;
    ok_->setGeometry(58 - grown / 2 - grown % 2, top, 75 + grown, 25);
    cancel_->setGeometry(154 + grown / 2, top, 75 + grown, 25);
}

void Tfm_dir::OfferSubfolders() {
    offerSubfolders_ = true;
    LayOut(true);
}

QString Tfm_dir::ShowModal(const QString& caption) {
    setWindowTitle(caption);
    if (!std::exchange(offerSubfolders_, false)) {
        LayOut(false);
    }
    exec();
    return chosenFolder_;
}

void Tfm_dir::CentreOver(const QWidget* window) {
    const QRect main = window->frameGeometry();
    // Before its first showing the dialog has no frame yet: count the same borders as the
    // window's, which the same window manager draws.
    const QSize own = testAttribute(Qt::WA_WState_Created) && isVisible()
                          ? frameGeometry().size()
                          : size() + (main.size() - window->size());
    move(main.left() + (main.width() - own.width()) / 2,
         main.top() + (main.height() - own.height()) / 2);
}

void Tfm_dir::showEvent(QShowEvent* event) {
    tree_->FillOnce();
    PlaceButtons(ok_->y());
    QDialog::showEvent(event);
}

void Tfm_dir::btn_okClick() {
    chosenFolder_ = tree_->SelectedFolder();
    accept();
}

bool Tfm_dir::IncludeSubfolders() const {
    return !subfolders_->isHidden() && subfolders_->isChecked();
}

void Tfm_dir::reject() {
    chosenFolder_.clear();
    QDialog::reject();
}
