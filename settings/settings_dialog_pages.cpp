// The eight pages of the settings dialog: their controls, captions, lists, ranges and design
// values. The pages lie on top of each other in the 244 × 235 page area.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

#include "settings/app_settings.h"
#include "settings/loudness_options.h"
#include "settings/settings_dialog.h"

namespace {

constexpr int kPageWidth = 244;
constexpr int kPageHeight = 235;
constexpr int kRow = 24;  // height of a list, a spin box or a check box

QStringList Items(std::initializer_list<const char*> texts) {
    QStringList items;
    for (const char* t : texts) {
        items << QString::fromUtf8(t);
    }
    return items;
}

QStringList SampleRates() {
    return Items({"8000 Hz", "11025 Hz", "12000 Hz", "16000 Hz", "22050 Hz", "24000 Hz", "32000 Hz",
                  "44100 Hz", "48000 Hz"});
}

QStringList Kbps(std::initializer_list<int> values) {
    QStringList items;
    for (int v : values) {
        items << QStringLiteral("%1 Kbps").arg(v);
    }
    return items;
}

template <typename W>
W* Named(W* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

QComboBox* List(QWidget* parent, const char* name, const QStringList& items, const QRect& g) {
    auto* list = Named(new QComboBox(parent), name, g);
    list->addItems(items);
    list->setMaxVisibleItems(10);
    return list;
}

QLabel* Caption(QWidget* parent, const QString& text, const QRect& g, const char* name = "") {
    auto* label = Named(new QLabel(text, parent), name, g);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& text, const QRect& g) {
    return Named(new QCheckBox(text, parent), name, g);
}

QSpinBox* Spin(QWidget* parent, const char* name, int low, int high, int value, const QRect& g) {
    auto* spin = Named(new QSpinBox(parent), name, g);
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

// The 0..9 quality boxes: the number can only be changed with the arrows.
QSpinBox* QualityBox(QWidget* parent, const char* upDownName, const char* editName,
                     const QRect& g) {
    QSpinBox* box = Spin(parent, upDownName, 0, 9, 0, g);
    auto* edit = box->findChild<QLineEdit*>();
    edit->setObjectName(QLatin1String(editName));
    edit->setReadOnly(true);
    edit->setMaxLength(1);
    return box;
}

// A page whose content of `height` scrolls vertically; returns the content to build on.
QWidget* ScrollingContent(QWidget* page, int height) {
    auto* scroll = new QScrollArea(page);
    scroll->setGeometry(0, 0, kPageWidth, kPageHeight);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // A slim bar, so the frames lose only a few pixels of their width to it.
    constexpr int kBar = 8;
    scroll->verticalScrollBar()->setFixedWidth(kBar);
    auto* content = new QWidget;
    content->resize(kPageWidth - kBar, height);
    scroll->setWidget(content);
    return content;
}

QGroupBox* Frame(QWidget* parent, const QString& title, const QRect& g, const char* name = "") {
    return Named(new QGroupBox(title, parent), name, g);
}

// Radio buttons in `columns` columns inside `box`, with the item index as id.
QButtonGroup* Radios(QGroupBox* box, const QStringList& items, int columns, int top) {
    auto* group = new QButtonGroup(box);
    box->setStyleSheet(QStringLiteral("QRadioButton { spacing: 3px; }"));
    const int width = (box->width() - 6) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], box);
        button->setGeometry(4 + (i % columns) * width, top + (i / columns) * 22, width, 20);
        group->addButton(button, i);
    }
    group->button(0)->setChecked(true);
    return group;
}

}  // namespace

QWidget* Tfm_set::NewPage(const char* name) {
    auto* page = new QWidget(pageArea_);
    page->setObjectName(QLatin1String(name));
    page->setGeometry(0, 0, kPageWidth, kPageHeight);
    page->hide();
    return page;
}

