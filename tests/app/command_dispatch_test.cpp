#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <tuple>

#include "app/command_dispatch.h"
#include "app/information_box.h"
#include "engine/main_state.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class CommandDispatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous = SetMessageSink([this](MessageKind, const QString& text) { calls << text; });
        window.setGeometry(100, 120, 471, 380);
        MainCommands c;
        const auto record = [this](const char* name) { return [this, name] { calls << S(name); }; };
        c.AddFiles = record("AddFiles");
        c.AddFolder = record("AddFolder");
        c.RemoveSelected = record("RemoveSelected");
        c.ClearList = record("ClearList");
        c.ConvertAll = record("ConvertAll");
        c.NormalizeAll = record("NormalizeAll");
        c.StopWork = record("StopWork");
        c.PauseWork = record("PauseWork");
        c.StartPreview = record("StartPreview");
        c.StopPreview = record("StopPreview");
        c.ShowTagEditor = record("ShowTagEditor");
        c.ShowSettings = record("ShowSettings");
        c.ChooseOutputFolder = record("ChooseOutputFolder");
        c.OpenOutputFolder = record("OpenOutputFolder");
        c.OpenHelp = record("OpenHelp");
        c.ShowAbout = record("ShowAbout");
        c.PreviewRow = record("PreviewRow");
        c.OpenContainingFolder = record("OpenContainingFolder");
        dispatch = std::make_unique<CommandDispatch>(&window, state, c);
    }
    void TearDown() override {
        SetMessageSink(previous);
        for (QMenu* menu : {dispatch->p_file(), dispatch->p_action(), dispatch->p_help()}) {
            menu->hide();
        }
    }

    // What a click did: the commands and messages in order, or "menu <name> at x,y".
    QStringList Click(const QString& name) {
        calls.clear();
        dispatch->Skin1Click(name);
        for (QMenu* menu : {dispatch->p_file(), dispatch->p_action(), dispatch->p_help()}) {
            if (menu->isVisible()) {
                // The menu's frame may stand a style's margin (2 px) beyond the point asked for.
                const QPoint at = menu->pos() - window.frameGeometry().topLeft();
                calls << S("menu %1 at %2,%3")
                             .arg(menu->objectName())
                             .arg(at.x() - at.x() % 4)
                             .arg(at.y() - at.y() % 4);
                menu->hide();
            }
        }
        return calls;
    }

    QWidget window;
    MainState state;
    std::unique_ptr<CommandDispatch> dispatch;
    QStringList calls;
    MessageSink previous;
};

TEST_F(CommandDispatchTest, EveryElementReachesItsCommandAndBusyRefusesTheDialogs) {
    const QString refused = S("Please stop converting first!");
    struct Row {
        const char* name;
        const char* idle;
        const char* busy;  // nullptr: the same as idle
    };
    const Row table[] = {
        {"b_Add", "menu p_file at 12,284", nullptr},
        {"b_remove", "RemoveSelected", nullptr},
        {"b_clear", "ClearList", nullptr},
        {"b_convert", "ConvertAll", nullptr},
        {"b_nomalize", "NormalizeAll", nullptr},
        {"b_stop", "StopWork", nullptr},
        {"b_pause", "PauseWork", nullptr},
        {"p_play", "StartPreview", nullptr},
        {"p_stop", "StopPreview", nullptr},
        {"b_dir", "ChooseOutputFolder", "Please stop converting first!"},
        {"b_open", "OpenOutputFolder", "Please stop converting first!"},
        {"b_id3", "ShowTagEditor", "Please stop converting first!"},
        {"file", "menu p_file at 12,64", nullptr},
        {"action", "menu p_action at 52,64", nullptr},
        {"setting", "ShowSettings", "Please stop converting first!"},
        {"help", "menu p_help at 232,64", nullptr},
        {"helpp", "OpenHelp", nullptr},
    };
    for (const Row& row : table) {
        state.Converting = false;
        EXPECT_EQ(Click(S(row.name)), QStringList{S(row.idle)}) << row.name;
        state.Converting = true;
        EXPECT_EQ(Click(S(row.name)), QStringList{S(row.busy ? row.busy : row.idle)}) << row.name;
    }
    EXPECT_EQ(refused, S(table[9].busy));
    state.Converting = false;
    for (const char* other : {"b_add", "B_ADD", "b_Add ", "", "pb", "Form", "helpp2"}) {
        EXPECT_TRUE(Click(S(other)).isEmpty()) << other;
    }
}

