// The keyboard and mouse on the real main window (fake components, offscreen): every key and the
// rows' context menu reach their command through the dispatch, with the command's own guard.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include "app/command_dispatch.h"
#include "app/desktop_open.h"
#include "app/file_list_commands.h"
#include "app/information_box.h"
#include "app/main_window.h"
#include "fakes/fake_audio.h"
#include "fakes/fake_skin.h"
#include "preview/preview_playback.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

enum class Mode { Idle, Converting, Adding };

class WindowKeysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", dir.Path().toLocal8Bit());
        previousSink = SetMessageSink([this](MessageKind, const QString& text) { events << text; });
        previousOpener = SetDesktopOpener([this](const QUrl& url) {
            events << S("open ") + url.toLocalFile();
            return true;
        });
        MainWindowParts parts;
        parts.skin = std::make_unique<FakeSkin>(log);
        parts.reader = std::make_unique<FakeAudioFile>(S("AudioFileRead"), log);
        parts.writer = std::make_unique<FakeAudioFile>(S("AudioFilewrite"), log);
        parts.encoder = std::make_unique<RecordingLameEncoder>(log);
        parts.transform = std::make_unique<FakeTransform>(log);
        parts.player = std::make_unique<FakePlayer>(log);
        parts.makeLabel = [](QWidget* parent) { return new FakeSkinLabel(parent); };
        w = std::make_unique<Tfm_main>(std::move(parts));
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        // Any modal dialog a key opens is named and closed again.
        modalWatch.setInterval(5);
        QObject::connect(&modalWatch, &QTimer::timeout, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                events << S("dialog ") + dialog->objectName();
                dialog->reject();
            }
        });
        modalWatch.start();
    }
    void TearDown() override {
        modalWatch.stop();
        w.reset();
        SetMessageSink(previousSink);
        SetDesktopOpener(previousOpener);
    }

    void AddRows(int count) {
        w->Rows().Clear();
        for (int i = 0; i < count; ++i) {
            ListRow row;
            row.caption = S("row%1").arg(i);
            row.path = dir.File(S("row%1.wav").arg(i));
            w->Rows().Append(row);
        }
        if (count > 0) {
            w->lv()->setCurrentIndex(w->Rows().index(0, 0));  // selects row 0
        }
    }
    QModelIndex Index(int row) { return w->Rows().index(row, 0); }
    // The statuses of the rows, and what else the key did: messages, dialogs, desktop opens.
    QStringList Outcome() {
        QStringList out = events;
        QStringList statuses;
        RowModel& rows = w->Rows();
        for (int i = 0; i < rows.Count(); ++i) {
            statuses << rows.index(i, RowModel::kCaption).data().toString() + S(":") +
                            rows.index(i, RowModel::kStatus).data().toString();
        }
        out << statuses.join(S(" "));
        if (w->State().Converting) {
            out << S("converting");
        }
        return out;
    }

    TempDir dir;
    CallLog log = MakeCallLog();
    std::unique_ptr<Tfm_main> w;
    QStringList events;
    QTimer modalWatch;
    MessageSink previousSink;
    DesktopOpener previousOpener;
};

