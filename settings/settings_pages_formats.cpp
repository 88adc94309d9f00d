// The pages of the formats that came after MP3 and WAV (FLAC, Ogg Vorbis, Opus, M4A), and the
// table that finds a format's pages by its settings section. Each page's missing-key values are
// the ones the encoder configuration uses, so opening and confirming a page changes nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <cmath>

#include "settings/settings_file.h"
#include "settings/settings_pages.h"

using namespace page;

namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

std::int32_t Number(const SettingsFile* file, const char* section, const char* key, int missing) {
    return file ? file->ReadNumber(Text(section), Text(key), missing) : missing;
}

bool Flag(const SettingsFile* file, const char* section, const char* key, bool missing) {
    return file ? file->ReadFlag(Text(section), Text(key), missing) : missing;
}

// A caption on the left and a number box on the right, one row of a page.
QSpinBox* NumberRow(QWidget* page, int top, const char* caption, const char* name, int low,
                    int high, const char* suffix, const char* tip) {
    Caption(page, Text(caption), {0, top, 120, SettingsPage::kRow});
    QSpinBox* box = Spin(page, name, low, high, low, {124, top, 110, SettingsPage::kRow});
    box->setSuffix(Text(suffix));
    box->setToolTip(Text(tip));
    return box;
}

class FlacPage : public SettingsPage {
  public:
    explicit FlacPage(QWidget* parent) : SettingsPage("gb_flac", parent) {
        level_ = NumberRow(this, 0, "Compression level:", "ud_flac_level", 0, 8, "",
                           "0 is the fastest, 8 makes the smallest files; the sound is the same "
                           "at every level");
        Comment(
            this,
            {Text("Level 0 - fastest, biggest file."), Text("Level 8 - slowest, smallest file."),
             Text("The sound is the same at every level."),
             Text("Keeps 16 or 24 bits, as the input has.")},
            36);
    }
    void Load(const SettingsFile* file) override {
        level_->setValue(Number(file, "flac", "level", kLevel));  // brought into 0..8
    }
    void Save(SettingsFile& file) const override {
        file.WriteNumber(Text("flac"), Text("level"), level_->value());
    }
    void Defaults() override { level_->setValue(kLevel); }

  private:
    static constexpr int kLevel = 5;
    QSpinBox* level_ = nullptr;
};

// Ogg Vorbis keeps the keys hand-edited files have always had: two flags choose the mode, the
// bit rates are positions in the MP3 bit-rate list (0 meaning no limit for the two limits) and
// the quality is stored in hundredths.
class OggPage : public SettingsPage {
  public:
    explicit OggPage(QWidget* parent) : SettingsPage("gb_ogg", parent) {
        constexpr int kStep = 28;
        int top = 0;
        const auto row = [&](const char* caption) {
            Caption(this, Text(caption), {0, top, 96, kRow});
            const QRect g{100, top, 134, kRow};
            top += kStep;
            return g;
        };
        mode_ =
            List(this, "cb_ogg_mode",
                 Items({"Average bit rate", "Quality", "Bit rate within limits"}), row("Mode:"));
        mode_->setToolTip(
            Text("Average bit rate aims at the bit rate over the whole file; "
                 "Quality lets the bit rate follow the music"));
        bitrate_ = List(this, "cb_ogg_bitrate", Mp3Bitrates(), row("Bitrate:"));
        bitrate_->setToolTip(Text("The bit rate the encoder aims at"));
        QStringList limits = Mp3Bitrates();
        limits[0] = Text("No limit");
        minimum_ = List(this, "cb_ogg_min", limits, row("Min bitrate:"));
        minimum_->setToolTip(Text("The bit rate never falls below this"));
        maximum_ = List(this, "cb_ogg_max", limits, row("Max bitrate:"));
        maximum_->setToolTip(Text("The bit rate never rises above this"));
        quality_ = new QDoubleSpinBox(this);
        quality_->setObjectName(Text("ud_ogg_quality"));
        quality_->setGeometry(row("Quality:"));
        quality_->setRange(-1.0, 10.0);
        quality_->setDecimals(2);  // stored in hundredths: every stored value shows as it is
        quality_->setSingleStep(0.5);
        quality_->setToolTip(Text("-1 makes the smallest files, 10 the best sound; 5 suits music"));
        frequency_ = List(this, "cb_ogg_frequency", SampleRates(), row("Frequency:"));
        frequency_->setToolTip(Text("The sample rate of the output"));
        channel_ = List(this, "cb_ogg_channel", Items({"Mono", "Stereo"}), row("Channel:"));
        channel_->setToolTip(Text("The channels of the output"));
        connect(mode_, &QComboBox::currentIndexChanged, this, [this] { ModeRule(); });
        ModeRule();
    }

    void Load(const SettingsFile* file) override {
        // With both flags set the encoder ends with the limited bit rate, so that is the mode.
        const bool limited = Flag(file, "ogg", "oggvbr", false);
        const bool quality = Flag(file, "ogg", "oggquality", false);
        mode_->setCurrentIndex(limited ? kLimited : quality ? kQuality : kAverage);
        Show({Number(file, "ogg", "bitrate", 9), Number(file, "ogg", "min bitrate", 9),
              Number(file, "ogg", "max bitrate", 9), Number(file, "ogg", "quality", 300),
              Number(file, "ogg", "frequency", 7), Number(file, "ogg", "channel", 1)});
    }

