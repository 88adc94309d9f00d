#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAbstractItemView;
class QAction;
class QKeySequence;
class QMenu;
class QPoint;
class QWidget;
struct MainState;

// The operations the skin elements and the menu items reach. Each checks what it must itself
// (the list commands refuse during a batch, batch and preview starts do nothing).
struct MainCommands {
    std::function<void()> AddFiles;
    std::function<void()> AddFolder;
    std::function<void()> RemoveSelected;
    std::function<void()> ClearList;
    std::function<void()> ConvertAll;
    std::function<void()> NormalizeAll;
    std::function<void()> StopWork;
    // Holds the running batch after each job's current block, or lets it go on.
    std::function<void()> PauseWork;
    std::function<void()> StartPreview;
    std::function<void()> StopPreview;
    std::function<void()> ShowTagEditor;       // modal
    std::function<void()> ShowSettings;        // modal
    std::function<void()> ChooseOutputFolder;  // modal
    std::function<void()> OpenOutputFolder;
    std::function<void()> OpenHelp;
    std::function<void()> ShowAbout;  // modeless
    // Previews the list's current row (Space, a double-click, the rows' menu): stops a preview
    // of another row first; on the row that plays, stops it.
    std::function<void()> PreviewRow;
    // Opens the folder that holds the current row's input in the file manager.
    std::function<void()> OpenContainingFolder;
};

// Turns clicks on named skin elements (Skin1Click), the items of the three pop-up menus, the
// keyboard shortcuts and the rows' context menu into commands, with the busy guard: while a batch
// runs, the dialog and folder commands refuse with "Please stop converting first!". Holds no state
// of its own. Window thread only.
//
// Keys: Ctrl+O Add File, Ctrl+Shift+O Add Folder, Ctrl+Return Convert, Ctrl+P pauses or resumes
// the running batch, F1 help, Escape stops a running batch (anywhere in the window); Delete removes
// the selected rows and Space previews the current row (in the list).
class CommandDispatch : public QObject {
    Q_OBJECT

  public:
    CommandDispatch(QWidget* window, const MainState& state, MainCommands commands);

    // Element names are compared exactly, in table order; any other name does nothing.
    void Skin1Click(const QString& name);

    QMenu* p_file() const { return p_file_; }
    QMenu* p_action() const { return p_action_; }
    QMenu* p_help() const { return p_help_; }
    // The context menu of the list's rows: Play, Tags, Remove, Open containing folder.
    QMenu* p_row() const { return p_row_; }

    // The list's keys (Delete, Space), its double-click and its rows' context menu.
    void BindList(QAbstractItemView* list);

    void AddFile2Click();
    void AddFolder2Click();
    void Converter2Click();
    void Play1Click();
    void Stop3Click();
    void Pause1Click();
    // The Pause entry reads "Resume" while the batch is paused.
    void ShowPaused(bool paused);
    void Help3Click();
    void About2Click();
    void RowPlayClick();
    void RowTagsClick();
    void RowRemoveClick();
    void RowFolderClick();
    // Escape: stops the batch while one runs, does nothing otherwise.
    void EscapeStop();

  private:
    void BuildMenus();
    void BuildWindowKeys();
    QAction* AddItem(QMenu* menu, const char* name, const char* caption, int icon,
                     void (CommandDispatch::*handler)());
    void OpenRowMenu(QAbstractItemView* list, const QPoint& at);
    // Opens a menu at an offset from the window's outer top-left corner.
    void Popup(QMenu* menu, int dx, int dy);
    // Runs the command, or while a batch runs says "Please stop converting first!" instead.
    void RunUnlessBusy(const std::function<void()>& command);
    static void Run(const std::function<void()>& command);

    QWidget* window_;
    const MainState& state_;
    MainCommands commands_;
    QMenu* p_file_ = nullptr;
    QMenu* p_action_ = nullptr;
    QMenu* p_help_ = nullptr;
    QMenu* p_row_ = nullptr;
};
