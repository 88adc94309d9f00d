#include "app/about_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/image_list.h"
#include "quorvel_version.h"

Tfm_about::Tfm_about(QWidget* mainWindow)
    : QDialog(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("fm_about"));
    setWindowTitle(tr("About Quorvel"));
    setModal(false);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(ProgramIcon().pixmap(64, 64));
    icon->setFixedSize(64, 64);

    auto* name = new QLabel(QStringLiteral("Quorvel"), this);
    name->setObjectName(QStringLiteral("ProductName"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.6);
    name->setFont(bold);
    auto* version = new QLabel(tr("Version: ") + QStringLiteral(QUORVEL_VERSION), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* comments = new QLabel(tr("Directly Convert between MP3 and WAV."), this);
    comments->setObjectName(QStringLiteral("Comments"));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    ok->setToolTip(tr("Close this box"));
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(name);
    texts->addWidget(version);
    texts->addWidget(comments);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->setSpacing(16);
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Tfm_about::ShowBesideMainWindow() {
    if (const QWidget* owner = parentWidget()) {
        // Outer corner on outer corner, whatever frame the window manager draws.
        move(owner->frameGeometry().topLeft() + (pos() - frameGeometry().topLeft()));
    }
    show();
    raise();
    activateWindow();
}
