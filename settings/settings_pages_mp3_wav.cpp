// The MP3 pages (General, VBR, Filtering, Expert, Presets, Command Line) and the WAV page, with
// their controls, captions, lists, ranges and design values.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <algorithm>

#include "settings/settings_pages.h"

using namespace page;

ValuesPage::ValuesPage(const char* objectName, SettingsDialogKeys keys, QWidget* parent)
    : SettingsPage(objectName, parent), keys_(keys) {}

void ValuesPage::Load(const SettingsFile* file) {
    Show(file ? ReadSettingsDialogValues(*file) : SettingsDialogValues());
}

void ValuesPage::Save(SettingsFile& file) const {
    SettingsDialogValues v;
    Collect(v);
    WriteSettingsDialogValues(file, v, keys_);
}

void ValuesPage::Defaults() {
    Show(FactorySettingsDialogValues());
}

CommandLinePage::CommandLinePage(QWidget* parent) : SettingsPage("gb_command", parent) {
    txtCommLine = new QPlainTextEdit(this);
    txtCommLine->setObjectName(QStringLiteral("txtCommLine"));
    txtCommLine->setGeometry(rect());
}

QString CommandLinePage::Text() const {
    return txtCommLine->toPlainText();
}

namespace {

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

class Mp3GeneralPage : public ValuesPage {
    Q_DECLARE_TR_FUNCTIONS(Mp3GeneralPage)

  public:
    explicit Mp3GeneralPage(QWidget* parent)
        : ValuesPage("gb_mp3general", SettingsDialogKeys::Mp3General, parent) {
        const int x = 78;
        Caption(this, tr("Frequency: "), {0, 0, x, kRow});
        cb_mp3_frequency = List(this, "cb_mp3_frequency", SampleRates(), {x, 0, 150, kRow});
        Caption(this, tr("Channel: "), {0, 30, x, kRow});
        cb_mp3_channel = List(this, "cb_mp3_channel",
                              {tr("Mono"), tr("Stereo"), tr("Joint Stereo"),
                               tr("Forced Joint Stereo"), tr("Dual Channels")},
                              {x, 30, 150, kRow});
        Caption(this, tr("Bitrate: "), {0, 60, x, kRow});
        cb_mp3_bitrate = List(this, "cb_mp3_bitrate", Mp3Bitrates(), {x, 60, 150, kRow});
        Caption(this, tr("Quality: "), {0, 90, x, kRow});
        ud_mp3_quality = QualityBox(this, "ud_mp3_quality", "edt_mp3_quality", {x, 90, 50, kRow});

        QGroupBox* comment = Frame(this, QCoreApplication::translate("SettingsPages", "Comment:  "),
                                   {0, 122, kWidth, 113});
        const char* lines[][2] = {
            {"Label11", QT_TR_NOOP("8000Hz or 8Kbps - poor quality, small file.")},
            {"Label2", QT_TR_NOOP("48000Hz or 320Kbps - good quality, big file.")},
            {"Label3", QT_TR_NOOP("Quality: 0 - best quality, low convert speed.")},
            {"Label4", QT_TR_NOOP("Quality: 9 - low quality, fast convert speed. ")},
        };
        for (int i = 0; i < 4; ++i) {
            Caption(comment, tr(lines[i][1]), {8, 22 + i * 21, kWidth - 14, 20}, lines[i][0]);
        }
    }

  protected:
    void Show(const SettingsDialogValues& v) override {
        SelectItem(cb_mp3_bitrate, v.mp3Bitrate);
        SelectItem(cb_mp3_channel, v.mp3Channel);
        SelectItem(cb_mp3_frequency, v.mp3Frequency);
        ud_mp3_quality->setValue(v.mp3Quality);  // brought into 0..9
    }
    void Collect(SettingsDialogValues& v) const override {
        v.mp3Bitrate = cb_mp3_bitrate->currentIndex();
        v.mp3Channel = cb_mp3_channel->currentIndex();
        v.mp3Frequency = cb_mp3_frequency->currentIndex();
        v.mp3Quality = ud_mp3_quality->value();
    }

  private:
    QComboBox* cb_mp3_frequency = nullptr;
    QComboBox* cb_mp3_channel = nullptr;
    QComboBox* cb_mp3_bitrate = nullptr;
    QSpinBox* ud_mp3_quality = nullptr;
};

class Mp3VbrPage : public ValuesPage {
    Q_DECLARE_TR_FUNCTIONS(Mp3VbrPage)

