// LAME-style switches typed by the user, applied after the settings object's values.
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "outside/audio/lame_options.h"
#include "outside/audio/sample_rates.h"

namespace {

class SwitchReader {
  public:
    SwitchReader(lame_global_flags* gfp, const QString& text, QString shownPath)
        : gfp_(gfp),
          tokens_(text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)),
          shownPath_(std::move(shownPath)) {}

    void Run() {
        while (next_ < tokens_.size()) {
            current_ = tokens_[next_++];
            attached_.clear();
            // Single-letter switches may carry their value attached ("-b128", "-V2", "-mj").
            if (current_.size() > 2 && current_[0] == QLatin1Char('-') &&
                current_[1] != QLatin1Char('-') && QStringLiteral("bBVqme").contains(current_[1])) {
                attached_ = current_.mid(2);
                current_ = current_.left(2);
            }
            Apply();
        }
    }

    bool SetsMode() const { return setsMode_; }

  private:
    [[noreturn]] void Fail(const QString& cause) const {
        RefuseMp3Setting(shownPath_,
                         QStringLiteral("encoder switch \"%1\": %2").arg(current_, cause));
    }

    QString Value() {
        if (!attached_.isEmpty()) {
            return attached_;
        }
        if (next_ >= tokens_.size()) {
            Fail(QStringLiteral("a value is missing"));
        }
        return tokens_[next_++];
    }

    double Number(double low, double high) {
        const QString text = Value();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (!ok || !std::isfinite(value) || value < low || value > high) {
            Fail(QStringLiteral("\"%1\" is not a number from %2 to %3")
                     .arg(text)
                     .arg(low)
                     .arg(high));
        }
        return value;
    }
    int Integer(int low, int high) { return static_cast<int>(std::lround(Number(low, high))); }

    // A filter frequency as lame reads it: values under `kHzBelow` are kHz; a negative value
    // switches the filter off where `negativeOff` (returned as -1).
    int FilterFrequency(double kHzBelow, bool negativeOff) {
        const QString text = Value();
        bool ok = false;
        const double value = text.toDouble(&ok);
        if (ok && negativeOff && value < 0.0) {
            return -1;
        }
        if (!ok || !std::isfinite(value) || value < 0.001 || value > 50000.0) {
            Fail(QStringLiteral("\"%1\" is not a frequency from 0.001 kHz to 50000 Hz").arg(text));
        }
        return static_cast<int>(std::lround(value < kHzBelow ? value * 1000.0 : value));
    }

    // --resample takes kHz ("44", "22.05") or Hz, and lame maps the whole kHz onto the MPEG
    // rates: 44 and 44.1 both mean 44100.
    int ResampleRate() {
        const QString text = Value();
        bool ok = false;
        double value = text.toDouble(&ok);
        if (ok && value >= 1000.0) {
            value /= 1000.0;
        }
        static constexpr int kRates[][2] = {{8, 8000},   {11, 11025}, {12, 12000},
                                            {16, 16000}, {22, 22050}, {24, 24000},
                                            {32, 32000}, {44, 44100}, {48, 48000}};
        if (ok && std::isfinite(value)) {
            for (const auto& rate : kRates) {
                if (static_cast<int>(value) == rate[0]) {
                    return rate[1];
                }
            }
        }
        Fail(QStringLiteral("\"%1\" is not an MP3 sample rate").arg(text));
    }

    // --abr takes kbps, or bit/s from 8000 up; lame clamps the result to 8..320.
    int AbrKbps() {
        const QString text = Value();
        bool ok = false;
        int value = text.toInt(&ok);
        if (!ok || value <= 0) {
            Fail(QStringLiteral("\"%1\" is not a bit rate").arg(text));
        }
        if (value >= 8000) {
            value = (value + 500) / 1000;
        }
        return std::clamp(value, 8, 320);
    }

