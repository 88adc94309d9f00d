// The whole program on its real components, driven as a user drives it: clicks on named skin
// elements, the menus, the open dialog and the tag editor; then the outputs on disk, their tags,
// the row statuses and the settings file after closing are checked with independent tools.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "app/command_dispatch.h"
#include "app/desktop_open.h"
#include "app/information_box.h"
#include "app/program.h"
#include "audio/audio_test_signals.h"
#include "outside/audio/audio_factory.h"
#include "outside/skin/skin_engine.h"
#include "preview/preview_playback.h"
#include "support/temp_dir.h"
#include "tags/tag_editor_dialog.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// Runs `steps` once the next modal dialog is open.
void WhenModal(std::function<void(QDialog&)> steps) {
    QTimer::singleShot(50, [steps = std::move(steps)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        steps(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

// A tag of an output as mutagen (an independent reader) sees it.
QString MutagenTag(const QString& path, const char* frame) {
    QProcess python;
    python.start(S("/usr/bin/python3"), {S("-c"),
                                         S("import sys, mutagen.id3 as m; t = m.ID3(sys.argv[1]); "
                                           "f = t.get(sys.argv[2]); print(f.text[0] if f else '')"),
                                         path, S(frame)});
    python.waitForFinished(30000);
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
}

class EndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", config.Path().toLocal8Bit());
        QDir().mkpath(in());
        config.Write(S("Quorvel.ini"), (S("[Format]\nDir=") + out() + S("\nint=0\n")).toUtf8());
        previousSink = SetMessageSink([this](MessageKind, const QString& t) { messages << t; });
        previousOpener = SetDesktopOpener([this](const QUrl& url) {
            opened << url;
            return true;
        });
        for (const char* name : {"a.wav", "b.wav"}) {
            auto writer = CreateAudioFile();
            writer->SetEnabled(true);
            writer->SetWaveFormat(44100, 2, 16);
            WriteThrough(*writer, QDir(in()).filePath(S(name)), 44100,
                         Sine(44100, 2, 440.0, 44100));
        }
    }
    void TearDown() override {
        SetMessageSink(previousSink);
        SetDesktopOpener(previousOpener);
    }

    QString in() const { return work.File(S("in")); }
    QString out() const { return work.File(S("out")); }

    // Clicks the middle of a named element of the skinned face, as the mouse would.
    void Click(Tfm_main& window, const char* name) {
        ISkinObject* element = window.Skin1().GetSkinForm(&window)->FindObject(S(name));
        ASSERT_NE(element, nullptr) << name;
        const SkinRect r = element->GeometryInterface()->GetRect();
        const QPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        QWidget* target = window.childAt(centre);
        ASSERT_NE(target, nullptr) << name;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&window, centre));
    }

    void ChooseMenuItem(QMenu* menu, const char* item) {
        ASSERT_TRUE(menu->isVisible());
        QAction* action = menu->findChild<QAction*>(S(item));
        ASSERT_NE(action, nullptr) << item;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
    }

    // A column's texts as the list view shows them.
    QStringList Column(QTreeView* list, int column) const {
        QStringList texts;
        const QAbstractItemModel* model = list->model();
        for (int i = 0; i < model->rowCount(); ++i) {
            texts << model->index(i, column).data().toString();
        }
        return texts;
    }

    TempDir config;
    TempDir work;
    QStringList messages;
    QList<QUrl> opened;
    MessageSink previousSink;
    DesktopOpener previousOpener;
};

