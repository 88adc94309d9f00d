#include "tags/tag_editor_dialog.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "components/skin.h"
#include "filelist/row_model.h"
#include "tags/genre_names.h"

namespace {

// Layout of the client area: the file list on the left, label / box / "All" rows on the right.
constexpr int kListLeft = 8;
constexpr int kListWidth = 150;
constexpr int kLabelLeft = 166;
constexpr int kLabelWidth = 68;
constexpr int kBoxLeft = 236;
constexpr int kBoxWidth = 130;
constexpr int kAllLeft = 372;
constexpr int kAllWidth = 39;
constexpr int kRowTop = 8;
constexpr int kRowStep = 30;
constexpr int kRowHeight = 24;
constexpr int kCommentHeight = 64;
constexpr int kButtonTop = 235;
constexpr int kButtonHeight = 26;

QString S(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

Tfm_id3::Tfm_id3(RowModel& rows, const SkinLabelFactory& makeLabel, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      rows_(rows) {
    setObjectName(S("fm_id3"));
    setWindowTitle(tr("ID3 Edit"));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);
    BuildControls(makeLabel);
}

void Tfm_id3::BuildControls(const SkinLabelFactory& makeLabel) {
    lv_id3_ = new QTreeWidget(this);
    lv_id3_->setObjectName(S("lv_id3"));
    lv_id3_->setGeometry(kListLeft, kRowTop, kListWidth, kClientHeight - 2 * kRowTop);
    lv_id3_->setColumnCount(1);
    lv_id3_->setHeaderLabels({tr("File Name")});
    lv_id3_->setColumnWidth(0, 128);
    lv_id3_->setRootIsDecorated(false);
    lv_id3_->setItemsExpandable(false);
    lv_id3_->setUniformRowHeights(true);
    lv_id3_->setSelectionMode(QAbstractItemView::SingleSelection);
    lv_id3_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lv_id3_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lv_id3_->header()->setSectionsClickable(false);
    lv_id3_->header()->setSectionsMovable(false);
    lv_id3_->viewport()->installEventFilter(this);
    connect(lv_id3_, &QTreeWidget::itemClicked, this, [this] { lv_id3Click(); });
    // The boxes follow the selection also when it moves by keyboard, so an edit never lands on
    // a row other than the one shown.
    connect(lv_id3_, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (!rebuilding_ && SelectedRow() >= 0) {
            lv_id3Click();
        }
    });

    const char* labels[FieldCount] = {QT_TR_NOOP("Title:"),  QT_TR_NOOP("Artist: "),
                                      QT_TR_NOOP("Album: "), QT_TR_NOOP("Year: "),
                                      QT_TR_NOOP("Genre:"),  QT_TR_NOOP("Comment: ")};
    const char* labelNames[FieldCount] = {"Label1", "Label2", "Label3",
                                          "Label4", "Label5", "Label6"};
    for (int f = 0; f < FieldCount; ++f) {
        const int top = kRowTop + f * kRowStep;
        QWidget* label = makeLabel(this);
        label->setObjectName(S(labelNames[f]));
        label->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
        if (auto* skinLabel = dynamic_cast<ISkinLabel*>(label)) {
            skinLabel->SetCaption(tr(labels[f]));
        }
        label->setToolTip(QString());

        auto* all = new QPushButton(tr("All"), this);
        all->setObjectName(QStringLiteral("Button") + QString::number(f + 1));
        all->setGeometry(kAllLeft, top, kAllWidth, kRowHeight);
        all->setStyleSheet(S("QPushButton { min-width: 0; padding: 0; }"));
        all->setAutoDefault(false);
        all->setToolTip(tr("Use this value for every file in the list"));
        connect(all, &QPushButton::clicked, this, [this, f] { AllClick(static_cast<Field>(f)); });
        allButtons_[f] = all;
    }

    auto lineEdit = [this](const char* name, Field field) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(S(name));
        edit->setGeometry(kBoxLeft, kRowTop + field * kRowStep, kBoxWidth, kRowHeight);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, field] { Store(field); });
        return edit;
    };
    edt_tatal_ = lineEdit("edt_tatal", Title);
    edt_art_ = lineEdit("edt_art", Artist);
    edt_alb_ = lineEdit("edt_alb", Album);
    edt_year_ = lineEdit("edt_year", Year);

    edt_genre_ = new QComboBox(this);
    edt_genre_->setObjectName(S("edt_genre"));
    edt_genre_->setEditable(true);
    // Free text: typing neither completes to a listed name nor adds to the list.
    edt_genre_->setCompleter(nullptr);
    edt_genre_->setInsertPolicy(QComboBox::NoInsert);
    edt_genre_->setMaxVisibleItems(16);
    edt_genre_->setGeometry(kBoxLeft, kRowTop + Genre * kRowStep, kBoxWidth, kRowHeight);
    connect(edt_genre_, &QComboBox::editTextChanged, this, [this] { Store(Genre); });

    edt_com_ = new QPlainTextEdit(this);
    edt_com_->setObjectName(S("edt_com"));
    edt_com_->setGeometry(kBoxLeft, kRowTop + Comment * kRowStep, kBoxWidth, kCommentHeight);
    edt_com_->setTabChangesFocus(true);
    edt_com_->installEventFilter(this);
    connect(edt_com_, &QPlainTextEdit::textChanged, this, [this] { Store(Comment); });

    auto button = [this](const char* caption, const char* name, int left, const char* tip) {
        auto* b = new QPushButton(tr(caption), this);
        b->setObjectName(S(name));
        b->setGeometry(left, kButtonTop, 70, kButtonHeight);
        b->setStyleSheet(S("QPushButton { min-width: 0; padding: 0; }"));
        b->setAutoDefault(false);
        b->setToolTip(tr(tip));
        return b;
    };
    button7_ = button(QT_TR_NOOP("Reset"), "Button7", kLabelLeft,
                      QT_TR_NOOP("Start again from the saved tags"));
    btn_ok_ = button(QT_TR_NOOP("Ok"), "btn_ok", kClientWidth - 8 - 70 - 6 - 70,
                     QT_TR_NOOP("Keep the changes"));
    btn_cancel_ = button(QT_TR_NOOP("Cancel"), "btn_cancel", kClientWidth - 8 - 70,
                         QT_TR_NOOP("Drop the changes"));
    connect(button7_, &QPushButton::clicked, this, &Tfm_id3::Button7Click);
    connect(btn_ok_, &QPushButton::clicked, this, &Tfm_id3::btn_okClick);
    connect(btn_cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void Tfm_id3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FitCaptions();
        CentreOnParent();
        FormShow();
    }
}

