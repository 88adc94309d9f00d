#include "settings/settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <algorithm>

#include "settings/app_settings.h"
#include "settings/output_names_options.h"
#include "settings/settings_file.h"

namespace {

struct PageInfo {
    const char* heading;
    int page;  // index into the eight pages
};

// The ten tree nodes by absolute index: "MP3" and its first child show the same page.
constexpr PageInfo kNodes[10] = {
    {"Set General", 0},      {"Set MP3 General", 1},      {"Set MP3 General", 1},
    {"Set MP3 VBR", 2},      {"Set MP3 Filter", 3},       {"Set MP3 Expert", 4},
    {"Set MP3 Presets", 5},  {"Set MP3 Command Line", 6}, {"Set WAV Format", 7},
    {"Set Output Names", 8},
};

// A list shows the stored item, or nothing when the index is not one of its items.
void SelectItem(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

// A radio group brings a stored index into range.
void SelectRadio(QButtonGroup* group, int index) {
    const int last = static_cast<int>(group->buttons().size()) - 1;
    group->button(std::clamp(index, 0, last))->setChecked(true);
}

// The smallest size a caption is shrunk to so that it fits its control.
constexpr double kSmallestPointSize = 6.5;

// Gives a control the dialog's font, a little smaller when its caption would not fit: captions
// must be readable whole in whatever font the skin chose.
void FitCaption(QWidget* control, const QFont& base, int extra = 0) {
    // Hidden pages are not polished yet; the skin's style sheet must be in the measure.
    control->ensurePolished();
    QFont f = base;
    control->setFont(f);
    while (control->sizeHint().width() - extra > control->width() &&
           f.pointSizeF() - 0.5 >= kSmallestPointSize) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        control->setFont(f);
    }
}

// Shrinks a check box's font (never below the smallest size) until its caption, without its last
// word, fits the page, and cuts the box there; tail shows that word at the same size.
void FitWithTail(QCheckBox* box, QLabel* tail, const QFont& base) {
    const QString caption = box->text();
    const QString last = caption.mid(caption.lastIndexOf(u' '));
    const int available = box->parentWidget()->width() - box->x();
    box->ensurePolished();
    box->resize(available, box->height());
    QFont f = base;
    box->setFont(f);
    while (box->sizeHint().width() - QFontMetrics(f).horizontalAdvance(last) > available &&
           f.pointSizeF() - 0.5 >= kSmallestPointSize) {
        f.setPointSizeF(f.pointSizeF() - 0.5);
        box->setFont(f);
    }
    box->resize(box->sizeHint().width() - QFontMetrics(f).horizontalAdvance(last), box->height());
    tail->setFont(f);
}

int AbsoluteIndex(QTreeWidgetItem* wanted, QTreeWidget* tree) {
    int index = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it, ++index) {
        if (*it == wanted) {
            return index;
        }
    }
    return -1;
}

}  // namespace

