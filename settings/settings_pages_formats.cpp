// The pages of the formats that came after MP3 and WAV: the Ogg Vorbis page, and the page every
// other unit's keys build. Each page's missing-key values are the ones the writer configuration
// uses, so opening and confirming a page changes nothing.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <cmath>

#include "formats/output_formats.h"
#include "formats/settings_reader.h"
#include "settings/settings_file.h"
#include "settings/settings_pages.h"

using namespace page;

namespace {

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

// A text of a format unit's table as the window shows it (the tables stay English for the files
// and the command line).
QString Shown(const char* text) {
    return text ? QCoreApplication::translate("Formats", text) : QString();
}

std::int32_t Number(const SettingsFile* file, const char* section, const char* key, int missing) {
    return file ? file->ReadNumber(Text(section), Text(key), missing) : missing;
}

bool Flag(const SettingsFile* file, const char* section, const char* key, bool missing) {
    return file ? file->ReadFlag(Text(section), Text(key), missing) : missing;
}

// A page built from a format unit's keys, one row each in their order: a number box, a check
// box or a list. Missing keys show the unit's fallback, which is what the writer uses, so opening
// and confirming a page changes nothing.
class KeysPage : public SettingsPage {
  public:
    KeysPage(const OutputFormat& format, QWidget* parent)
        : SettingsPage(QStringLiteral("gb_%1").arg(Text(format.section)).toUtf8().constData(),
                       parent),
          format_(format) {
        constexpr int kStep = 30;
        int top = 0;
        for (const FormatKey& key : format.keys) {
            if (key.caption == nullptr) {
                continue;
            }
            const QString name =
                QStringLiteral("%1_%2_%3")
                    .arg(Text(ControlPrefix(key.kind)), Text(key.section), Text(key.key));
            QWidget* control = nullptr;
            if (key.kind == FormatKey::Kind::Flag) {
                control = Check(this, name.toUtf8().constData(), Shown(key.caption),
                                {0, top, kWidth, kRow});
            } else {
                Caption(this, Shown(key.caption), {0, top, 110, kRow});
                const QRect g{114, top, 120, kRow};
                if (key.kind == FormatKey::Kind::Number) {
                    QSpinBox* box =
                        Spin(this, name.toUtf8().constData(), key.low, key.high, key.low, g);
                    box->setSuffix(Shown(key.suffix));
                    control = box;
                } else {
                    QStringList texts;
                    for (const char* text : key.choices) {
                        texts << Shown(text);
                    }
                    control = List(this, name.toUtf8().constData(), texts, g);
                }
            }
            control->setToolTip(Shown(key.tip));
            rows_.push_back({&key, control, key.fallback});
            top += kStep;
        }
        if (!format.pageNote.empty()) {
            QStringList lines;
            for (const char* line : format.pageNote) {
                lines << Shown(line);
            }
            Comment(this, lines, top + 4);
        }
    }

    void Load(const SettingsFile* file) override {
        for (Row& row : rows_) {
            row.loaded = Number(file, row.key->section, row.key->key, row.key->fallback);
            Show(row, row.loaded);
        }
    }
    void Save(SettingsFile& file) const override {
        for (const Row& row : rows_) {
            file.WriteNumber(Text(row.key->section), Text(row.key->key), Collect(row));
        }
    }
    void Defaults() override {
        for (Row& row : rows_) {
            Show(row, row.key->fallback);
        }
    }

  private:
    struct Row {
        const FormatKey* key;
        QWidget* control;
        std::int32_t loaded;  // what the file held, kept when no list item stands for it
    };

    static const char* ControlPrefix(FormatKey::Kind kind) {
        switch (kind) {
            case FormatKey::Kind::Number:
                return "ud";
            case FormatKey::Kind::Flag:
                return "ck";
            case FormatKey::Kind::Choice:
            case FormatKey::Kind::Position:
                break;
        }
        return "cb";
    }

