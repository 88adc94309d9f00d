#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "fakes/fake_skin.h"
#include "filelist/row_model.h"
#include "tags/genre_names.h"
#include "tags/tag_editor_dialog.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

AudioFileinfo Record(const char* title, const char* artist, const char* genre = "") {
    AudioFileinfo r;
    r.Title = S(title);
    r.Artist = S(artist);
    r.Genre = S(genre);
    r.Year = S("1999");
    r.Comment = S("note");
    return r;
}

class TagEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dialog = std::make_unique<Tfm_id3>(
            rows, [](QWidget* p) { return new FakeSkinLabel(p); }, nullptr);
    }

    void AddRow(const char* caption, const AudioFileinfo& record) {
        ListRow row;
        row.caption = S(caption);
        row.record = record;
        rows.Append(row);
    }
    // The committed records, and the editor's working copy.
    QList<AudioFileinfo> Tags() const { return rows.All(); }
    const QList<AudioFileinfo>& EditTags() const { return dialog->EditTags(); }

    // Shows the dialog as the main window does (modal) and runs `steps` while it is open.
    void Show(const std::function<void(Tfm_id3&)>& steps) {
        QTimer::singleShot(0, dialog.get(), [this, steps] {
            steps(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        });
        dialog->exec();
    }

    QStringList Captions(QTreeWidget& list) const {
        QStringList out;
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            out << list.topLevelItem(i)->text(0);
        }
        return out;
    }
    // The captions the main list shows.
    QStringList MainCaptions() const {
        QStringList out;
        for (int i = 0; i < rows.Count(); ++i) {
            out << rows.index(i, RowModel::kCaption).data().toString();
        }
        return out;
    }

    void ClickRow(Tfm_id3& d, int row) {
        const QRect r = d.lv_id3()->visualItemRect(d.lv_id3()->topLevelItem(row));
        QTest::mouseClick(d.lv_id3()->viewport(), Qt::LeftButton, {}, r.center());
    }

    RowModel rows;
    std::unique_ptr<Tfm_id3> dialog;
};

TEST(GenreNamesTest, HoldsThePublishedListWithTheChosenSpellings) {
    const QStringList& names = GenreNames();
    ASSERT_EQ(names.size(), 148);
    const std::pair<int, const char*> expected[] = {{0, "Blues"},
                                                    {1, "Classic Rock"},
                                                    {40, "Alternative Rock"},
                                                    {64, "Native US"},
                                                    {67, "Psychedelic"},
                                                    {85, "Bebop"},
                                                    {90, "Avant-garde"},
                                                    {100, "Humor"},
                                                    {132, "Britpop"},
                                                    {136, "Christian Gangsta"},
                                                    {140, "Contemporary C"},
                                                    {145, "Anime"},
                                                    {146, "JPop"},
                                                    {147, "SynthPop"}};
    for (const auto& [index, name] : expected) {
        EXPECT_EQ(names[index], S(name)) << index;
    }
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), 148);  // each name once
}

TEST_F(TagEditorTest, EmptyListShowsNoRowsStoresNothingAndListsEachGenreOnce) {
    for (int showing = 0; showing < 2; ++showing) {
        Show([&](Tfm_id3& d) {
            EXPECT_EQ(d.windowTitle(), S("ID3 Edit"));
            EXPECT_EQ(d.size(), QSize(419, 269));
            EXPECT_EQ(d.lv_id3()->topLevelItemCount(), 0);
            EXPECT_EQ(d.edt_genre()->count(), 148);
            d.edt_art()->setText(S("typed"));
            d.AllButton(1)->click();
            d.btn_ok()->click();
        });
    }
    EXPECT_TRUE(Tags().isEmpty());
    EXPECT_TRUE(EditTags().isEmpty());
    EXPECT_EQ(dialog->edt_art()->text(), S("typed"));  // boxes keep their text between showings
}

