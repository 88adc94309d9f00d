#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "settings/folder_chooser.h"
#include "settings/folder_tree.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Acts on the chooser once its modal loop runs.
void WhenUp(Tfm_dir& chooser, std::function<void()> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, &chooser] {
        if (QApplication::activeModalWidget() == &chooser) {
            timer->stop();
            timer->deleteLater();
            act();
        }
    });
    timer->start();
}

class FolderChooserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        oldHome = qgetenv("HOME");
        QDir(dir.Path()).mkpath(S("home/Music/Rock"));
        QDir(dir.Path()).mkpath(S("home/Taken"));
        home = dir.File(S("home"));
        qputenv("HOME", home.toLocal8Bit());
        chooser.ShellTreeView1()->SetMessageHandler(
            [this](const QString& text) { messages << text; });
    }
    void TearDown() override { qputenv("HOME", oldHome); }

    QString Show(const QString& caption, std::function<void()> act) {
        WhenUp(chooser, std::move(act));
        return chooser.ShowModal(caption);
    }

    TempDir dir;
    QByteArray oldHome;
    QString home;
    Tfm_dir chooser;
    QStringList messages;
};

TEST_F(FolderChooserTest, OkCancelAndCloseBoxSetChosenFolder) {
    EXPECT_EQ(chooser.size(), QSize(Tfm_dir::kClientWidth, Tfm_dir::kClientHeight));
    EXPECT_EQ(chooser.btn_ok()->text(), S("Ok"));
    EXPECT_EQ(chooser.btn_cancel()->text(), S("Cancel"));
    EXPECT_FALSE(chooser.btn_ok()->autoDefault());

    QString caption;
    EXPECT_EQ(
        Show(S("Output Directory"),
             [&] {
                 // The path field above the tree, the buttons below it, Ok first.
                 EXPECT_LT(chooser.ed_path()->geometry().bottom(), chooser.ShellTreeView1()->y());
                 EXPECT_GT(chooser.btn_ok()->y(), chooser.ShellTreeView1()->geometry().bottom());
                 EXPECT_LT(chooser.btn_ok()->x(), chooser.btn_cancel()->x());
                 EXPECT_EQ(chooser.ed_path()->text(), home);
                 caption = chooser.windowTitle();
                 chooser.btn_ok()->click();
             }),
        home);  // at the first showing the home folder is selected
    EXPECT_EQ(caption, S("Output Directory"));
    EXPECT_EQ(Show(S("Add File Directory"), [&] { chooser.btn_cancel()->click(); }), QString());
    EXPECT_EQ(chooser.ChosenFolder(), QString());
    Show(S("x"), [&] { chooser.btn_ok()->click(); });
    EXPECT_EQ(Show(S("x"), [&] { chooser.close(); }), QString());  // the close box
}

TEST_F(FolderChooserTest, TheTreeKeepsItsSelectionAndExpansionBetweenShowings) {
    FolderTree* tree = chooser.ShellTreeView1();
    const QString rock = QDir(home).filePath(S("Music/Rock"));
    Show(S("x"), [&] {
        QTreeWidgetItem* homeItem = tree->FindItem(home);
        ASSERT_NE(homeItem, nullptr);
        EXPECT_TRUE(homeItem->isExpanded());
        QTreeWidgetItem* music = tree->FindItem(QDir(home).filePath(S("Music")));
        ASSERT_NE(music, nullptr);
        EXPECT_EQ(tree->FindItem(rock), nullptr);  // read only when Music is opened
        music->setExpanded(true);
        tree->setCurrentItem(tree->FindItem(rock));
        chooser.btn_ok()->click();
    });
    EXPECT_EQ(chooser.ChosenFolder(), rock);
    EXPECT_EQ(Show(S("x"), [&] { chooser.btn_ok()->click(); }), rock);
    tree->clearSelection();
    EXPECT_EQ(Show(S("x"), [&] { chooser.btn_ok()->click(); }), QString());  // nothing selected
}

TEST_F(FolderChooserTest, NewFolderAndRenameInPlaceChangeTheDisk) {
    FolderTree* tree = chooser.ShellTreeView1();
    Show(S("x"), [&] { chooser.btn_cancel()->click(); });

    tree->setCurrentItem(tree->FindItem(home));
    QTreeWidgetItem* made = tree->NewFolder();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(QDir(home).exists(S("New Folder")));
    tree->setCurrentItem(tree->FindItem(home));
    ASSERT_NE(tree->NewFolder(), nullptr);
    EXPECT_TRUE(QDir(home).exists(S("New Folder (2)")));

    made->setText(0, S("Jazz"));  // what the in-place editor commits
    EXPECT_TRUE(QDir(home).exists(S("Jazz")));
    EXPECT_FALSE(QDir(home).exists(S("New Folder")));
    EXPECT_EQ(FolderTree::PathOf(made), QDir(home).filePath(S("Jazz")));

    made->setText(0, S("Taken"));  // exists already: refused, the old name comes back
    EXPECT_EQ(made->text(0), S("Jazz"));
    EXPECT_TRUE(QDir(home).exists(S("Jazz")));
    made->setText(0, S("a/b"));
    EXPECT_EQ(made->text(0), S("Jazz"));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains(S("already exists"))) << messages[0].toStdString();

    // The right button selects the item under it and offers the two commands.
    QTreeWidgetItem* root = tree->FindItem(S("/"));
    QStringList offered;
    bool renameEnabled = true;
    QTimer::singleShot(50, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions()) {
                offered << action->text();
                if (action->text() == S("Rename")) {
                    renameEnabled = action->isEnabled();
                }
            }
            menu->close();
        }
    });
    emit tree->customContextMenuRequested(tree->visualItemRect(root).center());
    EXPECT_EQ(tree->currentItem(), root);
    EXPECT_EQ(offered, (QStringList{S("New Folder"), S("Rename")}));
    EXPECT_FALSE(renameEnabled);  // the top items are fixed places
}

