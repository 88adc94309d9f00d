#include "app/command_dispatch.h"

#include <QAbstractItemView>
#include <QMenu>
#include <QWidget>
#include <array>

#include "app/image_list.h"
#include "app/information_box.h"
#include "engine/main_state.h"

CommandDispatch::CommandDispatch(QWidget* window, const MainState& state, MainCommands commands)
    : QObject(window), window_(window), state_(state), commands_(std::move(commands)) {
    BuildMenus();
    BuildWindowKeys();
}

void CommandDispatch::BuildMenus() {
    // Children of the window, so they wear its skin.
    p_file_ = new QMenu(window_);
    p_file_->setObjectName(QStringLiteral("p_file"));
    AddItem(p_file_, "AddFile2", QT_TR_NOOP("Add File"), 0, &CommandDispatch::AddFile2Click);
    AddItem(p_file_, "AddFolder2", QT_TR_NOOP("Add Folder"), 1, &CommandDispatch::AddFolder2Click);

    p_action_ = new QMenu(window_);
    p_action_->setObjectName(QStringLiteral("p_action"));
    AddItem(p_action_, "Converter2", QT_TR_NOOP("Converter"), 16,
            &CommandDispatch::Converter2Click);
    p_action_->addSeparator()->setObjectName(QStringLiteral("N5"));
    AddItem(p_action_, "Play1", QT_TR_NOOP("Play"), -1, &CommandDispatch::Play1Click);
    p_action_->addSeparator()->setObjectName(QStringLiteral("N3"));
    AddItem(p_action_, "Stop3", QT_TR_NOOP("Stop"), 2, &CommandDispatch::Stop3Click);
    QAction* pause =
        AddItem(p_action_, "Pause1", QT_TR_NOOP("Pause"), -1, &CommandDispatch::Pause1Click);
    // Only a running batch can be held.
    connect(p_action_, &QMenu::aboutToShow, this,
            [this, pause] { pause->setEnabled(state_.Converting); });

    p_help_ = new QMenu(window_);
    p_help_->setObjectName(QStringLiteral("p_help"));
    AddItem(p_help_, "Help3", QT_TR_NOOP("Content"), 8, &CommandDispatch::Help3Click);
    AddItem(p_help_, "About2", QT_TR_NOOP("About"), 6, &CommandDispatch::About2Click);

    p_row_ = new QMenu(window_);
    p_row_->setObjectName(QStringLiteral("p_row"));
    AddItem(p_row_, "RowPlay", QT_TR_NOOP("Play"), -1, &CommandDispatch::RowPlayClick);
    AddItem(p_row_, "RowTags", QT_TR_NOOP("Tags"), -1, &CommandDispatch::RowTagsClick);
    AddItem(p_row_, "RowRemove", QT_TR_NOOP("Remove"), -1, &CommandDispatch::RowRemoveClick);
    p_row_->addSeparator();
    AddItem(p_row_, "RowFolder", QT_TR_NOOP("Open containing folder"), -1,
            &CommandDispatch::RowFolderClick);
}

void CommandDispatch::BuildWindowKeys() {
    // The menu items carry their keys, so the menus show them; added to the window as well, the
    // keys work while the menus are closed.
    const std::pair<const char*, QList<QKeySequence>> keys[] = {
        {"AddFile2", {QKeySequence(Qt::CTRL | Qt::Key_O)}},
        {"AddFolder2", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}},
        {"Converter2",
         {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)}},
        {"Pause1", {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {"Help3", {QKeySequence(Qt::Key_F1)}},
    };
    for (const auto& [name, sequences] : keys) {
        auto* action = window_->findChild<QAction*>(QLatin1String(name));
        action->setShortcuts(sequences);
        action->setShortcutContext(Qt::WindowShortcut);
        window_->addAction(action);
    }
    // Escape has no menu item of its own: Stop in the Action menu also stops a preview.
    auto* escape = new QAction(window_);
    escape->setObjectName(QStringLiteral("EscapeStop"));
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WindowShortcut);
    connect(escape, &QAction::triggered, this, &CommandDispatch::EscapeStop);
    window_->addAction(escape);
}

void CommandDispatch::BindList(QAbstractItemView* list) {
    // Keys of the list only: Space and Delete mean other things in the window's other controls.
    const std::pair<const char*, QKeySequence> keys[] = {
        {"RowPlay", QKeySequence(Qt::Key_Space)},
        {"RowRemove", QKeySequence(QKeySequence::Delete)},
    };
    for (const auto& [name, sequence] : keys) {
        auto* action = p_row_->findChild<QAction*>(QLatin1String(name));
        action->setShortcut(sequence);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        list->addAction(action);
    }
    connect(list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            RowPlayClick();
        }
    });
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint& at) { OpenRowMenu(list, at); });
}

void CommandDispatch::OpenRowMenu(QAbstractItemView* list, const QPoint& at) {
    const QModelIndex index = list->indexAt(at);
    if (!index.isValid()) {
        return;  // not on a row: nothing to act on
    }
    // The press has selected the row (or kept a selection that holds it); the menu's commands
    // act on it as the current row, without changing what is selected.
    list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    p_row_->popup(list->viewport()->mapToGlobal(at));
}

QAction* CommandDispatch::AddItem(QMenu* menu, const char* name, const char* caption, int icon,
                                  void (CommandDispatch::*handler)()) {
    QAction* action = menu->addAction(tr(caption));
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
    const std::array<Entry, 17> table = {{
        {"b_Add", [this] { Popup(p_file_, 12, 285); }},
        {"b_remove", [this] { Run(commands_.RemoveSelected); }},
        {"b_clear", [this] { Run(commands_.ClearList); }},
        {"b_convert", [this] { Run(commands_.ConvertAll); }},
        {"b_nomalize", [this] { Run(commands_.NormalizeAll); }},
        {"b_stop", [this] { Run(commands_.StopWork); }},
        {"b_pause", [this] { Run(commands_.PauseWork); }},
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

void CommandDispatch::Pause1Click() {
    Run(commands_.PauseWork);
}

void CommandDispatch::ShowPaused(bool paused) {
    auto* pause = p_action_->findChild<QAction*>(QStringLiteral("Pause1"));
    pause->setText(paused ? tr("Resume") : tr("Pause"));
}

void CommandDispatch::Help3Click() {
    Run(commands_.OpenHelp);
}

void CommandDispatch::About2Click() {
    Run(commands_.ShowAbout);
}

void CommandDispatch::RowPlayClick() {
    Run(commands_.PreviewRow);
}

void CommandDispatch::RowTagsClick() {
    RunUnlessBusy(commands_.ShowTagEditor);  // as "b_id3"
}

void CommandDispatch::RowRemoveClick() {
    Run(commands_.RemoveSelected);  // as "b_remove": the command refuses during a batch
}

void CommandDispatch::RowFolderClick() {
    Run(commands_.OpenContainingFolder);
}

void CommandDispatch::EscapeStop() {
    if (state_.Converting) {
        Run(commands_.StopWork);
    }
}

void CommandDispatch::Popup(QMenu* menu, int dx, int dy) {
    menu->popup(window_->frameGeometry().topLeft() + QPoint(dx, dy));
}

void CommandDispatch::RunUnlessBusy(const std::function<void()>& command) {
    if (state_.Busy()) {
        ShowInformation(window_, tr("Please stop converting first!"));
        return;
    }
    Run(command);
}

void CommandDispatch::Run(const std::function<void()>& command) {
    if (command) {
        command();
    }
}