TEST_F(TagEditorTest, FirstRowCaptionBecomesItsTitleAndCancelDropsEveryEdit) {
    AddRow("track01.mp3", Record("", "Ann"));
    AddRow("Song B", Record("Song B", "Bob", "Jazz"));
    Show([&](Tfm_id3& d) {
        EXPECT_EQ(Captions(*d.lv_id3()), (QStringList{S("track01.mp3"), S("Song B")}));
        EXPECT_EQ(d.edt_tatal()->text(), S("track01.mp3"));
        EXPECT_EQ(d.edt_art()->text(), S("Ann"));
        EXPECT_EQ(EditTags()[0].Title, S("track01.mp3"));  // written through by loading
        d.edt_art()->setText(S("Anna"));
        ClickRow(d, 1);
        EXPECT_EQ(d.edt_tatal()->text(), S("Song B"));
        EXPECT_EQ(d.edt_genre()->currentText(), S("Jazz"));
        EXPECT_EQ(d.edt_com()->toPlainText(), S("note"));
        d.edt_genre()->setEditText(S("Free Text Genre"));
        EXPECT_EQ(EditTags()[1].Genre, S("Free Text Genre"));
        EXPECT_EQ(EditTags()[0].Artist, S("Anna"));
        d.btn_cancel()->click();
    });
    EXPECT_EQ(Tags()[0].Artist, S("Ann"));
    EXPECT_EQ(Tags()[0].Title, S(""));
    EXPECT_EQ(Tags()[1].Genre, S("Jazz"));
    EXPECT_EQ(MainCaptions(), (QStringList{S("track01.mp3"), S("Song B")}));
    EXPECT_EQ(dialog->lv_id3()->topLevelItemCount(), 0);  // emptied on close
    Show([&](Tfm_id3& d) { EXPECT_EQ(d.edt_art()->text(), S("Ann")); });
}

TEST_F(TagEditorTest, AllOnTitleThenOkRenamesEveryRowButEmptyTitlesKeepTheirCaption) {
    AddRow("a.mp3", Record("A", "x"));
    AddRow("b.mp3", Record("B", "y"));
    AddRow("c.mp3", Record("C", "z"));
    Show([&](Tfm_id3& d) {
        d.edt_tatal()->setText(S("Same"));
        d.AllButton(0)->click();
        EXPECT_EQ(Captions(*d.lv_id3()), (QStringList{S("a.mp3"), S("b.mp3"), S("c.mp3")}));
        d.edt_art()->setText(S("Everyone"));
        d.AllButton(1)->click();
        ClickRow(d, 2);
        d.edt_tatal()->setText(QString());  // row 2 ends with an empty title
        d.btn_ok()->click();
    });
    EXPECT_EQ(MainCaptions(), (QStringList{S("Same"), S("Same"), S("c.mp3")}));
    for (const AudioFileinfo& r : Tags()) {
        EXPECT_EQ(r.Artist, S("Everyone"));
    }
    EXPECT_EQ(Tags()[2].Title, S(""));
}

TEST_F(TagEditorTest, ResetAndAClickOnEmptySpaceReturnToTheFirstRow) {
    AddRow("a.mp3", Record("A", "x"));
    AddRow("b.mp3", Record("B", "y"));
    Show([&](Tfm_id3& d) {
        ClickRow(d, 1);
        d.edt_art()->setText(S("changed"));
        d.Button7()->click();
        EXPECT_EQ(d.lv_id3()->selectedItems().value(0), d.lv_id3()->topLevelItem(0));
        EXPECT_EQ(d.edt_art()->text(), S("x"));
        EXPECT_EQ(EditTags()[1].Artist, S("y"));

        ClickRow(d, 1);
        EXPECT_EQ(d.edt_art()->text(), S("y"));
        QTest::mouseClick(d.lv_id3()->viewport(), Qt::LeftButton, {},
                          QPoint(5, d.lv_id3()->viewport()->height() - 5));
        QCoreApplication::processEvents();
        EXPECT_EQ(d.lv_id3()->selectedItems().value(0), d.lv_id3()->topLevelItem(0));
        EXPECT_EQ(d.edt_art()->text(), S("x"));
    });
}

TEST_F(TagEditorTest, LeavingTheTitleBoxRenamesTheEditorRowAndKeyboardMovesTheBoxes) {
    AddRow("a.mp3", Record("A", "x"));
    AddRow("b.mp3", Record("B", "y"));
    Show([&](Tfm_id3& d) {
        QTest::keyClicks(d.edt_tatal(), S("2"));
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(d.edt_tatal(), &leave);
        EXPECT_EQ(d.lv_id3()->topLevelItem(0)->text(0), S("a.mp32"));  // the caption was shown
        QTest::keyClick(d.lv_id3(), Qt::Key_Down);
        EXPECT_EQ(d.edt_tatal()->text(), S("B"));  // the boxes follow the selected row
        d.edt_year()->setText(S("2001"));
        EXPECT_EQ(EditTags()[1].Year, S("2001"));
        EXPECT_EQ(EditTags()[0].Year, S("1999"));
    });
}

}  // namespace
