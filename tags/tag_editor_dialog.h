#pragma once

#include <QDialog>
#include <QList>
#include <functional>

#include "tagmodel/audio_file_info.h"

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class ISkinLabel;
class RowModel;

// Makes one skinned field label (a widget that is also an ISkinLabel) as a child of parent.
using SkinLabelFactory = std::function<QWidget*(QWidget* parent)>;

// The tag editor "ID3 Edit": edits a working copy (EditTags, its own) of the tag records of the
// main list's rows; Ok commits the copy and shows the new titles in the list, Cancel drops it,
// Reset starts again from the rows. Shown modally from the main window; window thread only.
class Tfm_id3 : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 419;
    static constexpr int kClientHeight = 269;

    Tfm_id3(RowModel& rows, const SkinLabelFactory& makeLabel, QWidget* parent);

    // The working copy: taken from the rows when the dialog is shown and on Reset.
    const QList<AudioFileinfo>& EditTags() const { return editTags_; }

    QTreeWidget* lv_id3() const { return lv_id3_; }
    QLineEdit* edt_tatal() const { return edt_tatal_; }
    QLineEdit* edt_art() const { return edt_art_; }
    QLineEdit* edt_alb() const { return edt_alb_; }
    QLineEdit* edt_year() const { return edt_year_; }
    QComboBox* edt_genre() const { return edt_genre_; }
    QPlainTextEdit* edt_com() const { return edt_com_; }
    // Button1..Button6 ("All" beside title, artist, album, year, genre, comment).
    QPushButton* AllButton(int field) const { return allButtons_[field]; }
    QPushButton* Button7() const { return button7_; }
    QPushButton* btn_ok() const { return btn_ok_; }
    QPushButton* btn_cancel() const { return btn_cancel_; }

    // Closing by any way (Ok, Cancel, Escape, the close box) ends here.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum Field { Title, Artist, Album, Year, Genre, Comment, FieldCount };

    void BuildControls(const SkinLabelFactory& makeLabel);
    void CentreOnParent();
    void FitCaptions();

    void FormShow();
    void lv_id3Click();
    void AllClick(Field field);
    void Button7Click();
    void btn_okClick();
    void FormCloseQuery();

    void FillRows();
    void LoadBoxes(const AudioFileinfo& record, const QString& title);
    void SetBoxText(Field field, const QString& text);
    QString BoxText(Field field) const;
    void Store(Field field);  // write-through into EditTags at the selected row
    int SelectedRow() const;

    RowModel& rows_;
    QList<AudioFileinfo> editTags_;

    QTreeWidget* lv_id3_ = nullptr;
    QLineEdit* edt_tatal_ = nullptr;
    QLineEdit* edt_art_ = nullptr;
    QLineEdit* edt_alb_ = nullptr;
    QLineEdit* edt_year_ = nullptr;
    QComboBox* edt_genre_ = nullptr;
    QPlainTextEdit* edt_com_ = nullptr;
    QPushButton* allButtons_[FieldCount] = {};
    QPushButton* button7_ = nullptr;
    QPushButton* btn_ok_ = nullptr;
    QPushButton* btn_cancel_ = nullptr;

    int rememberedRow_ = 0;    // the row selected when the dialog was shown
    bool rebuilding_ = false;  // rows are being rebuilt: selection changes load nothing
};