void Tfm_set::BuildGeneralPage() {
    // The page scrolls: the loudness frame goes below the frames that fill its height.
    QWidget* page = ScrollingContent(pages_[0] = NewPage("gb_cdgeneral"),
                                     kPageHeight + 6 + LoudnessOptions::kHeight);
    // Three frames share the page: the two of the settings, then the number of files at once.
    QGroupBox* nor = Frame(page, QStringLiteral("Normalize Settings"), {0, 0, kPageWidth, 56});
    cb_normalize =
        Check(nor, "cb_normalize", QStringLiteral("Enabled Normalize "), {10, 24, 140, kRow});
    cb_nor = List(nor, "cb_nor", {}, {152, 24, 60, kRow});
    Caption(nor, QStringLiteral("% "), {216, 24, 20, kRow});

    QGroupBox* fade = Frame(page, QStringLiteral("Fade Settings"), {0, 62, kPageWidth, 120});
    QStringList seconds;
    for (int s = 1; s <= 20; ++s) {
        seconds << QStringLiteral("%1s").arg(s);
    }
    cb_fadein =
        Check(fade, "cb_fadein", QStringLiteral("Enable Fade In Time Length"), {10, 22, 224, kRow});
    cb_fadeintime = List(fade, "cb_fadeintime", seconds, {30, 44, 70, kRow});
    cb_fadeout = Check(fade, "cb_fadeout", QStringLiteral("Enable Fade Out Time Length"),
                       {10, 70, 224, kRow});
    cb_fadeouttime = List(fade, "cb_fadeouttime", seconds, {30, 92, 70, kRow});
    cb_fadeintime->setCurrentIndex(5);  // design "6s"
    cb_fadeouttime->setCurrentIndex(5);

    QGroupBox* batch = Frame(page, QStringLiteral("Files at once"), {0, 188, kPageWidth, 47});
    QStringList jobs{QStringLiteral("Automatic (one per core)")};
    for (int n = 1; n <= kMostBatchJobs; ++n) {
        jobs << QString::number(n);
    }
    cb_jobs = List(batch, "cb_jobs", jobs, {10, 20, 224, kRow});
    cb_jobs->setToolTip(
        QStringLiteral("How many files a conversion or normalisation works on at the same time"));
    loudness_ = new LoudnessOptions(page);
    loudness_->move(0, kPageHeight + 6);
    for (QGroupBox* frame : page->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly)) {
        frame->resize(page->width(), frame->height());
    }
}

void Tfm_set::BuildMp3GeneralPage() {
    QWidget* page = pages_[1] = NewPage("gb_mp3general");
    const int x = 78;
    Caption(page, QStringLiteral("Frequency: "), {0, 0, x, kRow});
    cb_mp3_frequency = List(page, "cb_mp3_frequency", SampleRates(), {x, 0, 150, kRow});
    Caption(page, QStringLiteral("Channel: "), {0, 30, x, kRow});
    cb_mp3_channel =
        List(page, "cb_mp3_channel",
             Items({"Mono", "Stereo", "Joint Stereo", "Forced Joint Stereo", "Dual Channels"}),
             {x, 30, 150, kRow});
    Caption(page, QStringLiteral("Bitrate: "), {0, 60, x, kRow});
    cb_mp3_bitrate =
        List(page, "cb_mp3_bitrate",
             Kbps({8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}),
             {x, 60, 150, kRow});
    Caption(page, QStringLiteral("Quality: "), {0, 90, x, kRow});
    ud_mp3_quality = QualityBox(page, "ud_mp3_quality", "edt_mp3_quality", {x, 90, 50, kRow});

    QGroupBox* comment = Frame(page, QStringLiteral("Comment:  "), {0, 122, kPageWidth, 113});
    const char* lines[][2] = {
        {"Label11", "8000Hz or 8Kbps - poor quality, small file."},
        {"Label2", "48000Hz or 320Kbps - good quality, big file."},
        {"Label3", "Quality: 0 - best quality, low convert speed."},
        {"Label4", "Quality: 9 - low quality, fast convert speed. "},
    };
    for (int i = 0; i < 4; ++i) {
        Caption(comment, QString::fromUtf8(lines[i][1]), {8, 22 + i * 21, kPageWidth - 14, 20},
                lines[i][0]);
    }
}