  public:
    explicit Mp3VbrPage(QWidget* parent)
        : ValuesPage("gb_mp3vbr", SettingsDialogKeys::Vbr, parent) {
        Caption(this, tr("Coding Method:"), {0, 0, 100, kRow});
        cb_mp3vbrcm =
            List(this, "cb_mp3vbrcm", {tr("None"), tr("Default"), tr("Old"), tr("New"), tr("MTRH")},
                 {104, 0, 130, kRow});

        QGroupBox* rate = Frame(this, tr("VBR Bitrate/Quality: "), {0, 34, kWidth, 92});
        Caption(rate, tr("VBR Bitrate: "), {10, 28, 90, kRow});
        cb_mp3_vbr = List(rate, "cb_mp3_vbr",
                          Kbps({8, 16, 24, 32, 48, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}),
                          {104, 28, 120, kRow});
        cb_mp3_vbr->setCurrentIndex(9);  // design "128 Kbps"
        Caption(rate, tr("VBR Quality: "), {10, 58, 90, kRow});
        ud_mp3_vbr = QualityBox(rate, "ud_mp3_vbr", "edt_mp3_vbr", {104, 58, 50, kRow});

        QGroupBox* advanced = Frame(this, tr("Advanced"), {0, 136, kWidth, 84});
        ck_mp3_VBR = Check(advanced, "ck_mp3_VBR", tr("Write VBR Header"), {10, 26, 224, kRow});
        ck_mp3_semb = Check(advanced, "ck_mp3_semb", tr("Strictly enforce minimum bitrate"),
                            {10, 52, 230, kRow});
        // A list runs its rule only when the user picks an item.
        connect(cb_mp3vbrcm, &QComboBox::activated, this, [this] { VbrRule(); });
        VbrRule();
    }

  protected:
    void Show(const SettingsDialogValues& v) override {
        SelectItem(cb_mp3vbrcm, v.codingMethod);
        SelectItem(cb_mp3_vbr, v.vbrBitrate);
        ud_mp3_vbr->setValue(v.vbrQuality);
        ck_mp3_VBR->setChecked(v.vbrHeader);
        ck_mp3_semb->setChecked(v.enforceMinBitrate);
        VbrRule();
    }
    void Collect(SettingsDialogValues& v) const override {
        v.codingMethod = cb_mp3vbrcm->currentIndex();
        v.vbrBitrate = cb_mp3_vbr->currentIndex();
        v.vbrQuality = ud_mp3_vbr->value();
        v.vbrHeader = ck_mp3_VBR->isChecked();
        v.enforceMinBitrate = ck_mp3_semb->isChecked();
    }

  private:
    void VbrRule() {
        const bool on = cb_mp3vbrcm->currentIndex() != 0;
        for (QWidget* w :
             std::initializer_list<QWidget*>{cb_mp3_vbr, ud_mp3_vbr, ck_mp3_VBR, ck_mp3_semb}) {
            w->setEnabled(on);
        }
    }

    QComboBox* cb_mp3vbrcm = nullptr;
    QComboBox* cb_mp3_vbr = nullptr;
    QSpinBox* ud_mp3_vbr = nullptr;
    QCheckBox* ck_mp3_VBR = nullptr;
    QCheckBox* ck_mp3_semb = nullptr;
};

class Mp3FilterPage : public ValuesPage {
    Q_DECLARE_TR_FUNCTIONS(Mp3FilterPage)

  public:
    explicit Mp3FilterPage(QWidget* parent)
        : ValuesPage("gb_filter", SettingsDialogKeys::Filter, parent) {
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
            {QT_TR_NOOP("HighPass Filter"), "chHFilt",
             QT_TR_NOOP("Highpass filtering frequency (in Hz):"), "udHFiltF", 30, "Label15",
             QT_TR_NOOP("Width of Highpass filter (in Hz):"), "udHFiltW", 5},
            {QT_TR_NOOP("LowPass Filter"), "chLFilt",
             QT_TR_NOOP("Lowpass filtering frequency (in Hz):"), "udLFiltF", 15160, "Label20",
             QT_TR_NOOP("Width of Lowpass filter (in Hz):"), "udLFiltW", 750},
        };
        for (int i = 0; i < 2; ++i) {
            const Side& s = sides[i];
            QGroupBox* frame = Frame(this, tr(s.title), {0, i * 118, kWidth, 112});
            Filter& f = filters_[i];
            f.check = Check(frame, s.check, tr(s.checkText), {8, 22, 232, kRow});
            f.frequency = Spin(frame, s.frequency, 0, 48000, s.frequencyDesign, {30, 46, 90, kRow});
            f.label = Caption(frame, tr(s.labelText), {10, 70, 230, 18}, s.label);
            f.width = Spin(frame, s.width, 0, 48000, s.widthDesign, {30, 86, 90, kRow - 2});
            // A check box runs its rule on every change of state, whoever made it.
            connect(f.check, &QCheckBox::toggled, this, [&f] { f.Rule(); });
            f.Rule();
        }
    }

