#include "settings/folder_tree.h"

#include <QApplication>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kReadRole = Qt::UserRole + 1;  // the children have been read
constexpr int kNameRole = Qt::UserRole + 2;  // the name the item showed before an edit

QIcon FolderIcon(const QString& path) {
    static QFileIconProvider provider;
    return provider.icon(QFileInfo(path));
}

// Keeps an item's own path and those of every child read so far in step after a rename.
void Repath(QTreeWidgetItem* item, const QString& oldPrefix, const QString& newPrefix) {
    const QString path = FolderTree::PathOf(item);
    const QString updated = newPrefix + path.mid(oldPrefix.size());
    item->setData(0, kPathRole, updated);
    item->setData(0, kNameRole, item->text(0));
    item->setToolTip(0, updated);
    for (int i = 0; i < item->childCount(); ++i) {
        Repath(item->child(i), oldPrefix, newPrefix);
    }
}

}  // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setObjectName(QStringLiteral("ShellTreeView1"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::ReadChildren);
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (!updating_ && column == 0) {
            CommitRename(item);
        }
    });
    connect(this, &QWidget::customContextMenuRequested, this, &FolderTree::ShowMenu);
}

void FolderTree::SetMessageHandler(std::function<void(const QString&)> handler) {
    report_ = std::move(handler);
}

void FolderTree::Report(const QString& text) {
    if (report_) {
        report_(text);
    } else {
        QMessageBox::information(this, QApplication::applicationDisplayName(), text,
                                 QMessageBox::Ok);
    }
}

QString FolderTree::PathOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toString() : QString();
}

void FolderTree::FillOnce() {
    if (filled_) {
        return;
    }
    filled_ = true;
    const QString home = QDir::homePath();
    QTreeWidgetItem* homeItem = AddFolderItem(nullptr, home, tr("Home"));
    homeItem->setIcon(0, QIcon::fromTheme(QStringLiteral("user-home"), FolderIcon(home)));
    QTreeWidgetItem* rootItem = AddFolderItem(nullptr, QDir::rootPath(), QStringLiteral("/"));
    rootItem->setIcon(0, QIcon::fromTheme(QStringLiteral("drive-harddisk"),
                                          QFileIconProvider().icon(QFileIconProvider::Drive)));
    for (QTreeWidgetItem* top : {homeItem, rootItem}) {
        top->setFlags(top->flags() & ~Qt::ItemIsEditable);  // the top items are fixed places
    }
    homeItem->setExpanded(true);
    setCurrentItem(homeItem);
    homeItem->setSelected(true);
}

QTreeWidgetItem* FolderTree::AddFolderItem(QTreeWidgetItem* parent, const QString& path,
                                           const QString& text) {
    const bool wasUpdating = std::exchange(updating_, true);
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kPathRole, path);
    item->setData(0, kReadRole, false);
    item->setData(0, kNameRole, text);
    item->setToolTip(0, path);
    item->setIcon(0, FolderIcon(path));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    // Whether a folder has sub-folders is only learnt when it is opened: reading every child's
    // folder up front would make a large tree slow to show.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    if (parent) {
        parent->addChild(item);
    } else {
        addTopLevelItem(item);
    }
    updating_ = wasUpdating;
    return item;
}

void FolderTree::ReadChildren(QTreeWidgetItem* item) {
    if (item->data(0, kReadRole).toBool()) {
        return;
    }
    item->setData(0, kReadRole, true);
    const QString path = PathOf(item);
    const QStringList names = QDir(path).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    for (const QString& name : names) {
        AddFolderItem(item, QDir(path).filePath(name), name);
    }
    if (names.isEmpty()) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
}

QTreeWidgetItem* FolderTree::FindItem(const QString& path) const {
    QList<QTreeWidgetItem*> pending;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        pending << topLevelItem(i);
    }
    while (!pending.isEmpty()) {
        QTreeWidgetItem* item = pending.takeFirst();
        if (PathOf(item) == path) {
            return item;
        }
        for (int i = 0; i < item->childCount(); ++i) {
            pending << item->child(i);
        }
    }
    return nullptr;
}

QString FolderTree::SelectedFolder() const {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? QString() : PathOf(selected.first());
}

QTreeWidgetItem* FolderTree::NewFolder() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) {
        return nullptr;
    }
    QTreeWidgetItem* parent = selected.first();
    ReadChildren(parent);
    const QDir folder(PathOf(parent));
    QString name = tr("New Folder");
    for (int n = 2; folder.exists(name); ++n) {
        name = tr("New Folder (%1)").arg(n);
    }
    if (!folder.mkdir(name)) {
        Report(
            tr("Cannot make the folder %1.").arg(QDir::toNativeSeparators(folder.filePath(name))));
        return nullptr;
    }
    QTreeWidgetItem* item = AddFolderItem(parent, folder.filePath(name), name);
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    item->setData(0, kReadRole, true);
    parent->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    parent->setExpanded(true);
    setCurrentItem(item);
    editItem(item, 0);
    return item;
}

