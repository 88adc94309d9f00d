#include "settings/folder_chooser.h"

#include <sys/stat.h>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "settings/folder_tree.h"
#include "settings/settings_file.h"

namespace {

const QString kSection = QStringLiteral("Folders");
const QString kLastKey = QStringLiteral("last");
const QString kSubfoldersKey = QStringLiteral("sub-folders");

// Makes path and the folders above it that are missing; empty on success, else why not, with
// the folder the system refused.
QString MakeFolders(const QString& path) {
    QString made;
    for (const QString& piece : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + piece;
        const QFileInfo info(made);
        if (info.isDir()) {
            continue;
        }
        if (info.exists() || info.isSymLink()) {
            return QCoreApplication::translate("Tfm_dir",
                                               "Cannot make the folder %1: %2 is not a folder.")
                .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(made));
        }
        if (::mkdir(QFile::encodeName(made).constData(), 0777) != 0) {
            const int error = errno;
            return QCoreApplication::translate("Tfm_dir", "Cannot make the folder %1: %2.")
                .arg(QDir::toNativeSeparators(made), QString::fromLocal8Bit(std::strerror(error)));
        }
    }
    return {};
}

}  // namespace

Tfm_dir::Tfm_dir(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("fm_dir"));
    setWindowTitle(tr("Output Directory"));
    setSizeGripEnabled(true);

    path_ = new QLineEdit(this);
    path_->setObjectName(QStringLiteral("ed_path"));
    path_->setPlaceholderText(tr("Type or paste a folder"));
    path_->setToolTip(
        tr("The chosen folder; a folder typed here that does not exist yet can be "
           "made"));
    auto* model = new QFileSystemModel(this);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model->setRootPath(QDir::rootPath());
    auto* completer = new QCompleter(model, this);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    path_->setCompleter(completer);

    tree_ = new FolderTree(this);

    subfolders_ = new QCheckBox(tr("Include sub-folders"), this);
    subfolders_->setObjectName(QStringLiteral("cb_subfolders"));
    subfolders_->setToolTip(tr("Also add the audio files of every folder inside the chosen one"));
    subfolders_->hide();

    newFolder_ = new QPushButton(tr("New Folder"), this);
    newFolder_->setObjectName(QStringLiteral("btn_newfolder"));
    newFolder_->setToolTip(tr("Make a new folder inside the selected one"));
    ok_ = new QPushButton(tr("Ok"), this);
    ok_->setObjectName(QStringLiteral("btn_ok"));
    ok_->setToolTip(tr("Use the selected folder"));
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("btn_cancel"));
    cancel_->setToolTip(tr("Close without choosing a folder"));
    // Enter belongs to the in-place rename and the path field, not to the buttons.
    for (QPushButton* button : {newFolder_, ok_, cancel_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(newFolder_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addWidget(path_);
    layout->addWidget(tree_, 1);
    layout->addWidget(subfolders_);
    layout->addLayout(buttons);
    resize(kClientWidth, kClientHeight);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        path_->setText(QDir::toNativeSeparators(FolderTree::PathOf(current)));
        typed_ = false;
    });
    connect(path_, &QLineEdit::textEdited, this, [this] { typed_ = true; });
    connect(path_, &QLineEdit::returnPressed, this, &Tfm_dir::btn_okClick);
    connect(newFolder_, &QPushButton::clicked, this, &Tfm_dir::NewFolderClick);
    connect(ok_, &QPushButton::clicked, this, &Tfm_dir::btn_okClick);
    connect(cancel_, &QPushButton::clicked, this, &Tfm_dir::reject);
}

void Tfm_dir::OfferSubfolders() {
    offerSubfolders_ = true;
    subfolders_->setVisible(true);
}

// The window manager cuts a title that does not fit: the dialog is at least as wide as its
// title needs beside the frame's buttons.
void Tfm_dir::FitTitle(const QString& caption) {
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int needed = QFontMetrics(titleFont).horizontalAdvance(caption) * 5 / 4 + 160;
    setMinimumWidth(std::max(
        newFolder_->sizeHint().width() + ok_->sizeHint().width() + cancel_->sizeHint().width() + 40,
        needed));
    setMinimumHeight(200);
    if (width() < minimumWidth()) {
        resize(minimumWidth(), height());
    }
}

