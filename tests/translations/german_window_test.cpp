// The window and its dialogs with the German catalogue, as a German desktop starts them: the
// texts are German and none is cut by its control.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/command_dispatch.h"
#include "app/information_box.h"
#include "app/program.h"
#include "app/secondary_windows.h"
#include "app/translations.h"
#include "outside/skin/skin_element.h"
#include "outside/skin/skin_label.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class GermanWindow : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // The build's catalogue, found the way the program finds it beside itself.
        // The font a Debian desktop gives the windows the skin does not reach (the dialogs).
        QApplication::setFont(QFont(S("DejaVu Sans"), 9));
        static const bool installed = InstallTranslations(
            QLocale(QLocale::German, QLocale::Germany), {S(QUORVEL_BIN_DIR "/translations")});
        ASSERT_TRUE(installed);
    }
    void SetUp() override {
        previous = SetMessageSink([this](MessageKind, const QString& text) { messages << text; });
        program = CreateProgram();
        program.fm_main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(program.fm_main.get()));
    }
    void TearDown() override {
        program.fm_main.reset();
        SetMessageSink(previous);
    }

    QString MenuItem(QMenu* menu, const char* name) const {
        const auto* action = menu->findChild<QAction*>(S(name));
        return action ? action->text() : QString();
    }
    QString SkinCaption(const char* name) {
        ISkinForm* form = program.fm_main->Skin1().GetSkinForm(program.fm_main.get());
        auto* element = dynamic_cast<TSkinElement*>(form ? form->FindObject(S(name)) : nullptr);
        return element ? element->Text() : QString();
    }

    Program program;
    QStringList messages;
    MessageSink previous;
};

// Every text of `root`'s shown controls within its control, named in the failure.
void ExpectNothingCut(QWidget* root) {
    const auto shown = [root](const QWidget* w) { return w->isVisibleTo(root); };
    const auto where = [](const QWidget* w, const QString& text) {
        return (w->objectName() + S(" \"") + text + S("\"")).toStdString();
    };
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (!shown(w)) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(w);
            label && !label->wordWrap() && !label->text().isEmpty()) {
            EXPECT_LE(label->sizeHint().width(), label->width()) << where(w, label->text());
        } else if (w->objectName() == S("ck_comply") || w->objectName() == S("ck_allow")) {
            continue;  // narrower than their captions on purpose: a label carries the last word
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            EXPECT_LE(w->sizeHint().width(), w->width())
                << where(w, static_cast<QAbstractButton*>(w)->text());
        } else if (auto* button = qobject_cast<QPushButton*>(w)) {
            // Within the contents: the frame and the skin's padding taken off, the text is cut.
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            const QRect contents =
                button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
            EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), contents.width())
                << where(w, button->text());
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->title()) + 12, box->width())
                << where(w, box->title());
        } else if (auto* list = qobject_cast<QComboBox*>(w); list && !list->isEditable()) {
            for (int i = 0; i < list->count(); ++i) {
                // The text, the frame's padding and the drop-down arrow.
                EXPECT_LE(list->fontMetrics().horizontalAdvance(list->itemText(i)) + 30,
                          list->width())
                    << where(w, list->itemText(i));
            }
        } else if (auto* skinLabel = qobject_cast<TSkinLabel*>(w);
                   skinLabel && w->objectName() != S("SkinLabel1")) {  // a path may be long
            EXPECT_EQ(skinLabel->ShownText(), skinLabel->Caption())
                << where(w, skinLabel->Caption());
        } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            const QAbstractItemModel* model = header->model();
            for (int c = 0; c < header->count(); ++c) {
                const QString text = model->headerData(c, header->orientation()).toString();
                EXPECT_LE(header->fontMetrics().horizontalAdvance(text) + 8, header->sectionSize(c))
                    << where(w, text);
            }
        }
    }
}

TEST_F(GermanWindow, MenusButtonsListAndDialogsSpeakGerman) {
    CommandDispatch& dispatch = program.fm_main->Dispatch();
    EXPECT_EQ(MenuItem(dispatch.p_file(), "AddFile2"), S("Datei hinzufügen"));
    EXPECT_EQ(MenuItem(dispatch.p_action(), "Converter2"), S("Konvertieren"));
    EXPECT_EQ(MenuItem(dispatch.p_help(), "About2"), S("Über Quorvel"));
    EXPECT_EQ(MenuItem(dispatch.p_row(), "RowFolder"), S("Enthaltenden Ordner öffnen"));
    // The skin's menu titles and buttons.
    EXPECT_EQ(SkinCaption("file"), S("Datei"));
    EXPECT_EQ(SkinCaption("setting"), S("Optionen"));
    EXPECT_EQ(SkinCaption("b_convert"), S("Start"));
    EXPECT_EQ(program.fm_main->lv()->model()->headerData(0, Qt::Horizontal).toString(), S("Titel"));

    EXPECT_EQ(program.fm_about->windowTitle(), S("Über Quorvel"));
    EXPECT_EQ(program.fm_id3->windowTitle(), S("ID3 bearbeiten"));
    EXPECT_EQ(program.fm_id3->findChild<QPushButton*>(S("Button1"))->text(), S("Alle"));
    EXPECT_EQ(program.fm_dir->findChild<QPushButton*>(S("btn_cancel"))->text(), S("Abbrechen"));
    // The settings dialog: its frame, an own page and a page built from a format unit's keys.
    Tfm_set& settings = *program.fm_set;
    EXPECT_EQ(settings.windowTitle(), S("Einstellungen"));
    EXPECT_EQ(settings.findChild<QPushButton*>(S("Button2"))->text(), S("Standard"));
    EXPECT_EQ(settings.findChild<QCheckBox*>(S("ck_mp3_VBR"))->text(), S("VBR-Header schreiben"));
    EXPECT_EQ(settings.findChild<QCheckBox*>(S("ck_flac_dither"))->text(),
              S("Dither bei geringerer Bittiefe"));
    EXPECT_EQ(settings.findChild<QComboBox*>(S("cb_flac_bits"))->itemText(0), S("Wie die Quelle"));
    EXPECT_EQ(settings.findChild<QWidget*>(S("gb_flac"))->findChild<QGroupBox*>()->title(),
              S("Hinweis:  "));
    // Qt's own texts (standard buttons, the file dialog) come from Qt's German catalogue.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), S("Abbrechen"));
}

TEST_F(GermanWindow, NoTextIsCutInTheWindowAndItsDialogs) {
    {
        SCOPED_TRACE("main window");
        ExpectNothingCut(program.fm_main.get());
    }
    for (QDialog* dialog :
         std::initializer_list<QDialog*>{program.fm_about, program.fm_dir, program.fm_id3}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        ExpectNothingCut(dialog);
        dialog->hide();
    }
    // Every page of the settings dialog, each shown through its node.
    Tfm_set& settings = *program.fm_set;
    settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
    auto* tree = settings.findChild<QTreeWidget*>(S("TreeView1"));
    tree->expandAll();
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        SCOPED_TRACE((*it)->text(0).toStdString());
        tree->setCurrentItem(*it);
        emit tree->itemClicked(*it, 0);
        ExpectNothingCut(&settings);
        // The node's text within the tree, past its indentation.
        EXPECT_LE(tree->visualItemRect(*it).left() +
                      tree->fontMetrics().horizontalAdvance((*it)->text(0)) + 4,
                  tree->viewport()->width());
    }
    settings.hide();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(S(" | ")).toStdString();
}

}  // namespace
