#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QAction;
class QMenu;
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
    std::function<void()> StartPreview;
    std::function<void()> StopPreview;
    std::function<void()> ShowTagEditor;       // modal
    std::function<void()> ShowSettings;        // modal
    std::function<void()> ChooseOutputFolder;  // modal
    std::function<void()> OpenOutputFolder;
    std::function<void()> OpenHelp;
    std::function<void()> ShowAbout;  // modeless
};

// Turns clicks on named skin elements (Skin1Click) and the items of the three pop-up menus into
// commands, with the busy guard: while a batch runs, the dialog and folder commands refuse with
// "Please stop converting first!". Holds no state of its own. Window thread only.
class CommandDispatch : public QObject {
    Q_OBJECT

  public:
    CommandDispatch(QWidget* window, const MainState& state, MainCommands commands);

    // Element names are compared exactly, in table order; any other name does nothing.
    void Skin1Click(const QString& name);

    QMenu* p_file() const { return p_file_; }
    QMenu* p_action() const { return p_action_; }
    QMenu* p_help() const { return p_help_; }

    void AddFile2Click();
    void AddFolder2Click();
    void Converter2Click();
    void Play1Click();
    void Stop3Click();
    void Help3Click();
    void About2Click();

  private:
    void BuildMenus();
    QAction* AddItem(QMenu* menu, const char* name, const char* caption, int icon,
                     void (CommandDispatch::*handler)());
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
};