void Tfm_set::BuildVbrPage() {
    QWidget* page = pages_[2] = NewPage("gb_mp3vbr");
    Caption(page, QStringLiteral("Coding Method:"), {0, 0, 100, kRow});
    cb_mp3vbrcm = List(page, "cb_mp3vbrcm", Items({"None", "Default", "Old", "New", "MTRH"}),
                       {104, 0, 130, kRow});

    QGroupBox* rate = Frame(page, QStringLiteral("VBR Bitrate/Quality: "), {0, 34, kPageWidth, 92});
    Caption(rate, QStringLiteral("VBR Bitrate: "), {10, 28, 90, kRow});
    cb_mp3_vbr = List(rate, "cb_mp3_vbr",
                      Kbps({8, 16, 24, 32, 48, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}),
                      {104, 28, 120, kRow});
    cb_mp3_vbr->setCurrentIndex(9);  // design "128 Kbps"
    Caption(rate, QStringLiteral("VBR Quality: "), {10, 58, 90, kRow});
    ud_mp3_vbr = QualityBox(rate, "ud_mp3_vbr", "edt_mp3_vbr", {104, 58, 50, kRow});

    QGroupBox* advanced = Frame(page, QStringLiteral("Advanced"), {0, 136, kPageWidth, 84});
    ck_mp3_VBR =
        Check(advanced, "ck_mp3_VBR", QStringLiteral("Write VBR Header"), {10, 26, 224, kRow});
    ck_mp3_semb = Check(advanced, "ck_mp3_semb", QStringLiteral("Strictly enforce minimum bitrate"),
                        {10, 52, 230, kRow});
}

void Tfm_set::BuildFilterPage() {
    QWidget* page = pages_[3] = NewPage("gb_filter");
    struct Side {
        const char* title;
        const char* check;
        const char* checkText;
        const char* frequency;
        int frequencyDesign;
        const char* label;
        const char* labelText;
        const char* width;
        int widthDesign;
    };
    const Side sides[2] = {
        {"HighPass Filter", "chHFilt", "Highpass filtering frequency (in Hz):", "udHFiltF", 30,
         "Label15", "Width of Highpass filter (in Hz):", "udHFiltW", 5},
        {"LowPass Filter", "chLFilt", "Lowpass filtering frequency (in Hz):", "udLFiltF", 15160,
         "Label20", "Width of Lowpass filter (in Hz):", "udLFiltW", 750},
    };
    QCheckBox* checks[2];
    QSpinBox* frequencies[2];
    QLabel* labels[2];
    QSpinBox* widths[2];
    for (int i = 0; i < 2; ++i) {
        const Side& s = sides[i];
        QGroupBox* frame = Frame(page, QString::fromUtf8(s.title), {0, i * 118, kPageWidth, 112});
        checks[i] = Check(frame, s.check, QString::fromUtf8(s.checkText), {8, 22, 232, kRow});
        frequencies[i] = Spin(frame, s.frequency, 0, 48000, s.frequencyDesign, {30, 46, 90, kRow});
        labels[i] = Caption(frame, QString::fromUtf8(s.labelText), {10, 70, 230, 18}, s.label);
        widths[i] = Spin(frame, s.width, 0, 48000, s.widthDesign, {30, 86, 90, kRow - 2});
        frequencies[i]->setEnabled(false);
        labels[i]->setEnabled(false);
        widths[i]->setEnabled(false);
    }
    chHFilt = checks[0], udHFiltF = frequencies[0], Label15 = labels[0], udHFiltW = widths[0];
    chLFilt = checks[1], udLFiltF = frequencies[1], Label20 = labels[1], udLFiltW = widths[1];
}