QString Tfm_dir::ShowModal(const QString& caption) {
    setWindowTitle(caption);
    subfolders_->setVisible(std::exchange(offerSubfolders_, false));
    FitTitle(caption);
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
    Recall();
    if (!typed_) {
        path_->setText(QDir::toNativeSeparators(tree_->SelectedFolder()));
    }
    QDialog::showEvent(event);
}

void Tfm_dir::Recall() {
    if (recalled_ || !settingsFile_ || !*settingsFile_) {
        return;
    }
    recalled_ = true;
    const SettingsFile& file = **settingsFile_;
    const QString last = file.ReadWholeText(kSection, kLastKey, QString());
    if (!last.isEmpty()) {
        tree_->Reveal(last);  // a folder gone since is simply not shown
    }
    subfolders_->setChecked(file.ReadFlag(kSection, kSubfoldersKey, false));
}

void Tfm_dir::Remember() {
    if (!settingsFile_ || !*settingsFile_) {
        return;
    }
    try {
        SettingsFile& file = **settingsFile_;
        file.WriteText(kSection, kLastKey, chosenFolder_);
        if (!subfolders_->isHidden()) {
            file.WriteFlag(kSection, kSubfoldersKey, subfolders_->isChecked());
        }
    } catch (const SettingsWriteError&) {
        // The folder is chosen all the same; only the next run starts elsewhere.
    }
}

QString Tfm_dir::TypedFolder() {
    QString text = path_->text().trimmed();
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/"))) {
        text = QDir::homePath() + text.mid(1);
    }
    if (text.isEmpty()) {
        return {};
    }
    const QString folder = QDir::cleanPath(QDir(QDir::homePath()).absoluteFilePath(text));
    const QFileInfo info(folder);
    if (info.isDir()) {
        return folder;
    }
    if (info.exists() || info.isSymLink()) {
        QMessageBox::information(this, windowTitle(),
                                 tr("%1 is not a folder.").arg(QDir::toNativeSeparators(folder)));
        return {};
    }
    QMessageBox question(
        QMessageBox::Question, windowTitle(),
        tr("The folder %1 does not exist. Make it?").arg(QDir::toNativeSeparators(folder)),
        QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("mb_makefolder"));
    question.setDefaultButton(QMessageBox::Yes);
    if (question.exec() != QMessageBox::Yes) {
        return {};
    }
    if (const QString problem = MakeFolders(folder); !problem.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, windowTitle(), problem, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("mb_makefolder_failed"));
        box.exec();
        return {};
    }
    return folder;
}

void Tfm_dir::btn_okClick() {
    if (typed_) {
        const QString folder = TypedFolder();
        if (folder.isEmpty()) {
            return;  // the dialog stays open for another try
        }
        tree_->Reveal(folder);
        chosenFolder_ = folder;
    } else {
        chosenFolder_ = tree_->SelectedFolder();
    }
    if (!chosenFolder_.isEmpty()) {
        Remember();
    }
    accept();
}

void Tfm_dir::NewFolderClick() {
    const QString inside = tree_->SelectedFolder();
    if (inside.isEmpty()) {
        QMessageBox::information(this, windowTitle(),
                                 tr("Select the folder to make the new folder in."));
        return;
    }
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("id_newfolder"));
    ask.setWindowTitle(tr("New Folder"));
    ask.setLabelText(tr("Name of the new folder in %1:").arg(QDir::toNativeSeparators(inside)));
    ask.setTextValue(tr("New Folder"));
    if (ask.exec() != QDialog::Accepted) {
        return;
    }
    tree_->NewFolderNamed(ask.textValue().trimmed());
}

bool Tfm_dir::IncludeSubfolders() const {
    return !subfolders_->isHidden() && subfolders_->isChecked();
}

void Tfm_dir::reject() {
    chosenFolder_.clear();
    QDialog::reject();
}