  protected:
    void Show(const SettingsDialogValues& v) override {
        filters_[0].check->setChecked(v.highpass);
        filters_[1].check->setChecked(v.lowpass);
        filters_[0].frequency->setValue(v.highpassFrequency);  // brought into 0..48000
        filters_[0].width->setValue(v.highpassWidth);
        filters_[1].frequency->setValue(v.lowpassFrequency);
        filters_[1].width->setValue(v.lowpassWidth);
    }
    void Collect(SettingsDialogValues& v) const override {
        v.highpass = filters_[0].check->isChecked();
        v.lowpass = filters_[1].check->isChecked();
        v.highpassFrequency = filters_[0].frequency->value();
        v.highpassWidth = filters_[0].width->value();
        v.lowpassFrequency = filters_[1].frequency->value();
        v.lowpassWidth = filters_[1].width->value();
    }

  private:
    // One side: high-pass (0) or low-pass (1); its box enables the two numbers and the label.
    struct Filter {
        QCheckBox* check = nullptr;
        QSpinBox* frequency = nullptr;
        QLabel* label = nullptr;
        QSpinBox* width = nullptr;
        void Rule() const {
            const bool on = check->isChecked();
            frequency->setEnabled(on);
            width->setEnabled(on);
            label->setEnabled(on);
        }
    };
    Filter filters_[2];
};

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
    // The word is taken from the caption as shown, so a translated caption keeps its own.
    tail->setText(last.trimmed());
    tail->setFont(f);
    tail->resize(std::max(tail->width(), tail->sizeHint().width()), tail->height());
}

class Mp3ExpertPage : public ValuesPage {
    Q_DECLARE_TR_FUNCTIONS(Mp3ExpertPage)

  public:
    explicit Mp3ExpertPage(QWidget* parent)
        : ValuesPage("gb_expert", SettingsDialogKeys::Expert, parent) {
        ck_crc = Check(this, "ck_crc", tr("include CRC -Checksums"), {4, 0, 236, 22});
        // FitCaptions makes the box just narrow enough to leave the last word to the label below.
        ck_comply = Check(this, "ck_comply", tr("comply as much as possible to ISO MPEG spec"),
                          {4, 22, 236, 22});
        complyTail_ = Caption(this, QStringLiteral("spec"), {24, 42, 60, 16}, "spec");
        // The same two-line layout, so the caption stays at a readable size.
        ck_allow = Check(this, "ck_allow", tr("allow block types to differ between channels"),
                         {4, 60, 236, 22});
        allowTail_ = Caption(this, QStringLiteral("channels"), {24, 80, 80, 16});
        ck_short = Check(this, "ck_short", tr("short blocks"), {4, 98, 236, 22});
        ck_bit = Check(this, "ck_bit", tr("bit reservoir"), {4, 120, 236, 22});
        Caption(this, tr("ATH Control:"), {4, 150, 94, kRow});
        cb_ath = List(this, "cb_ath",
                      {tr("default"), tr("only"), tr("disabled"), tr("only for short blocks")},
                      {100, 150, 142, kRow});
        Caption(this, tr("De-emphasis :"), {4, 180, 94, kRow});
        cb_de = List(this, "cb_de", {tr("default"), tr("0/15 microseconds"), tr("citt j.17")},
                     {100, 180, 142, kRow});
    }

    void FitCaptions(const QFont& base) override {
        ValuesPage::FitCaptions(base);
        // These boxes are narrower than their captions on purpose: each shows its caption up to
        // the last word, and the label below carries that word.
        FitWithTail(ck_comply, complyTail_, base);
        FitWithTail(ck_allow, allowTail_, base);
    }