TEST_F(CommandDispatchTest, MenusHoldTheirItemsWithIconsAndReachTheSameOperations) {
    const auto items = [](QMenu* menu) {
        QStringList out;
        for (QAction* a : menu->actions()) {
            out << (a->isSeparator()
                        ? S("-")
                        : a->objectName() + S(":") + a->text() +
                              (a->icon().isNull() ? S("") : S("+icon")) +
                              (a->shortcut().isEmpty() ? S("")
                                                       : S(" ") + a->shortcut().toString()));
        }
        return out;
    };
    // The menus show the keys that reach the same items.
    EXPECT_EQ(items(dispatch->p_file()),
              (QStringList{S("AddFile2:Add File+icon Ctrl+O"),
                           S("AddFolder2:Add Folder+icon Ctrl+Shift+O")}));
    EXPECT_EQ(items(dispatch->p_action()),
              (QStringList{S("Converter2:Converter+icon Ctrl+Return"), S("-"), S("Play1:Play"),
                           S("-"), S("Stop3:Stop+icon"), S("Pause1:Pause Ctrl+P")}));
    EXPECT_EQ(items(dispatch->p_help()),
              (QStringList{S("Help3:Content+icon F1"), S("About2:About+icon")}));
    EXPECT_EQ(items(dispatch->p_row()),
              (QStringList{S("RowPlay:Play"), S("RowTags:Tags"), S("RowRemove:Remove"), S("-"),
                           S("RowFolder:Open containing folder")}));

    const auto trigger = [&](QObject* owner, const char* name) {
        calls.clear();
        owner->findChild<QAction*>(S(name))->trigger();
        return calls;
    };
    EXPECT_EQ(trigger(dispatch->p_file(), "AddFile2"), QStringList{S("AddFiles")});
    EXPECT_EQ(trigger(dispatch->p_file(), "AddFolder2"), QStringList{S("AddFolder")});
    EXPECT_EQ(trigger(dispatch->p_action(), "Converter2"), QStringList{S("ConvertAll")});
    EXPECT_EQ(trigger(dispatch->p_action(), "Play1"), QStringList{S("StartPreview")});
    EXPECT_EQ(trigger(dispatch->p_action(), "Stop3"), QStringList{S("StopPreview")});
    EXPECT_EQ(trigger(dispatch->p_action(), "Pause1"), QStringList{S("PauseWork")});
    EXPECT_EQ(trigger(dispatch->p_help(), "Help3"), QStringList{S("OpenHelp")});
    EXPECT_EQ(trigger(dispatch->p_help(), "About2"), QStringList{S("ShowAbout")});
    state.Converting = true;  // Stop3 during a batch also stops the batch
    EXPECT_EQ(trigger(dispatch->p_action(), "Stop3"),
              (QStringList{S("StopPreview"), S("StopWork")}));
    EXPECT_EQ(trigger(dispatch->p_help(), "Help3"), QStringList{S("OpenHelp")});

    // The rows' menu and Escape keep the guards of the commands they stand for.
    const std::tuple<const char*, const char*, const char*> rowItems[] = {
        {"RowPlay", "PreviewRow", "PreviewRow"},
        {"RowTags", "ShowTagEditor", "Please stop converting first!"},
        {"RowRemove", "RemoveSelected", "RemoveSelected"},
        {"RowFolder", "OpenContainingFolder", "OpenContainingFolder"},
    };
    for (const auto& [name, idle, busy] : rowItems) {
        state.Converting = false;
        EXPECT_EQ(trigger(dispatch->p_row(), name), QStringList{S(idle)}) << name;
        state.Converting = true;
        EXPECT_EQ(trigger(dispatch->p_row(), name), QStringList{S(busy)}) << name;
    }
    EXPECT_EQ(trigger(&window, "EscapeStop"), QStringList{S("StopWork")});
    state.Converting = false;
    EXPECT_TRUE(trigger(&window, "EscapeStop").isEmpty());  // nothing runs: nothing to stop
}

}  // namespace