// A caption wider than its column (a translation, in the skin's font, known once the dialog is
// shown) takes the room it needs from the file list beside it; the Reset button grows into the
// gap before Ok. What fits keeps the layout as designed.
void Tfm_id3::FitCaptions() {
    QList<QWidget*> labels;
    int widest = kLabelWidth;
    for (int f = 0; f < FieldCount; ++f) {
        if (auto* label = findChild<QWidget*>(QStringLiteral("Label%1").arg(f + 1))) {
            label->ensurePolished();
            widest = std::max(widest, label->sizeHint().width());
            labels << label;
        }
    }
    // A grown column keeps a pixel either side: a text exactly as wide as its label is cut.
    const int extra = widest > kLabelWidth ? std::min(widest + 2 - kLabelWidth, kListWidth / 3) : 0;
    lv_id3_->resize(kListWidth - extra, lv_id3_->height());
    for (QWidget* label : labels) {
        label->setGeometry(kLabelLeft - extra, label->y(), kLabelWidth + extra, kRowHeight);
    }
    button7_->ensurePolished();
    const int left = kLabelLeft - extra;
    const int room = btn_ok_->x() - 6 - left;
    const int needed = button7_->fontMetrics().horizontalAdvance(button7_->text()) + 12;
    button7_->setGeometry(left, kButtonTop, std::clamp(needed, 70, std::max(70, room)),
                          kButtonHeight);
}

void Tfm_id3::CentreOnParent() {
    if (const QWidget* owner = parentWidget()) {
        const QRect frame = frameGeometry();
        const QPoint centre = owner->frameGeometry().center();
        move(centre - QPoint(frame.width() / 2, frame.height() / 2) + (pos() - frame.topLeft()));
    }
}

void Tfm_id3::FormShow() {
    // The list holds each genre once however often the dialog is shown; the box keeps its text.
    const QString genre = edt_genre_->currentText();
    {
        const QSignalBlocker blocker(edt_genre_);
        edt_genre_->clear();
        edt_genre_->addItems(GenreNames());
        edt_genre_->setCurrentIndex(-1);
        edt_genre_->setEditText(genre);
    }
    if (rows_.Count() == 0) {
        return;
    }
    FillRows();
    rememberedRow_ = 0;
    editTags_ = rows_.All();
    const int row = SelectedRow();
    LoadBoxes(rows_.Value(row), lv_id3_->topLevelItem(row)->text(0));
}

void Tfm_id3::FillRows() {
    rebuilding_ = true;
    lv_id3_->clear();
    for (int i = 0; i < rows_.Count(); ++i) {
        auto* item = new QTreeWidgetItem(lv_id3_);
        item->setText(0, rows_.Row(i).caption);
    }
    lv_id3_->setCurrentItem(lv_id3_->topLevelItem(0));
    lv_id3_->topLevelItem(0)->setSelected(true);
    rebuilding_ = false;
}