  protected:
    void Show(const SettingsDialogValues& v) override {
        ck_bit->setChecked(v.bitReservoir);
        ck_short->setChecked(v.shortBlocks);
        ck_allow->setChecked(v.allowDiffBlockTypes);
        ck_comply->setChecked(v.strictIso);
        ck_crc->setChecked(v.crc);
        SelectItem(cb_ath, v.ath);
        SelectItem(cb_de, v.deemphasis);
    }
    void Collect(SettingsDialogValues& v) const override {
        v.bitReservoir = ck_bit->isChecked();
        v.shortBlocks = ck_short->isChecked();
        v.allowDiffBlockTypes = ck_allow->isChecked();
        v.strictIso = ck_comply->isChecked();
        v.crc = ck_crc->isChecked();
        v.ath = cb_ath->currentIndex();
        v.deemphasis = cb_de->currentIndex();
    }

  private:
    QCheckBox* ck_crc = nullptr;
    QCheckBox* ck_comply = nullptr;
    QLabel* complyTail_ = nullptr;  // the last word of ck_comply's caption, on the line below
    QCheckBox* ck_allow = nullptr;
    QLabel* allowTail_ = nullptr;  // the last word of ck_allow's caption, on the line below
    QCheckBox* ck_short = nullptr;
    QCheckBox* ck_bit = nullptr;
    QComboBox* cb_ath = nullptr;
    QComboBox* cb_de = nullptr;
};

class Mp3PresetsPage : public ValuesPage {
    Q_DECLARE_TR_FUNCTIONS(Mp3PresetsPage)

  public:
    explicit Mp3PresetsPage(QWidget* parent)
        : ValuesPage("gb_presets", SettingsDialogKeys::Presets, parent) {
        // Each check box sits in the top edge of its group, but is not part of it: the group can
        // be disabled while its box stays usable.
        rg_prest = Frame(this, QString(), {0, 4, kWidth, 96}, "rg_prest");
        rg_prestButtons_ =
            Radios(rg_prest,
                   {tr("Phone"), tr("SW"), tr("AM"), tr("FM"), tr("Voice"), tr("Radio"), tr("Tape"),
                    tr("HiFi"), tr("CD"), tr("Studio"), tr("R3Mix")},
                   4, 26);
        rg_prest->setEnabled(false);
        ck_preset = Check(this, "ck_preset", tr("Preset"), {10, 8, 80, 20});

        rg_alt = Frame(this, QString(), {0, 114, kWidth, 96}, "rg_alt");
        rg_altButtons_ = Radios(
            rg_alt, Items({"Fast Standard", "Standard", "Fast Extreme", "Extreme", "Insane"}), 2,
            26);
        rg_alt->setEnabled(false);
        ck_alt = Check(this, "ck_alt", tr("Alt-Preset"), {10, 118, 100, 20});
        for (QCheckBox* box : {ck_preset, ck_alt}) {
            box->setAutoFillBackground(true);
            box->resize(box->sizeHint().width() + 6, 20);
            box->raise();
        }
        // Through the dialog the two boxes are never both on: one disables the other.
        connect(ck_preset, &QCheckBox::toggled, this, [this] {
            rg_prest->setEnabled(ck_preset->isChecked());
            rg_alt->setEnabled(ck_alt->isChecked() && !ck_preset->isChecked());
            ck_alt->setEnabled(!ck_preset->isChecked());
        });
        connect(ck_alt, &QCheckBox::toggled, this, [this] {
            rg_alt->setEnabled(ck_alt->isChecked());
            rg_prest->setEnabled(ck_preset->isChecked() && !ck_alt->isChecked());
            ck_preset->setEnabled(!ck_alt->isChecked());
        });
    }

  protected:
    void Show(const SettingsDialogValues& v) override {
        ck_preset->setChecked(v.preset);
        ck_alt->setChecked(v.altPreset);
        SelectRadio(rg_prestButtons_, v.presetIndex);
        SelectRadio(rg_altButtons_, v.altPresetIndex);
    }
    void Collect(SettingsDialogValues& v) const override {
        v.preset = ck_preset->isChecked();
        v.altPreset = ck_alt->isChecked();
        v.presetIndex = rg_prestButtons_->checkedId();
        v.altPresetIndex = rg_altButtons_->checkedId();
    }

  private:
    QCheckBox* ck_preset = nullptr;
    QGroupBox* rg_prest = nullptr;
    QButtonGroup* rg_prestButtons_ = nullptr;
    QCheckBox* ck_alt = nullptr;
    QGroupBox* rg_alt = nullptr;
    QButtonGroup* rg_altButtons_ = nullptr;
};

class WavPage : public ValuesPage {
    Q_DECLARE_TR_FUNCTIONS(WavPage)