// Answers the next message box or input dialog once it is the modal window.
void WhenModal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (qobject_cast<QMessageBox*>(modal) || qobject_cast<QInputDialog*>(modal)) {
            timer->stop();
            timer->deleteLater();
            act(modal);
        }
    });
    timer->start();
}

// A typed or pasted folder: an existing one is chosen as it is; a missing one is made (with the
// folders above it) only when the user agrees; a file, or a path the system cannot make, keeps
// the dialog open with the cause shown.
TEST_F(FolderChooserTest, ATypedFolderIsChosenOrMadeOnRequest) {
    dir.Write(S("home/notes.txt"), "x");
    struct Case {
        const char* typed;                   // below the temporary folder
        QMessageBox::StandardButton answer;  // NoButton: no question expected
        bool chosen;
        const char* boxSays;  // part of the question or error shown
        bool refused;         // the system refuses to make it: a second box says why
    } const cases[] = {
        {"home/Music/Rock", QMessageBox::NoButton, true, nullptr, false},
        {"home/New/Deep er", QMessageBox::Yes, true, "does not exist", false},
        {"home/Declined", QMessageBox::No, false, "does not exist", false},
        {"home/notes.txt", QMessageBox::Ok, false, "notes.txt is not a folder", false},
        {"home/notes.txt/inner", QMessageBox::Yes, false, "notes.txt is not a folder", true},
    };
    for (const Case& c : cases) {
        const QString typed = dir.File(S(c.typed));
        QString shown;
        const QString chosen = Show(S("Output Directory"), [&] {
            chooser.ed_path()->clear();
            QTest::keyClicks(chooser.ed_path(), typed);
            if (c.answer != QMessageBox::NoButton) {
                WhenModal([&](QWidget* modal) {
                    auto* box = qobject_cast<QMessageBox*>(modal);
                    ASSERT_NE(box, nullptr);
                    shown += box->text();
                    if (c.refused) {
                        // After Yes comes the refusal, which is answered too.
                        WhenModal([&](QWidget* failed) {
                            shown += qobject_cast<QMessageBox*>(failed)->text();
                            qobject_cast<QMessageBox*>(failed)->button(QMessageBox::Ok)->click();
                        });
                    }
                    box->button(c.answer)->click();
                });
            }
            chooser.btn_ok()->click();
            if (!c.chosen) {
                EXPECT_TRUE(chooser.isVisible()) << c.typed;  // open for another try
                chooser.btn_cancel()->click();
            }
        });
        EXPECT_EQ(chosen, c.chosen ? typed : QString()) << c.typed;
        EXPECT_EQ(QFileInfo(typed).isDir(), c.chosen) << c.typed;
        if (c.boxSays) {
            EXPECT_TRUE(shown.contains(S(c.boxSays))) << c.typed << ": " << shown.toStdString();
        }
        if (c.chosen) {  // the tree shows the folder chosen
            EXPECT_EQ(chooser.ShellTreeView1()->SelectedFolder(), typed);
        }
    }
}

// "New Folder" asks for the name and makes the folder inside the selected one; a name already
// there is refused with the cause. The last folder and "Include sub-folders" outlive the run.
TEST_F(FolderChooserTest, NewFolderButtonAndTheRememberedFolder) {
    const std::unique_ptr<SettingsFile> file = std::make_unique<SettingsFile>(dir.File(S("q.ini")));
    chooser.SetSettingsFile(&file);
    FolderTree* tree = chooser.ShellTreeView1();
    const QString live = QDir(home).filePath(S("Music/Live"));
    chooser.OfferSubfolders();
    Show(S("Add File Directory"), [&] {
        tree->setCurrentItem(tree->FindItem(QDir(home).filePath(S("Music"))));
        for (int i = 0; i < 2; ++i) {
            WhenModal([](QWidget* modal) {
                auto* ask = qobject_cast<QInputDialog*>(modal);
                ASSERT_NE(ask, nullptr);
                ask->setTextValue(S("Live"));
                ask->accept();
            });
            chooser.btn_newfolder()->click();
            if (i == 0) {
                EXPECT_TRUE(QFileInfo(live).isDir());
                EXPECT_EQ(tree->SelectedFolder(), live);
                tree->setCurrentItem(tree->FindItem(QDir(home).filePath(S("Music"))));
            }
        }
        chooser.cb_subfolders()->setChecked(true);
        chooser.btn_ok()->click();
    });
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(S("already exists"))) << messages[0].toStdString();
    EXPECT_EQ(chooser.ChosenFolder(), QDir(home).filePath(S("Music")));

    // The next run: a fresh chooser starts at the folder last chosen, the box as it was left.
    Tfm_dir next;
    next.SetSettingsFile(&file);
    next.OfferSubfolders();
    bool checked = false;
    WhenUp(next, [&] {
        checked = next.cb_subfolders()->isChecked();
        next.btn_ok()->click();
    });
    EXPECT_EQ(next.ShowModal(S("Add File Directory")), QDir(home).filePath(S("Music")));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(next.IncludeSubfolders());
}

}  // namespace