void Tfm_id3::lv_id3Click() {
    if (lv_id3_->topLevelItemCount() == 0) {
        return;
    }
    if (SelectedRow() < 0) {
        rebuilding_ = true;
        QTreeWidgetItem* item =
            lv_id3_->topLevelItem(std::min(rememberedRow_, lv_id3_->topLevelItemCount() - 1));
        lv_id3_->setCurrentItem(item);
        item->setSelected(true);
        rebuilding_ = false;
    }
    const int row = SelectedRow();
    if (row < editTags_.size()) {
        const AudioFileinfo record = editTags_[row];
        LoadBoxes(record, record.Title);
    } else {
        for (int f = 0; f < FieldCount; ++f) {
            SetBoxText(static_cast<Field>(f), QString());
        }
    }
}

void Tfm_id3::LoadBoxes(const AudioFileinfo& record, const QString& title) {
    // Each box writes itself through as it changes, so load from a copy of the record.
    const AudioFileinfo r = record;
    SetBoxText(Artist, r.Artist);
    SetBoxText(Album, r.Album);
    SetBoxText(Title, title);
    SetBoxText(Comment, r.Comment);
    SetBoxText(Genre, r.Genre);
    SetBoxText(Year, r.Year);
}

void Tfm_id3::SetBoxText(Field field, const QString& text) {
    switch (field) {
        case Title:
            edt_tatal_->setText(text);
            break;
        case Artist:
            edt_art_->setText(text);
            break;
        case Album:
            edt_alb_->setText(text);
            break;
        case Year:
            edt_year_->setText(text);
            break;
        case Genre:
            if (edt_genre_->currentText() != text) {
                edt_genre_->setEditText(text);
            }
            break;
        case Comment:
            // Setting the text a box already shows is no change.
            if (edt_com_->toPlainText() != text) {
                edt_com_->setPlainText(text);
            }
            break;
        case FieldCount:
            break;
    }
}

QString Tfm_id3::BoxText(Field field) const {
    switch (field) {
        case Title:
            return edt_tatal_->text();
        case Artist:
            return edt_art_->text();
        case Album:
            return edt_alb_->text();
        case Year:
            return edt_year_->text();
        case Genre:
            return edt_genre_->currentText();
        case Comment:
            return edt_com_->toPlainText();
        case FieldCount:
            break;
    }
    return {};
}

namespace {

QString& FieldOf(AudioFileinfo& record, int field) {
    switch (field) {
        case 0:
            return record.Title;
        case 1:
            return record.Artist;
        case 2:
            return record.Album;
        case 3:
            return record.Year;
        case 4:
            return record.Genre;
        default:
            return record.Comment;
    }
}

}  // namespace

void Tfm_id3::Store(Field field) {
    const int row = SelectedRow();
    if (row < 0 || row >= editTags_.size()) {
        return;  // no row, or a row without a record: nothing to store into
    }
    FieldOf(editTags_[row], field) = BoxText(field);
}

int Tfm_id3::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = lv_id3_->selectedItems();
    return selected.isEmpty() ? -1 : lv_id3_->indexOfTopLevelItem(selected.first());
}

bool Tfm_id3::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == edt_tatal_) {
            Store(Title);
            if (QTreeWidgetItem* item = lv_id3_->topLevelItem(SelectedRow())) {
                item->setText(0, edt_tatal_->text());
            }
        } else if (watched == edt_art_) {
            Store(Artist);
        } else if (watched == edt_alb_) {
            Store(Album);
        } else if (watched == edt_year_) {
            Store(Year);
        } else if (watched == edt_com_) {
            Store(Comment);
        }
    } else if (watched == lv_id3_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // A click on an empty area of the list reselects the remembered row and reloads it.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!lv_id3_->itemAt(mouse->position().toPoint())) {
            // After the view has handled the click, which may clear the selection.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    lv_id3_->clearSelection();
                    lv_id3Click();
                },
                Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tfm_id3::AllClick(Field field) {
    const QString text = BoxText(field);
    for (int i = 0; i < lv_id3_->topLevelItemCount() && i < editTags_.size(); ++i) {
        FieldOf(editTags_[i], field) = text;
    }
}

void Tfm_id3::Button7Click() {
    rebuilding_ = true;
    lv_id3_->clear();
    rebuilding_ = false;
    if (rows_.Count() == 0) {
        return;
    }
    FillRows();
    editTags_ = rows_.All();
    const int row = SelectedRow();
    LoadBoxes(rows_.Value(row), lv_id3_->topLevelItem(row)->text(0));
}

void Tfm_id3::btn_okClick() {
    if (lv_id3_->topLevelItemCount() > 0) {
        rows_.SetAll(editTags_);
        for (int i = 0; i < lv_id3_->topLevelItemCount() && i < rows_.Count(); ++i) {
            const QString title = rows_.At(i).Title;
            if (!title.isEmpty()) {
                rows_.SetCaption(i, title);
            }
        }
    }
    accept();
}

void Tfm_id3::done(int result) {
    FormCloseQuery();
    QDialog::done(result);
}

void Tfm_id3::FormCloseQuery() {
    rebuilding_ = true;
    lv_id3_->clear();
    rebuilding_ = false;
}