    void Save(SettingsFile& file) const override {
        const auto position = [](const QComboBox* list, std::int32_t loaded) {
            return list->currentIndex() >= 0 ? list->currentIndex() : loaded;
        };
        file.WriteFlag(Text("ogg"), Text("oggvbr"), mode_->currentIndex() == kLimited);
        file.WriteFlag(Text("ogg"), Text("oggquality"), mode_->currentIndex() == kQuality);
        file.WriteNumber(Text("ogg"), Text("bitrate"), position(bitrate_, loaded_.bitrate));
        file.WriteNumber(Text("ogg"), Text("min bitrate"), position(minimum_, loaded_.minimum));
        file.WriteNumber(Text("ogg"), Text("max bitrate"), position(maximum_, loaded_.maximum));
        file.WriteNumber(Text("ogg"), Text("quality"),
                         static_cast<std::int32_t>(std::lround(quality_->value() * 100)));
        file.WriteNumber(Text("ogg"), Text("frequency"), position(frequency_, loaded_.frequency));
        file.WriteNumber(Text("ogg"), Text("channel"), position(channel_, loaded_.channel));
    }

    void Defaults() override {
        mode_->setCurrentIndex(kQuality);
        Show({9, 0, 0, 500, 7, 1});
    }

  private:
    enum Mode { kAverage, kQuality, kLimited };
    struct Positions {
        std::int32_t bitrate, minimum, maximum, quality, frequency, channel;
    };

    // A stored position no list holds shows no selection and is written back unchanged, so the
    // encoder's message about it still names the value the user wrote.
    void Show(const Positions& p) {
        loaded_ = p;
        SelectItem(bitrate_, p.bitrate);
        SelectItem(minimum_, p.minimum);
        SelectItem(maximum_, p.maximum);
        quality_->setValue(p.quality / 100.0);  // brought into -1..10
        SelectItem(frequency_, p.frequency);
        SelectItem(channel_, p.channel);
    }

    void ModeRule() {
        const int mode = mode_->currentIndex();
        bitrate_->setEnabled(mode != kQuality);
        minimum_->setEnabled(mode == kLimited);
        maximum_->setEnabled(mode == kLimited);
        quality_->setEnabled(mode == kQuality);
    }

    Positions loaded_{};
    QComboBox* mode_ = nullptr;
    QComboBox* bitrate_ = nullptr;
    QComboBox* minimum_ = nullptr;
    QComboBox* maximum_ = nullptr;
    QDoubleSpinBox* quality_ = nullptr;
    QComboBox* frequency_ = nullptr;
    QComboBox* channel_ = nullptr;
};

class OpusPage : public SettingsPage {
  public:
    explicit OpusPage(QWidget* parent) : SettingsPage("gb_opus", parent) {
        bitrate_ = NumberRow(this, 0, "Bitrate:", "ud_opus_bitrate", 6, 510, " Kbps",
                             "The bit rate the encoder aims at, from 6 to 510 Kbps");
        vbr_ = Check(this, "ck_opus_vbr", Text("Variable bitrate (VBR)"), {0, 34, kWidth, kRow});
        vbr_->setToolTip(Text("Let the bit rate follow the music: better sound at the same size"));
        Comment(this,
                {Text("32 to 64 Kbps - speech, small file."), Text("96 to 128 Kbps - music."),
                 Text("160 Kbps or more - near the original.")},
                66);
    }
    void Load(const SettingsFile* file) override {
        bitrate_->setValue(Number(file, "opus", "bitrate", kBitrate));  // brought into 6..510
        vbr_->setChecked(Flag(file, "opus", "vbr", true));
    }
    void Save(SettingsFile& file) const override {
        file.WriteNumber(Text("opus"), Text("bitrate"), bitrate_->value());
        file.WriteFlag(Text("opus"), Text("vbr"), vbr_->isChecked());
    }
    void Defaults() override {
        bitrate_->setValue(kBitrate);
        vbr_->setChecked(true);
    }

  private:
    static constexpr int kBitrate = 128;
    QSpinBox* bitrate_ = nullptr;
    QCheckBox* vbr_ = nullptr;
};

class M4aPage : public SettingsPage {
  public:
    explicit M4aPage(QWidget* parent) : SettingsPage("gb_m4a", parent) {
        bitrate_ = NumberRow(this, 0, "Bitrate:", "ud_m4a_bitrate", 32, 320, " Kbps",
                             "The bit rate of the AAC sound, from 32 to 320 Kbps");
        Comment(this,
                {Text("AAC sound in an MP4 file."), Text("64 to 96 Kbps - speech, small file."),
                 Text("128 Kbps or more - music."), Text("256 Kbps or more - near the original.")},
                36);
    }
    void Load(const SettingsFile* file) override {
        bitrate_->setValue(Number(file, "m4a", "bitrate", kBitrate));  // brought into 32..320
    }
    void Save(SettingsFile& file) const override {
        file.WriteNumber(Text("m4a"), Text("bitrate"), bitrate_->value());
    }
    void Defaults() override { bitrate_->setValue(kBitrate); }

  private:
    static constexpr int kBitrate = 192;
    QSpinBox* bitrate_ = nullptr;
};

template <typename Page>
PageNode Single(const QString& shown, QWidget* area) {
    return {shown, QStringLiteral("Set %1 Format").arg(shown), new Page(area), {}};
}

struct FormatPages {
    const char* section;
    PageNode (*make)(const QString& shown, QWidget* area);
};

constexpr FormatPages kFormatPages[] = {
    {"mp3", &Mp3PageNode},     {"wav", &WavPageNode},       {"flac", &Single<FlacPage>},
    {"ogg", &Single<OggPage>}, {"opus", &Single<OpusPage>}, {"m4a", &Single<M4aPage>},
};

}  // namespace

std::vector<PageNode> FormatPageNodes(const QString& section, const QString& shown, QWidget* area) {
    for (const FormatPages& pages : kFormatPages) {
        if (section == QLatin1String(pages.section)) {
            return {pages.make(shown, area)};
        }
    }
    return {};
}