Tfm_set::Tfm_set(AppSettings& appSettings, const std::unique_ptr<SettingsFile>& settingsFile,
                 QWidget* parent)
    : QDialog(parent), appSettings_(appSettings), settingsFile_(settingsFile) {
    setObjectName(QStringLiteral("fm_set"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    reportError_ = [](QWidget* owner, const QString& text) {
        QMessageBox::critical(owner, QStringLiteral("Quorvel"), text);
    };
    BuildControls();
}

QString Tfm_set::CommandLineText() const {
    return txtCommLine->toPlainText();
}

void Tfm_set::SetErrorReport(std::function<void(QWidget*, const QString&)> report) {
    reportError_ = std::move(report);
}

void Tfm_set::BuildControls() {
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setGeometry(6, 8, 117, 257);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(10);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    new QTreeWidgetItem(TreeView1, {QStringLiteral("General")});
    auto* mp3 = new QTreeWidgetItem(TreeView1, {QStringLiteral("MP3")});
    for (const char* child : {"General", "VBR", "Filtering", "Expert", "Presets", "Command Line"}) {
        new QTreeWidgetItem(mp3, {QString::fromUtf8(child)});
    }
    new QTreeWidgetItem(TreeView1, {QStringLiteral("WAV")});
    new QTreeWidgetItem(TreeView1, {QStringLiteral("Names")});
    mp3->setExpanded(false);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });

    lab = new QLabel(this);
    lab->setObjectName(QStringLiteral("lab"));
    lab->setGeometry(130, 6, 244, 20);

    pageArea_ = new QWidget(this);
    pageArea_->setGeometry(130, 30, 244, 235);
    BuildGeneralPage();
    BuildMp3GeneralPage();
    BuildVbrPage();
    BuildFilterPage();
    BuildExpertPage();
    BuildPresetsPage();
    BuildCommandPage();
    BuildWavPage();
    pages_[8] = names_ = new OutputNamesOptions(pageArea_);
    names_->hide();
    FitCaptions();

    const std::pair<QPushButton**, const char*> buttons[] = {
        {&Ok, "Ok"}, {&Button2, "Default"}, {&Cancel, "Cancel"}};
    int x = 140;
    for (const auto& [button, caption] : buttons) {
        *button = new QPushButton(QString::fromUtf8(caption), this);
        // The skin's minimum button width would not leave the three buttons their 75 pixels.
        (*button)->setStyleSheet(QStringLiteral("min-width: 0px; padding: 0px;"));
        (*button)->setGeometry(x, 279, 75, 25);
        (*button)->setAutoDefault(false);
        (*button)->setDefault(false);
        x += 80;
    }
    Ok->setToolTip(QStringLiteral("Store every value and close"));
    Button2->setToolTip(
        QStringLiteral("Put the factory values into the controls; nothing is stored"));
    Cancel->setToolTip(QStringLiteral("Close without storing anything"));
    Ok->setObjectName(QStringLiteral("Ok"));
    Button2->setObjectName(QStringLiteral("Button2"));
    Cancel->setObjectName(QStringLiteral("Cancel"));
    connect(Ok, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });

    // Check boxes and radio groups run their rule on every change of state, whoever made it; a
    // drop-down list only when the user picks an item.
    connect(cb_mp3vbrcm, &QComboBox::activated, this, [this] { VbrRule(); });
    connect(chHFilt, &QCheckBox::toggled, this, [this] { HighpassRule(); });
    connect(chLFilt, &QCheckBox::toggled, this, [this] { LowpassRule(); });
    connect(ck_preset, &QCheckBox::toggled, this, [this] { PresetRule(); });
    connect(ck_alt, &QCheckBox::toggled, this, [this] { AltRule(); });
    connect(rb_cdmodeButtons_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) {
            WavRule();
        }
    });
    WavRule();
    VbrRule();
}

void Tfm_set::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

// None of the buttons answers Enter or Escape.
void Tfm_set::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Enter:
        case Qt::Key_Return:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void Tfm_set::FitCaptions() {
    const QFont base = font();
    QFont heading = base;
    heading.setBold(true);
    heading.setPointSizeF(base.pointSizeF() + 1);
    lab->setFont(heading);
    for (QWidget* control : pageArea_->findChildren<QWidget*>()) {
        if (control == ck_comply || control == spec || control == ck_allow ||
            control == allowTail_) {
            continue;
        }
        if (qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control) ||
            qobject_cast<QLabel*>(control)) {
            FitCaption(control, base);
        }
    }
    // The items of one radio group share one size, the smallest any of them needed.
    for (const QButtonGroup* group : {rg_prestButtons_, rg_altButtons_, rb_cdmodeButtons_}) {
        QFont common = base;
        for (const QAbstractButton* button : group->buttons()) {
            if (button->font().pointSizeF() < common.pointSizeF()) {
                common = button->font();
            }
        }
        for (QAbstractButton* button : group->buttons()) {
            button->setFont(common);
        }
    }
    // These boxes are narrower than their captions on purpose: each shows its caption up to the
    // last word, and the label below carries that word.
    FitWithTail(ck_comply, spec, base);
    FitWithTail(ck_allow, allowTail_, base);
}