  public:
    explicit WavPage(QWidget* parent) : ValuesPage("gb_wav", SettingsDialogKeys::Wav, parent) {
        rb_cdmode = Frame(this, tr("Mode:"), {0, 0, kWidth, 98}, "rb_cdmode");
        rb_cdmodeButtons_ = Radios(rb_cdmode,
                                   {tr("CD quality WAV format."),
                                    tr("Best good quality WAV format."), tr("Custom WAV format.")},
                                   1, 24);
        QGroupBox* general = Frame(this, tr("General Options:"), {0, 108, kWidth, 118});
        Caption(general, tr("Frequency:"), {10, 24, 100, kRow});
        cb_wav_frequency = List(general, "cb_wav_frequency", SampleRates(), {112, 24, 120, kRow});
        Caption(general, tr("Bit Per Sample"), {10, 54, 100, kRow});
        cb_wav_bit = List(general, "cb_wav_bit", {tr("8 bps"), tr("16 bps"), tr("As the source")},
                          {112, 54, 120, kRow});
        Caption(general, tr("Channel"), {10, 84, 100, kRow});
        cb_wav_channel =
            List(general, "cb_wav_channel", {tr("Mono"), tr("Stereo")}, {112, 84, 120, kRow});
        connect(rb_cdmodeButtons_, &QButtonGroup::idToggled, this, [this](int, bool on) {
            if (on) {
                WavRule();
            }
        });
        WavRule();
    }

  protected:
    void Show(const SettingsDialogValues& v) override {
        SelectRadio(rb_cdmodeButtons_, v.wavMode);
        SelectItem(cb_wav_frequency, v.wavFrequency);
        SelectItem(cb_wav_bit, v.wavBit);
        SelectItem(cb_wav_channel, v.wavChannel);
        WavRule();
    }
    void Collect(SettingsDialogValues& v) const override {
        v.wavMode = rb_cdmodeButtons_->checkedId();
        v.wavBit = cb_wav_bit->currentIndex();
        v.wavChannel = cb_wav_channel->currentIndex();
        v.wavFrequency = cb_wav_frequency->currentIndex();
    }

  private:
    // The three lists only for "Custom WAV format.".
    void WavRule() {
        const bool custom = rb_cdmodeButtons_->checkedId() == 2;
        cb_wav_frequency->setEnabled(custom);
        cb_wav_bit->setEnabled(custom);
        cb_wav_channel->setEnabled(custom);
    }

    QGroupBox* rb_cdmode = nullptr;
    QButtonGroup* rb_cdmodeButtons_ = nullptr;
    QComboBox* cb_wav_frequency = nullptr;
    QComboBox* cb_wav_bit = nullptr;
    QComboBox* cb_wav_channel = nullptr;
};

}  // namespace

PageNode Mp3PageNode(const QString& shown, QWidget* area) {
    auto* general = new Mp3GeneralPage(area);
    const QString heading = QCoreApplication::translate("SettingsPages", "Set MP3 General");
    const auto node = [](const QString& text, const QString& nodeHeading, SettingsPage* page) {
        return PageNode{text, nodeHeading, page, {}};
    };
    // The format's own node shows the same page as its first child.
    return {
        shown,
        heading,
        general,
        {node(QCoreApplication::translate("SettingsPages", "General"), heading, general),
         node(QCoreApplication::translate("SettingsPages", "VBR"),
              QCoreApplication::translate("SettingsPages", "Set MP3 VBR"), new Mp3VbrPage(area)),
         node(QCoreApplication::translate("SettingsPages", "Filtering"),
              QCoreApplication::translate("SettingsPages", "Set MP3 Filter"),
              new Mp3FilterPage(area)),
         node(QCoreApplication::translate("SettingsPages", "Expert"),
              QCoreApplication::translate("SettingsPages", "Set MP3 Expert"),
              new Mp3ExpertPage(area)),
         node(QCoreApplication::translate("SettingsPages", "Presets"),
              QCoreApplication::translate("SettingsPages", "Set MP3 Presets"),
              new Mp3PresetsPage(area)),
         node(QCoreApplication::translate("SettingsPages", "Command Line"),
              QCoreApplication::translate("SettingsPages", "Set MP3 Command Line"),
              new CommandLinePage(area))}};
}

PageNode WavPageNode(const QString& shown, QWidget* area) {
    return {shown,
            QCoreApplication::translate("SettingsPages", "Set WAV Format"),
            new WavPage(area),
            {}};
}