TEST_F(EndToEnd, AddTagConvertPreviewAndCloseThroughTheSkin) {
    Program program = CreateProgram();
    Tfm_main& window = *program.fm_main;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(messages.isEmpty()) << messages.join(S(" | ")).toStdString();

    // Every element a user can click says what it does.
    for (const SkinElementDef& def : static_cast<TSkin&>(window.Skin1()).Skin().elements) {
        if (def.clickable) {
            EXPECT_FALSE(def.tip.isEmpty()) << def.name.toStdString();
        }
    }

    // Add two files: "b_Add" opens the File menu, "Add File" the open dialog.
    Click(window, "b_Add");
    WhenModal([&](QDialog& d) {
        auto* dialog = qobject_cast<QFileDialog*>(&d);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(in());
        dialog->findChild<QLineEdit*>(S("fileNameEdit"))->setText(S("\"a.wav\" \"b.wav\""));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    ChooseMenuItem(window.Dispatch().p_file(), "AddFile2");
    ASSERT_EQ(window.lv()->model()->rowCount(), 2);
    EXPECT_EQ(Column(window.lv(), 0), (QStringList{S("a.wav"), S("b.wav")}));
    EXPECT_EQ(Column(window.lv(), 5), (QStringList{S("Unconvert"), S("Unconvert")}));

    // One title for both files with "All", an artist for the first only.
    WhenModal([&](QDialog& d) {
        auto& editor = static_cast<Tfm_id3&>(d);
        QTest::keyClicks(editor.edt_art(), S("First Artist"));
        editor.edt_tatal()->clear();
        QTest::keyClicks(editor.edt_tatal(), S("Shared Title"));
        QTest::mouseClick(editor.AllButton(0), Qt::LeftButton);
        QTest::mouseClick(editor.btn_ok(), Qt::LeftButton);
    });
    Click(window, "b_id3");
    EXPECT_EQ(Column(window.lv(), 0), (QStringList{S("Shared Title"), S("Shared Title")}));

    // Two files at once on two cores: the click returns at once and the batch ends by itself.
    Click(window, "b_convert");
    QTRY_VERIFY_WITH_TIMEOUT(!window.State().Busy(), 60000);
    EXPECT_EQ(Column(window.lv(), 5), (QStringList{S("finish"), S("finish")}))
        << messages.join(S(" | ")).toStdString();
    // Each row's tooltip carries the receipt of its output's check.
    const QString tip = window.lv()->model()->index(0, 5).data(Qt::ToolTipRole).toString();
    const QRegularExpression checked(S("^Checked: (\\d+) samples written, \\1 read back\n"));
    EXPECT_TRUE(checked.match(tip).hasMatch()) << tip.toStdString();
    EXPECT_TRUE(tip.contains(S("Tags written: ARTIST, "))) << tip.toStdString();
    // All went well: the rows say so, no box waits for a click.
    EXPECT_FALSE(messages.contains(S("2 converted, 0 failed, 0 stopped.")))
        << messages.join(S(" | ")).toStdString();
    const QString first = QDir(out()).filePath(S("Shared Title.mp3"));
    const QString second = QDir(out()).filePath(S("Shared Title_1.mp3"));
    ASSERT_TRUE(QFile::exists(first));
    ASSERT_TRUE(QFile::exists(second));
    EXPECT_EQ(MutagenTag(first, "TIT2"), S("Shared Title"));
    EXPECT_EQ(MutagenTag(first, "TPE1"), S("First Artist"));
    EXPECT_EQ(MutagenTag(second, "TIT2"), S("Shared Title"));
    EXPECT_EQ(MutagenTag(second, "TPE1"), S(""));

    // Preview the second row, let it play a moment, stop it.
    const QRect row = window.lv()->visualRect(window.lv()->model()->index(1, 0));
    QTest::mouseClick(window.lv()->viewport(), Qt::LeftButton, {}, row.center());
    QCoreApplication::processEvents();  // the row click is handled after the selection
    Click(window, "p_play");
    EXPECT_EQ(Column(window.lv(), 5).value(1), S("Playing"));
    QTest::qWait(300);
    EXPECT_TRUE(window.Preview().Playing());
    Click(window, "p_stop");
    EXPECT_EQ(Column(window.lv(), 5).value(1), S("Stop"));
    EXPECT_FALSE(window.Preview().Playing());

    // Help opens the page beside the program.
    Click(window, "helpp");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(QFile::exists(opened[0].toLocalFile()));

    // Only the no-device note may have been said (there is no sound server here).
    for (const QString& m : messages) {
        EXPECT_TRUE(m.startsWith(S("No audio device"))) << m.toStdString();
    }

    EXPECT_TRUE(window.close());
    const QByteArray ini = ReadAll(config.File(S("Quorvel.ini")));
    // The batch keeps the folder as it used it, with its closing separator.
    const QString dirLine = QString::fromUtf8(ini).section(QLatin1Char('\n'), 1, 1);
    EXPECT_TRUE(dirLine == S("Dir=") + out() || dirLine == S("Dir=") + out() + S("/"))
        << ini.toStdString();
    EXPECT_TRUE(ini.contains("int=0\n"));
    EXPECT_TRUE(ini.contains("[Nor]\nvol=98\n"));
}

}  // namespace
