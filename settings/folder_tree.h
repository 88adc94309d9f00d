#pragma once

#include <QTreeWidget>
#include <functional>

// A tree of the file system's folders (no files) for the folder chooser: the user's home folder
// and the root "/" at the top, each folder's children read when it is first expanded and never
// refreshed behind the user's back. A folder can be renamed in place (F2, a click on the
// selected item, or the menu) and a new folder made inside the selected one; the right mouse
// button selects the item under it and opens that menu.
class FolderTree : public QTreeWidget {
    Q_OBJECT

  public:
    explicit FolderTree(QWidget* parent = nullptr);

    // Fills the two top items once; the home folder is expanded and selected.
    void FillOnce();
    // The folder of the selected item, or empty text when none is selected.
    QString SelectedFolder() const;
    // The folder an item stands for.
    static QString PathOf(const QTreeWidgetItem* item);
    // Finds the item of path among the items read so far (nullptr when not read yet).
    QTreeWidgetItem* FindItem(const QString& path) const;

    // Makes "New Folder" (or "New Folder (2)", ...) inside the selected folder and starts
    // editing its name. Returns the new item, or nullptr after reporting a failure.
    QTreeWidgetItem* NewFolder();
    // Makes the folder `name` inside the selected one and selects it. Returns the new item, or
    // nullptr after reporting why not (a name that cannot be a folder's, one already there, a
    // folder the system refused).
    QTreeWidgetItem* NewFolderNamed(const QString& name);
    // Opens the tree down to path (below the home folder when it is there, else below "/") and
    // selects it. Returns the item, or nullptr when path is not a folder.
    QTreeWidgetItem* Reveal(const QString& path);
    // Starts editing the selected item's name (top items cannot be renamed).
    void RenameSelected();

    // Where failures are reported (a folder that cannot be made or renamed).
    void SetMessageHandler(std::function<void(const QString&)> handler);

  private:
    QTreeWidgetItem* AddFolderItem(QTreeWidgetItem* parent, const QString& path,
                                   const QString& text);
    void ReadChildren(QTreeWidgetItem* item);
    void CommitRename(QTreeWidgetItem* item);
    void ShowMenu(const QPoint& pos);
    void Report(const QString& text);

    bool filled_ = false;
    bool updating_ = false;  // our own changes to item texts are not renames
    std::function<void(const QString&)> report_;
};
