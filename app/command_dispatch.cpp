#include "app/command_dispatch.h"

#include <QMenu>
#include <QWidget>
#include <array>

#include "app/image_list.h"
#include "app/information_box.h"
#include "engine/main_state.h"

CommandDispatch::CommandDispatch(QWidget* window, const MainState& state, MainCommands commands)
    : QObject(window), window_(window), state_(state), commands_(std::move(commands)) {
    BuildMenus();
}

void CommandDispatch::BuildMenus() {
    // Children of the window, so they wear its skin.
    p_file_ = new QMenu(window_);
    p_file_->setObjectName(QStringLiteral("p_file"));
    AddItem(p_file_, "AddFile2", "Add File", 0, &CommandDispatch::AddFile2Click);
    AddItem(p_file_, "AddFolder2", "Add Folder", 1, &CommandDispatch::AddFolder2Click);

    p_action_ = new QMenu(window_);
    p_action_->setObjectName(QStringLiteral("p_action"));
    AddItem(p_action_, "Converter2", "Converter", 16, &CommandDispatch::Converter2Click);
    p_action_->addSeparator()->setObjectName(QStringLiteral("N5"));
    AddItem(p_action_, "Play1", "Play", -1, &CommandDispatch::Play1Click);
    p_action_->addSeparator()->setObjectName(QStringLiteral("N3"));
    AddItem(p_action_, "Stop3", "Stop", 2, &CommandDispatch::Stop3Click);

    p_help_ = new QMenu(window_);
    p_help_->setObjectName(QStringLiteral("p_help"));
    AddItem(p_help_, "Help3", "Content", 8, &CommandDispatch::Help3Click);
    AddItem(p_help_, "About2", "About", 6, &CommandDispatch::About2Click);
}

QAction* CommandDispatch::AddItem(QMenu* menu, const char* name, const char* caption, int icon,
                                  void (CommandDispatch::*handler)()) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromUtf8(name));
    if (icon >= 0) {
        action->setIcon(ImageListIcon(icon));
    }
    action->setIconVisibleInMenu(true);
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void CommandDispatch::Skin1Click(const QString& name) {
    struct Entry {
        const char* name;
        std::function<void()> command;
    };
    const std::array<Entry, 16> table = {{
        {"b_Add", [this] { Popup(p_file_, 12, 285); }},
        {"b_remove", [this] { Run(commands_.RemoveSelected); }},
        {"b_clear", [this] { Run(commands_.ClearList); }},
        {"b_convert", [this] { Run(commands_.ConvertAll); }},
        {"b_nomalize", [this] { Run(commands_.NormalizeAll); }},
        {"b_stop", [this] { Run(commands_.StopWork); }},
        {"p_play", [this] { Run(commands_.StartPreview); }},
        {"p_stop", [this] { Run(commands_.StopPreview); }},
        {"b_dir", [this] { RunUnlessBusy(commands_.ChooseOutputFolder); }},
        {"b_open", [this] { RunUnlessBusy(commands_.OpenOutputFolder); }},
        {"b_id3", [this] { RunUnlessBusy(commands_.ShowTagEditor); }},
        {"file", [this] { Popup(p_file_, 12, 66); }},
        {"action", [this] { Popup(p_action_, 52, 66); }},
        {"setting", [this] { RunUnlessBusy(commands_.ShowSettings); }},
        {"help", [this] { Popup(p_help_, 232, 66); }},
        {"helpp", [this] { Run(commands_.OpenHelp); }},
    }};
    for (const Entry& entry : table) {
        if (name == QLatin1String(entry.name)) {
            entry.command();
            return;
        }
    }
}

void CommandDispatch::AddFile2Click() {
    Run(commands_.AddFiles);
}

void CommandDispatch::AddFolder2Click() {
    Run(commands_.AddFolder);
}

void CommandDispatch::Converter2Click() {
    Run(commands_.ConvertAll);
}

void CommandDispatch::Play1Click() {
    Run(commands_.StartPreview);
}

void CommandDispatch::Stop3Click() {
    Run(commands_.StopPreview);
    if (state_.Converting) {
        Run(commands_.StopWork);
    }
}

void CommandDispatch::Help3Click() {
    Run(commands_.OpenHelp);
}

void CommandDispatch::About2Click() {
    Run(commands_.ShowAbout);
}

void CommandDispatch::Popup(QMenu* menu, int dx, int dy) {
    menu->popup(window_->frameGeometry().topLeft() + QPoint(dx, dy));
}

void CommandDispatch::RunUnlessBusy(const std::function<void()>& command) {
    if (state_.Busy()) {
        ShowInformation(window_, QStringLiteral("Please stop converting first!"));
        return;
    }
    Run(command);
}

void CommandDispatch::Run(const std::function<void()>& command) {
    if (command) {
        command();
    }
}