TEST_F(WindowKeysTest, KeysReachTheirCommandsWithTheCommandsGuards) {
    const QString stopFirst = S("Please stop converting first!");
    const QString waitForAdd = S("Please wait until the files are added!");
    const QString help =
        S("open ") + QCoreApplication::applicationDirPath() + S("/help/Quorvel.html");
    struct Case {
        const char* keys;  // QKeySequence text, one or more presses separated by ", "
        bool onList;       // pressed in the list, else in the output-format box
        Mode mode;
        int rows;
        QStringList outcome;  // Outcome() after the presses
    };
    const Case cases[] = {
        {"Ctrl+O",
         false,
         Mode::Idle,
         2,
         {S("dialog OpenDialog1"), S("row0:Unconvert row1:Unconvert")}},
        {"Ctrl+O",
         true,
         Mode::Converting,
         2,
         {stopFirst, S("row0:Unconvert row1:Unconvert"), S("converting")}},
        {"Ctrl+Shift+O", true, Mode::Idle, 0, {S("dialog fm_dir"), S("")}},
        {"Ctrl+Shift+O", false, Mode::Adding, 0, {waitForAdd, S("")}},
        {"Ctrl+Return", false, Mode::Idle, 0, {S("Please add file!"), S("")}},
        {"Ctrl+Enter", true, Mode::Adding, 1, {waitForAdd, S("row0:Unconvert")}},
        {"Ctrl+Return", true, Mode::Converting, 1, {S("row0:Unconvert"), S("converting")}},
        {"Esc", false, Mode::Converting, 1, {S("row0:Unconvert")}},
        {"Esc", true, Mode::Idle, 1, {S("row0:Unconvert")}},
        {"F1", true, Mode::Converting, 1, {help, S("row0:Unconvert"), S("converting")}},
        // In the list: Delete removes the selected rows, Space previews the current row and
        // stops it again.
        {"Del", true, Mode::Idle, 3, {S("row1:Unconvert row2:Unconvert")}},
        {"Del",
         true,
         Mode::Converting,
         2,
         {stopFirst, S("row0:Unconvert row1:Unconvert"), S("converting")}},
        {"Del", false, Mode::Idle, 2, {S("row0:Unconvert row1:Unconvert")}},
        {"Space", true, Mode::Idle, 2, {S("row0:Playing row1:Unconvert")}},
        {"Space, Space", true, Mode::Idle, 2, {S("row0:Stop row1:Unconvert")}},
        {"Space", true, Mode::Adding, 2, {waitForAdd, S("row0:Unconvert row1:Unconvert")}},
        {"Space", true, Mode::Converting, 2, {S("row0:Unconvert row1:Unconvert"), S("converting")}},
    };
    for (const Case& c : cases) {
        const QString label = S(c.keys) + (c.onList ? S(" in the list") : S(" in the window"));
        AddRows(c.rows);
        QWidget* target =
            c.onList ? static_cast<QWidget*>(w->lv()) : static_cast<QWidget*>(w->scmb());
        w->activateWindow();  // a dialog of the case before may have kept it
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == w.get(); }));
        target->setFocus();
        w->State().Converting = c.mode == Mode::Converting;
        events.clear();
        const QKeySequence keys(S(c.keys));
        const auto press = [&] {
            for (int i = 0; i < keys.count(); ++i) {
                QTest::keySequence(target, QKeySequence(keys[i]));
                QTest::qWait(30);  // for a dialog the key opened to be seen and closed
            }
        };
        if (c.mode == Mode::Adding) {
            w->FileList().RunAdd(press);  // pressed while an add is on its way
        } else {
            press();
        }
        EXPECT_EQ(Outcome().join(S(" | ")).toStdString(), c.outcome.join(S(" | ")).toStdString())
            << label.toStdString();
        w->Preview().StopPreview();
        w->State().Converting = false;
    }
}

TEST_F(WindowKeysTest, DoubleClickAndTheRowsMenuActOnTheRowUnderTheMouse) {
    AddRows(3);
    QTreeView* lv = w->lv();
    const auto centre = [&](int row) { return lv->visualRect(Index(row)).center(); };
    // As the platform delivers a double-click: click, then a press followed by the double-click.
    const auto doubleClick = [&](int row) {
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, centre(row));
        QTest::mousePress(lv->viewport(), Qt::LeftButton, {}, centre(row));
        QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, centre(row));
        QTest::mouseRelease(lv->viewport(), Qt::LeftButton, {}, centre(row));
        QCoreApplication::processEvents();
    };

    doubleClick(1);
    EXPECT_EQ(Outcome().join(S("|")).toStdString(), "row0:Unconvert row1:Playing row2:Unconvert");
    // A double-click on another row moves the preview there.
    doubleClick(2);
    EXPECT_EQ(Outcome().join(S("|")).toStdString(), "row0:Unconvert row1:Stop row2:Playing");
    w->Preview().StopPreview();

    // Right-clicking row 2 with rows 0 and 2 selected keeps both selected; the menu's folder is
    // row 2's, Remove removes both.
    lv->clearSelection();
    lv->selectionModel()->select(Index(0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    lv->selectionModel()->select(Index(2), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const auto rowMenu = [&](int row, const char* item) {
        QTest::mousePress(lv->viewport(), Qt::RightButton, {}, centre(row));
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, centre(row),
                                    lv->viewport()->mapToGlobal(centre(row)));
        QCoreApplication::sendEvent(lv->viewport(), &menuEvent);
        QTest::mouseRelease(lv->viewport(), Qt::RightButton, {}, centre(row));
        QMenu* menu = w->Dispatch().p_row();
        EXPECT_TRUE(menu->isVisible()) << item;
        menu->findChild<QAction*>(S(item))->trigger();
        menu->hide();
        QCoreApplication::processEvents();
    };
    events.clear();
    rowMenu(2, "RowFolder");
    EXPECT_EQ(events.join(S("|")).toStdString(), (S("open ") + dir.Path()).toStdString());
    rowMenu(2, "RowRemove");
    EXPECT_EQ(Outcome().last().toStdString(), "row1:Stop");  // rows 0 and 2 went

    // Below the last row there is nothing to act on: no menu.
    QContextMenuEvent below(QContextMenuEvent::Mouse, QPoint(5, lv->viewport()->height() - 5),
                            lv->viewport()->mapToGlobal(QPoint(5, lv->viewport()->height() - 5)));
    QCoreApplication::sendEvent(lv->viewport(), &below);
    EXPECT_FALSE(w->Dispatch().p_row()->isVisible());
}

}  // namespace