    // The position of a stored value in a list: itself for a Position, its entry for a Choice.
    static int ListPosition(const FormatKey& key, std::int32_t value) {
        if (key.kind == FormatKey::Kind::Position) {
            return value;
        }
        for (std::size_t i = 0; i < key.values.size(); ++i) {
            if (key.values[i] == value) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    static void Show(const Row& row, std::int32_t value) {
        if (auto* box = qobject_cast<QSpinBox*>(row.control)) {
            box->setValue(value);  // brought into the key's range
        } else if (auto* check = qobject_cast<QCheckBox*>(row.control)) {
            check->setChecked(value != 0);
        } else if (auto* list = qobject_cast<QComboBox*>(row.control)) {
            SelectItem(list, ListPosition(*row.key, value));
        }
    }

    // A stored value no list item stands for shows no selection and is written back unchanged,
    // so the encoder's message about it still names the value the user wrote.
    static std::int32_t Collect(const Row& row) {
        if (auto* box = qobject_cast<QSpinBox*>(row.control)) {
            return box->value();
        }
        if (auto* check = qobject_cast<QCheckBox*>(row.control)) {
            return check->isChecked() ? 1 : 0;
        }
        const auto* list = qobject_cast<QComboBox*>(row.control);
        const int position = list->currentIndex();
        if (position < 0) {
            return row.loaded;
        }
        return row.key->kind == FormatKey::Kind::Position
                   ? position
                   : row.key->values[static_cast<std::size_t>(position)];
    }

    const OutputFormat& format_;
    std::vector<Row> rows_;
};

// Ogg Vorbis keeps the keys hand-edited files have always had: two flags choose the mode, the
// bit rates are positions in the MP3 bit-rate list (0 meaning no limit for the two limits) and
// the quality is stored in hundredths.
class OggPage : public SettingsPage {
    Q_DECLARE_TR_FUNCTIONS(OggPage)

  public:
    explicit OggPage(QWidget* parent) : SettingsPage("gb_ogg", parent) {
        constexpr int kStep = 28;
        int top = 0;
        const auto row = [&](const QString& caption) {
            Caption(this, caption, {0, top, 96, kRow});
            const QRect g{100, top, 134, kRow};
            top += kStep;
            return g;
        };
        mode_ = List(this, "cb_ogg_mode",
                     {tr("Average bit rate"), tr("Quality"), tr("Bit rate within limits")},
                     row(tr("Mode:")));
        mode_->setToolTip(
            tr("Average bit rate aims at the bit rate over the whole file; "
               "Quality lets the bit rate follow the music"));
        bitrate_ = List(this, "cb_ogg_bitrate", Mp3Bitrates(), row(tr("Bitrate:")));
        bitrate_->setToolTip(tr("The bit rate the encoder aims at"));
        QStringList limits = Mp3Bitrates();
        limits[0] = tr("No limit");
        minimum_ = List(this, "cb_ogg_min", limits, row(tr("Min bitrate:")));
        minimum_->setToolTip(tr("The bit rate never falls below this"));
        maximum_ = List(this, "cb_ogg_max", limits, row(tr("Max bitrate:")));
        maximum_->setToolTip(tr("The bit rate never rises above this"));
        quality_ = new QDoubleSpinBox(this);
        quality_->setObjectName(Text("ud_ogg_quality"));
        quality_->setGeometry(row(tr("Quality:")));
        quality_->setRange(-1.0, 10.0);
        quality_->setDecimals(2);  // stored in hundredths: every stored value shows as it is
        quality_->setSingleStep(0.5);
        quality_->setToolTip(tr("-1 makes the smallest files, 10 the best sound; 5 suits music"));
        frequency_ = List(this, "cb_ogg_frequency", SampleRates(), row(tr("Frequency:")));
        frequency_->setToolTip(tr("The sample rate of the output"));
        channel_ = List(this, "cb_ogg_channel", {tr("Mono"), tr("Stereo")}, row(tr("Channel:")));
        channel_->setToolTip(tr("The channels of the output"));
        connect(mode_, &QComboBox::currentIndexChanged, this, [this] { ModeRule(); });
        ModeRule();
    }

    void Load(const SettingsFile* file) override {
        // A file without any Ogg key gets the quality mode the writer uses for it.
        if (file == nullptr || !SettingsReader(*file).HoldsAny(FindOutputFormat(kOggCode)->keys)) {
            Defaults();
            return;
        }
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
    static constexpr int kOggCode = 3;
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

PageNode Single(const QString& shown, SettingsPage* page) {
    return {
        shown, QCoreApplication::translate("SettingsPages", "Set %1 Format").arg(shown), page, {}};
}

}  // namespace

std::vector<PageNode> FormatPageNodes(const OutputFormat& format, QWidget* area) {
    const QString shown = QString::fromUtf8(format.shown);
    const QString section = QLatin1String(format.section);
    switch (format.page) {
        case FormatPageKind::None:
            return {};
        case FormatPageKind::Keys:
            return {Single(shown, new KeysPage(format, area))};
        case FormatPageKind::Custom:
            break;
    }
    // The pages with behaviour beyond their keys: the dialog's own MP3 and WAV pages, and the Ogg
    // page whose mode list sets two flags.
    if (section == QLatin1String("mp3")) {
        return {Mp3PageNode(shown, area)};
    }
    if (section == QLatin1String("wav")) {
        return {WavPageNode(shown, area)};
    }
    if (section == QLatin1String("ogg")) {
        return {Single(shown, new OggPage(area))};
    }
    return {};
}