QTreeWidgetItem* FolderTree::NewFolderNamed(const QString& name) {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (selected.isEmpty()) {
        Report(tr("Select the folder to make the new folder in."));
        return nullptr;
    }
    QTreeWidgetItem* parent = selected.first();
    const QDir folder(PathOf(parent));
    const QString path = folder.filePath(name);
    if (name.trimmed().isEmpty() || name.contains(QLatin1Char('/')) ||
        name == QStringLiteral(".") || name == QStringLiteral("..")) {
        Report(tr("\"%1\" cannot be a folder name.").arg(name));
        return nullptr;
    }
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        Report(tr("Cannot make the folder %1: it already exists.")
                   .arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    if (!folder.mkdir(name)) {
        Report(tr("Cannot make the folder %1.").arg(QDir::toNativeSeparators(path)));
        return nullptr;
    }
    ReadChildren(parent);  // a first reading finds the new folder already
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < parent->childCount() && !item; ++i) {
        if (PathOf(parent->child(i)) == path) {
            item = parent->child(i);
        }
    }
    if (!item) {
        item = AddFolderItem(parent, path, name);
    }
    item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    item->setData(0, kReadRole, true);
    parent->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    parent->setExpanded(true);
    setCurrentItem(item);
    return item;
}

QTreeWidgetItem* FolderTree::Reveal(const QString& path) {
    const QString wanted = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!QFileInfo(wanted).isDir()) {
        return nullptr;
    }
    FillOnce();
    const QString home = QDir::cleanPath(QDir::homePath());
    QTreeWidgetItem* item = topLevelItem(0);
    QString at = home;
    if (wanted != home && !wanted.startsWith(home + QLatin1Char('/'))) {
        item = topLevelItem(1);
        at = QDir::rootPath();
    }
    const QStringList pieces =
        QDir(at).relativeFilePath(wanted).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        if (piece == QLatin1String(".")) {
            continue;
        }
        ReadChildren(item);
        item->setExpanded(true);
        const QString next = QDir(PathOf(item)).filePath(piece);
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; i < item->childCount() && !child; ++i) {
            if (PathOf(item->child(i)) == next) {
                child = item->child(i);
            }
        }
        if (!child) {  // made after its parent was read
            child = AddFolderItem(item, next, piece);
        }
        item = child;
    }
    setCurrentItem(item);
    scrollToItem(item);
    return item;
}

void FolderTree::RenameSelected() {
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty() && (selected.first()->flags() & Qt::ItemIsEditable)) {
        editItem(selected.first(), 0);
    }
}

void FolderTree::CommitRename(QTreeWidgetItem* item) {
    const QString oldPath = PathOf(item);
    const QFileInfo oldInfo(oldPath);
    const QString oldName = item->data(0, kNameRole).toString();
    const QString newName = item->text(0);
    if (newName == oldName) {
        return;  // an icon, a flag or our own update: not a rename
    }
    const QString newPath = oldInfo.dir().filePath(newName);
    QString problem;
    if (newName.trimmed().isEmpty() || newName.contains(QLatin1Char('/')) ||
        newName == QStringLiteral(".") || newName == QStringLiteral("..")) {
        problem = tr("\"%1\" cannot be a folder name.").arg(newName);
    } else if (QFileInfo::exists(newPath)) {
        problem = tr("Cannot rename %1: %2 already exists.")
                      .arg(QDir::toNativeSeparators(oldPath), newName);
    } else if (!QDir().rename(oldPath, newPath)) {
        problem = tr("Cannot rename %1 to %2.").arg(QDir::toNativeSeparators(oldPath), newName);
    }
    const bool wasUpdating = std::exchange(updating_, true);
    if (problem.isEmpty()) {
        Repath(item, oldPath, newPath);
    } else {
        item->setText(0, oldName);  // the tree shows what the disk holds
    }
    updating_ = wasUpdating;
    if (!problem.isEmpty()) {
        Report(problem);
    }
}

void FolderTree::ShowMenu(const QPoint& pos) {
    QTreeWidgetItem* item = itemAt(pos);
    if (!item) {
        return;
    }
    setCurrentItem(item);
    QMenu menu(this);
    menu.setToolTipsVisible(true);
    QAction* make = menu.addAction(tr("New Folder"));
    make->setToolTip(tr("Make a new folder inside this one"));
    QAction* rename = menu.addAction(tr("Rename"));
    rename->setToolTip(tr("Rename this folder"));
    rename->setEnabled(item->flags() & Qt::ItemIsEditable);
    const QAction* chosen = menu.exec(viewport()->mapToGlobal(pos));
    if (chosen == make) {
        NewFolder();
    } else if (chosen == rename) {
        RenameSelected();
    }
}