    void Apply() {
        const QString& s = current_;
        if (s == QLatin1String("-b")) {
            const int kbps = Integer(8, 320);
            lame_set_brate(gfp_, kbps);
            lame_set_VBR_min_bitrate_kbps(gfp_, kbps);
        } else if (s == QLatin1String("-B")) {
            lame_set_VBR_max_bitrate_kbps(gfp_, Integer(8, 320));
        } else if (s == QLatin1String("-V")) {
            const double q = Number(0.0, 9.999);
            if (lame_get_VBR(gfp_) == vbr_off) {
                lame_set_VBR(gfp_, vbr_default);
            }
            lame_set_VBR_quality(gfp_, static_cast<float>(q));
        } else if (s == QLatin1String("-v")) {
            lame_set_VBR(gfp_, vbr_default);
        } else if (s == QLatin1String("-q")) {
            lame_set_quality(gfp_, Integer(0, 9));
        } else if (s == QLatin1String("-h")) {
            lame_set_quality(gfp_, 2);
        } else if (s == QLatin1String("-f")) {
            lame_set_quality(gfp_, 7);
        } else if (s == QLatin1String("-m")) {
            ApplyMode(Value());
            setsMode_ = true;
        } else if (s == QLatin1String("-F")) {
            lame_set_VBR_hard_min(gfp_, 1);
        } else if (s == QLatin1String("-p")) {
            lame_set_error_protection(gfp_, 1);
        } else if (s == QLatin1String("-t")) {
            lame_set_bWriteVbrTag(gfp_, 0);
        } else if (s == QLatin1String("-e")) {
            ApplyEmphasis(Value());
        } else if (s == QLatin1String("--resample")) {
            lame_set_out_samplerate(gfp_, ResampleRate());
        } else if (s == QLatin1String("--preset")) {
            ApplyPreset();
        } else if (s == QLatin1String("--abr")) {
            lame_set_VBR(gfp_, vbr_abr);
            lame_set_VBR_mean_bitrate_kbps(gfp_, AbrKbps());
        } else if (s == QLatin1String("--cbr")) {
            lame_set_VBR(gfp_, vbr_off);
        } else if (s == QLatin1String("--vbr-new")) {
            lame_set_VBR(gfp_, vbr_mtrh);
        } else if (s == QLatin1String("--vbr-old")) {
            lame_set_VBR(gfp_, vbr_rh);
        } else if (s == QLatin1String("--lowpass")) {
            lame_set_lowpassfreq(gfp_, FilterFrequency(50.0, true));
        } else if (s == QLatin1String("--highpass")) {
            lame_set_highpassfreq(gfp_, FilterFrequency(16.0, true));
        } else if (s == QLatin1String("--lowpass-width")) {
            lame_set_lowpasswidth(gfp_, FilterFrequency(16.0, false));
        } else if (s == QLatin1String("--highpass-width")) {
            lame_set_highpasswidth(gfp_, FilterFrequency(0.0, false));
        } else if (s == QLatin1String("--nores")) {
            lame_set_disable_reservoir(gfp_, 1);
        } else if (s == QLatin1String("--strictly-enforce-ISO")) {
            lame_set_strict_ISO(gfp_, 1);
        } else if (s == QLatin1String("--noath")) {
            lame_set_noATH(gfp_, 1);
        } else if (s == QLatin1String("--athonly")) {
            lame_set_ATHonly(gfp_, 1);
        } else if (s == QLatin1String("--athshort")) {
            lame_set_ATHshort(gfp_, 1);
        } else if (s == QLatin1String("--noshort")) {
            lame_set_no_short_blocks(gfp_, 1);
        } else if (s == QLatin1String("--allshort")) {
            lame_set_force_short_blocks(gfp_, 1);
        } else if (s == QLatin1String("-S") || s == QLatin1String("--silent") ||
                   s == QLatin1String("--quiet") || s == QLatin1String("--nohist")) {
            // Console output switches: the component prints nothing anyway.
        } else if (s.startsWith(QLatin1Char('-'))) {
            Fail(QStringLiteral("unknown switch"));
        } else {
            Fail(QStringLiteral("not a switch (file names cannot be given here)"));
        }
    }

