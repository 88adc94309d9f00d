#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "settings/folder_chooser.h"
#include "settings/folder_tree.h"
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
    EXPECT_EQ(chooser.size(), QSize(287, 260));
    EXPECT_EQ(chooser.ShellTreeView1()->geometry().size(), QSize(270, 217));
    EXPECT_EQ(chooser.btn_ok()->text(), S("Ok"));
    EXPECT_EQ(chooser.btn_cancel()->text(), S("Cancel"));
    EXPECT_LT(chooser.btn_ok()->x(), chooser.btn_cancel()->x());
    EXPECT_FALSE(chooser.btn_ok()->autoDefault());

    QString caption;
    EXPECT_EQ(Show(S("Output Directory"),
                   [&] {
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

}  // namespace