void Tfm_set::FormShow() {
    FitCaptions();
    if (QWidget* owner = parentWidget()) {
        const QWidget* main = owner->window();
        if (!shownBefore_) {
            const QRect frame = main->frameGeometry();
            move(frame.center() -
                 QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
        } else {
            move(main->frameGeometry().topLeft());
        }
    }
    if (!shownBefore_) {
        for (int i = 1; i <= 100; ++i) {
            cb_nor->addItem(QString::number(i));
        }
        shownBefore_ = true;
    }
    cb_fadein->setChecked(appSettings_.FadeIn);
    cb_fadeout->setChecked(appSettings_.FadeOut);
    SelectItem(cb_fadeintime, appSettings_.FadeInTime - 1);
    SelectItem(cb_fadeouttime, appSettings_.FadeOutTime - 1);
    SelectItem(cb_nor, appSettings_.NormalizeVolume - 1);
    // A stored count outside the list shows what a batch will use: the nearer end.
    cb_jobs->setCurrentIndex(
        appSettings_.BatchJobs == 0 ? 0 : std::clamp(appSettings_.BatchJobs, 1, kMostBatchJobs));

    // Before the main window's first showing there is no settings file: the missing-key values.
    LoadValues(settingsFile_ ? ReadSettingsDialogValues(*settingsFile_) : SettingsDialogValues());
    names_->Load(settingsFile_ ? ReadOutputNaming(*settingsFile_) : OutputNaming{});

    if (TreeView1->currentItem() == nullptr) {
        TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
    }
    ShowPage(AbsoluteIndex(TreeView1->currentItem(), TreeView1));
}

void Tfm_set::LoadValues(const SettingsDialogValues& v) {
    cb_normalize->setChecked(v.normalizeEnabled);

    SelectItem(cb_mp3_bitrate, v.mp3Bitrate);
    SelectItem(cb_mp3_channel, v.mp3Channel);
    SelectItem(cb_mp3_frequency, v.mp3Frequency);
    ud_mp3_quality->setValue(v.mp3Quality);  // brought into 0..9

    SelectItem(cb_mp3vbrcm, v.codingMethod);
    SelectItem(cb_mp3_vbr, v.vbrBitrate);
    ud_mp3_vbr->setValue(v.vbrQuality);
    ck_mp3_VBR->setChecked(v.vbrHeader);
    ck_mp3_semb->setChecked(v.enforceMinBitrate);
    VbrRule();

    chHFilt->setChecked(v.highpass);
    chLFilt->setChecked(v.lowpass);
    udHFiltF->setValue(v.highpassFrequency);  // brought into 0..48000
    udHFiltW->setValue(v.highpassWidth);
    udLFiltF->setValue(v.lowpassFrequency);
    udLFiltW->setValue(v.lowpassWidth);

    ck_bit->setChecked(v.bitReservoir);
    ck_short->setChecked(v.shortBlocks);
    ck_allow->setChecked(v.allowDiffBlockTypes);
    ck_comply->setChecked(v.strictIso);
    ck_crc->setChecked(v.crc);
    SelectItem(cb_ath, v.ath);
    SelectItem(cb_de, v.deemphasis);

    ck_preset->setChecked(v.preset);
    ck_alt->setChecked(v.altPreset);
    SelectRadio(rg_prestButtons_, v.presetIndex);
    SelectRadio(rg_altButtons_, v.altPresetIndex);

    SelectRadio(rb_cdmodeButtons_, v.wavMode);
    SelectItem(cb_wav_frequency, v.wavFrequency);
    SelectItem(cb_wav_bit, v.wavBit);
    SelectItem(cb_wav_channel, v.wavChannel);
    WavRule();
}

SettingsDialogValues Tfm_set::ControlValues() const {
    SettingsDialogValues v;
    v.normalizeEnabled = cb_normalize->isChecked();
    v.mp3Bitrate = cb_mp3_bitrate->currentIndex();
    v.mp3Channel = cb_mp3_channel->currentIndex();
    v.mp3Frequency = cb_mp3_frequency->currentIndex();
    v.mp3Quality = ud_mp3_quality->value();
    v.codingMethod = cb_mp3vbrcm->currentIndex();
    v.vbrBitrate = cb_mp3_vbr->currentIndex();
    v.vbrQuality = ud_mp3_vbr->value();
    v.vbrHeader = ck_mp3_VBR->isChecked();
    v.enforceMinBitrate = ck_mp3_semb->isChecked();
    v.highpass = chHFilt->isChecked();
    v.lowpass = chLFilt->isChecked();
    v.highpassFrequency = udHFiltF->value();
    v.highpassWidth = udHFiltW->value();
    v.lowpassFrequency = udLFiltF->value();
    v.lowpassWidth = udLFiltW->value();
    v.bitReservoir = ck_bit->isChecked();
    v.shortBlocks = ck_short->isChecked();
    v.allowDiffBlockTypes = ck_allow->isChecked();
    v.strictIso = ck_comply->isChecked();
    v.crc = ck_crc->isChecked();
    v.ath = cb_ath->currentIndex();
    v.deemphasis = cb_de->currentIndex();
    v.preset = ck_preset->isChecked();
    v.altPreset = ck_alt->isChecked();
    v.presetIndex = rg_prestButtons_->checkedId();
    v.altPresetIndex = rg_altButtons_->checkedId();
    v.wavMode = rb_cdmodeButtons_->checkedId();
    v.wavBit = cb_wav_bit->currentIndex();
    v.wavChannel = cb_wav_channel->currentIndex();
    v.wavFrequency = cb_wav_frequency->currentIndex();
    return v;
}

void Tfm_set::TreeView1Click() {
    ShowPage(AbsoluteIndex(TreeView1->currentItem(), TreeView1));
}

void Tfm_set::ShowPage(int index) {
    if (index < 0 || index > 9) {
        return;
    }
    lab->setText(QString::fromUtf8(kNodes[index].heading));
    for (int page = 0; page < 9; ++page) {
        pages_[page]->setVisible(page == kNodes[index].page);
    }
}

void Tfm_set::OkClick() {
    // A fade or normalisation list left without a selection (a stored value outside 1..20 or
    // 1..100) keeps the value in memory rather than turning it into 0 seconds or 0 percent.
    const auto number = [](const QComboBox* list, std::int32_t current) {
        return list->currentIndex() >= 0 ? list->currentIndex() + 1 : current;
    };
    appSettings_.FadeIn = cb_fadein->isChecked();
    appSettings_.FadeOut = cb_fadeout->isChecked();
    appSettings_.FadeInTime = number(cb_fadeintime, appSettings_.FadeInTime);
    appSettings_.FadeOutTime = number(cb_fadeouttime, appSettings_.FadeOutTime);
    appSettings_.NormalizeVolume = number(cb_nor, appSettings_.NormalizeVolume);
    appSettings_.BatchJobs = cb_jobs->currentIndex();
    try {
        if (!settingsFile_) {
            throw SettingsWriteError(QStringLiteral("Unable to write to Quorvel.ini"));
        }
        WriteSettingsDialogValues(*settingsFile_, ControlValues());
        WriteBatchJobs(*settingsFile_, appSettings_.BatchJobs);  // after the keys of old
        // Only a change is written: a file that never had them keeps the plain rule by default.
        if (names_->Values() != ReadOutputNaming(*settingsFile_)) {
            WriteOutputNaming(*settingsFile_, names_->Values());
        }
    } catch (const SettingsWriteError& e) {
        reportError_(this, e.Message());
        return;  // the dialog stays open
    }
    accept();
}

void Tfm_set::Button2Click() {
    cb_normalize->setChecked(false);
    cb_fadein->setChecked(false);
    cb_fadeout->setChecked(false);
    cb_fadeintime->setCurrentIndex(5);
    cb_fadeouttime->setCurrentIndex(5);
    SelectItem(cb_nor, 97);
    cb_jobs->setCurrentIndex(0);
    LoadValues(FactorySettingsDialogValues());
    names_->Load(OutputNaming{});
}

void Tfm_set::CancelClick() {
    reject();
}

void Tfm_set::VbrRule() {
    const bool on = cb_mp3vbrcm->currentIndex() != 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{cb_mp3_vbr, ud_mp3_vbr, ck_mp3_VBR, ck_mp3_semb}) {
        w->setEnabled(on);
    }
}

void Tfm_set::HighpassRule() {
    const bool on = chHFilt->isChecked();
    udHFiltF->setEnabled(on);
    udHFiltW->setEnabled(on);
    Label15->setEnabled(on);
}

void Tfm_set::LowpassRule() {
    const bool on = chLFilt->isChecked();
    udLFiltF->setEnabled(on);
    udLFiltW->setEnabled(on);
    Label20->setEnabled(on);
}

void Tfm_set::WavRule() {
    const bool custom = rb_cdmodeButtons_->checkedId() == 2;
    cb_wav_frequency->setEnabled(custom);
    cb_wav_bit->setEnabled(custom);
    cb_wav_channel->setEnabled(custom);
}

void Tfm_set::PresetRule() {
    rg_prest->setEnabled(ck_preset->isChecked());
    rg_alt->setEnabled(ck_alt->isChecked() && !ck_preset->isChecked());
    ck_alt->setEnabled(!ck_preset->isChecked());
}

void Tfm_set::AltRule() {
    rg_alt->setEnabled(ck_alt->isChecked());
    rg_prest->setEnabled(ck_preset->isChecked() && !ck_alt->isChecked());
    ck_preset->setEnabled(!ck_alt->isChecked());
}