void Tfm_set::BuildExpertPage() {
    QWidget* page = pages_[4] = NewPage("gb_expert");
    ck_crc = Check(page, "ck_crc", QStringLiteral("include CRC -Checksums"), {4, 0, 236, 22});
    // FitCaptions makes the box just narrow enough to leave the last word to the label below.
    ck_comply =
        Check(page, "ck_comply", QStringLiteral("comply as much as possible to ISO MPEG spec"),
              {4, 22, 236, 22});
    spec = Caption(page, QStringLiteral("spec"), {24, 42, 60, 16}, "spec");
    // The same two-line layout, so the caption stays at a readable size.
    ck_allow =
        Check(page, "ck_allow", QStringLiteral("allow block types to differ between channels"),
              {4, 60, 236, 22});
    allowTail_ = Caption(page, QStringLiteral("channels"), {24, 80, 80, 16});
    ck_short = Check(page, "ck_short", QStringLiteral("short blocks"), {4, 98, 236, 22});
    ck_bit = Check(page, "ck_bit", QStringLiteral("bit reservoir"), {4, 120, 236, 22});
    Caption(page, QStringLiteral("ATH Control:"), {4, 150, 94, kRow});
    cb_ath = List(page, "cb_ath", Items({"default", "only", "disabled", "only for short blocks"}),
                  {100, 150, 142, kRow});
    Caption(page, QStringLiteral("De-emphasis :"), {4, 180, 94, kRow});
    cb_de = List(page, "cb_de", Items({"default", "0/15 microseconds", "citt j.17"}),
                 {100, 180, 142, kRow});
}

void Tfm_set::BuildPresetsPage() {
    QWidget* page = pages_[5] = NewPage("gb_presets");
    // Each check box sits in the top edge of its group, but is not part of it: the group can be
    // disabled while its box stays usable.
    rg_prest = Frame(page, QString(), {0, 4, kPageWidth, 96}, "rg_prest");
    rg_prestButtons_ = Radios(rg_prest,
                              Items({"Phone", "SW", "AM", "FM", "Voice", "Radio", "Tape", "HiFi",
                                     "CD", "Studio", "R3Mix"}),
                              4, 26);
    rg_prest->setEnabled(false);
    ck_preset = Check(page, "ck_preset", QStringLiteral("Preset"), {10, 8, 80, 20});

    rg_alt = Frame(page, QString(), {0, 114, kPageWidth, 96}, "rg_alt");
    rg_altButtons_ = Radios(
        rg_alt, Items({"Fast Standard", "Standard", "Fast Extreme", "Extreme", "Insane"}), 2, 26);
    rg_alt->setEnabled(false);
    ck_alt = Check(page, "ck_alt", QStringLiteral("Alt-Preset"), {10, 118, 100, 20});
    for (QCheckBox* box : {ck_preset, ck_alt}) {
        box->setAutoFillBackground(true);
        box->resize(box->sizeHint().width() + 6, 20);
        box->raise();
    }
}

void Tfm_set::BuildCommandPage() {
    QWidget* page = pages_[6] = NewPage("gb_command");
    txtCommLine = Named(new QPlainTextEdit(page), "txtCommLine", page->rect());
}

void Tfm_set::BuildWavPage() {
    QWidget* page = pages_[7] = NewPage("gb_wav");
    rb_cdmode = Frame(page, QStringLiteral("Mode:"), {0, 0, kPageWidth, 98}, "rb_cdmode");
    rb_cdmodeButtons_ = Radios(
        rb_cdmode,
        Items({"CD quality WAV format.", "Best good quality WAV format.", "Custom WAV format."}), 1,
        24);
    QGroupBox* general = Frame(page, QStringLiteral("General Options:"), {0, 108, kPageWidth, 118});
    Caption(general, QStringLiteral("Frequency:"), {10, 24, 100, kRow});
    cb_wav_frequency = List(general, "cb_wav_frequency", SampleRates(), {112, 24, 120, kRow});
    Caption(general, QStringLiteral("Bit Per Sample"), {10, 54, 100, kRow});
    cb_wav_bit = List(general, "cb_wav_bit", Items({"8 bps", "16 bps"}), {112, 54, 120, kRow});
    Caption(general, QStringLiteral("Channel"), {10, 84, 100, kRow});
    cb_wav_channel =
        List(general, "cb_wav_channel", Items({"Mono", "Stereo"}), {112, 84, 120, kRow});
}