    void ApplyMode(const QString& mode) {
        static const QString kLetters = QStringLiteral("msjfd");  // by channel mode number
        int number = mode.size() == 1 ? static_cast<int>(kLetters.indexOf(mode[0])) : -1;
        if (mode == QLatin1String("a")) {
            number = 2;  // "auto" is joint stereo in today's LAME
        }
        if (!ApplyLameChannelMode(gfp_, number)) {
            Fail(QStringLiteral("unknown mode \"%1\" (s, j, f, d or m)").arg(mode));
        }
    }

    void ApplyEmphasis(const QString& value) {
        static const QString kLetters = QStringLiteral("n5c");  // by de-emphasis number
        const int number = value.size() == 1 ? static_cast<int>(kLetters.indexOf(value[0])) : -1;
        if (!ApplyLameEmphasis(gfp_, number)) {
            Fail(QStringLiteral("unknown emphasis \"%1\" (n, 5 or c)").arg(value));
        }
    }

    // --preset [fast] medium|standard|extreme|insane, the old names lame still takes (each an
    // ABR bit rate, the speech ones in mono), "cbr <kbps>", or a bit rate for ABR.
    void ApplyPreset() {
        QString name = Value().toLower();
        bool fast = false;
        if (name == QLatin1String("fast")) {
            fast = true;
            name = Value().toLower();
        }
        if (name == QLatin1String("medium")) {
            lame_set_preset(gfp_, fast ? MEDIUM_FAST : MEDIUM);
            return;
        }
        if (name == QLatin1String("standard")) {
            lame_set_preset(gfp_, fast ? STANDARD_FAST : STANDARD);
            return;
        }
        if (name == QLatin1String("extreme")) {
            lame_set_preset(gfp_, fast ? EXTREME_FAST : EXTREME);
            return;
        }
        if (name == QLatin1String("insane")) {
            lame_set_preset(gfp_, INSANE);
            return;
        }
        bool cbr = false;
        if (name == QLatin1String("cbr") && !fast) {
            cbr = true;
            name = Value();
        }
        struct OldName {
            const char* name;
            int kbps;
            bool mono;
        };
        static constexpr OldName kOldNames[] = {
            {"phone", 16, true},   {"phon+", 24, true},  {"lw", 24, true},     {"mw-eu", 24, true},
            {"sw", 24, true},      {"mw-us", 40, true},  {"voice", 56, true},  {"fm", 112, false},
            {"radio", 112, false}, {"tape", 112, false}, {"hifi", 160, false}, {"cd", 192, false},
            {"studio", 256, false}};
        bool mono = false;
        int kbps = 0;
        bool ok = false;
        for (const OldName& old : kOldNames) {
            if (name == QLatin1String(old.name)) {
                kbps = old.kbps;
                mono = old.mono;
                ok = true;
            }
        }
        if (!ok) {
            kbps = name.toInt(&ok);
        }
        if (fast || !ok || kbps < 8 || kbps > 320) {
            Fail(QStringLiteral("unknown preset \"%1\"").arg(name));
        }
        lame_set_preset(gfp_, kbps);  // LAME's ABR presets are numbered by their bit rate
        if (cbr) {
            lame_set_VBR(gfp_, vbr_off);
            lame_set_brate(gfp_, kbps);
        }
        if (mono) {
            ApplyLameChannelMode(gfp_, 0);
            setsMode_ = true;
        }
    }

    lame_global_flags* gfp_;
    QStringList tokens_;
    QString shownPath_;
    qsizetype next_ = 0;
    QString current_;
    QString attached_;
    bool setsMode_ = false;
};

}  // namespace

void ApplyLameCommandLine(lame_global_flags* gfp, const QString& commandLine,
                          const QString& shownPath) {
    SwitchReader(gfp, commandLine, shownPath).Run();
}

bool LameCommandLineSetsMode(const QString& commandLine) {
    lame_global_flags* gfp = lame_init();
    if (gfp == nullptr) {
        return false;
    }
    bool setsMode = false;
    try {
        SwitchReader reader(gfp, commandLine, QString());
        reader.Run();
        setsMode = reader.SetsMode();
    } catch (...) {
        // A broken command line is reported where it is applied.
    }
    lame_close(gfp);
    return setsMode;
}
