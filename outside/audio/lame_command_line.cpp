// LAME-style switches typed by the user, applied after the settings object's values.
#include <QRegularExpression>
#include <QStringList>
#include <cmath>

#include "outside/audio/audio_error.h"
#include "outside/audio/lame_options.h"

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

  private:
    [[noreturn]] void Fail(const QString& cause) const {
        ThrowAudioError(QStringLiteral("Cannot encode"), shownPath_,
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

    // LAME reads frequencies below 50 as kHz ("--lowpass 16", "--resample 44.1").
    int Frequency(double highHz) {
        const double value = Number(0.0, highHz);
        return static_cast<int>(std::lround(value < 50.0 ? value * 1000.0 : value));
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
        } else if (s == QLatin1String("-F")) {
            lame_set_VBR_hard_min(gfp_, 1);
        } else if (s == QLatin1String("-p")) {
            lame_set_error_protection(gfp_, 1);
        } else if (s == QLatin1String("-t")) {
            lame_set_bWriteVbrTag(gfp_, 0);
        } else if (s == QLatin1String("-e")) {
            ApplyEmphasis(Value());
        } else if (s == QLatin1String("--resample")) {
            const int hz = Frequency(48000.0);
            if (!IsMp3SampleRate(hz)) {
                Fail(QStringLiteral("%1 Hz is not an MP3 sample rate").arg(hz));
            }
            lame_set_out_samplerate(gfp_, hz);
        } else if (s == QLatin1String("--preset")) {
            ApplyPreset();
        } else if (s == QLatin1String("--abr")) {
            lame_set_VBR(gfp_, vbr_abr);
            lame_set_VBR_mean_bitrate_kbps(gfp_, Integer(8, 320));
        } else if (s == QLatin1String("--cbr")) {
            lame_set_VBR(gfp_, vbr_off);
        } else if (s == QLatin1String("--vbr-new")) {
            lame_set_VBR(gfp_, vbr_mtrh);
        } else if (s == QLatin1String("--vbr-old")) {
            lame_set_VBR(gfp_, vbr_rh);
        } else if (s == QLatin1String("--lowpass")) {
            lame_set_lowpassfreq(gfp_, Frequency(50000.0));
        } else if (s == QLatin1String("--highpass")) {
            lame_set_highpassfreq(gfp_, Frequency(50000.0));
        } else if (s == QLatin1String("--lowpass-width")) {
            lame_set_lowpasswidth(gfp_, Frequency(50000.0));
        } else if (s == QLatin1String("--highpass-width")) {
            lame_set_highpasswidth(gfp_, Frequency(50000.0));
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
        if (mode == QLatin1String("s")) {
            lame_set_mode(gfp_, STEREO);
        } else if (mode == QLatin1String("j") || mode == QLatin1String("a")) {
            lame_set_mode(gfp_, JOINT_STEREO);
        } else if (mode == QLatin1String("f")) {
            lame_set_mode(gfp_, JOINT_STEREO);
            lame_set_force_ms(gfp_, 1);
        } else if (mode == QLatin1String("d")) {
            lame_set_mode(gfp_, DUAL_CHANNEL);
        } else if (mode == QLatin1String("m")) {
            lame_set_mode(gfp_, MONO);
        } else {
            Fail(QStringLiteral("unknown mode \"%1\" (s, j, f, d or m)").arg(mode));
        }
    }

    void ApplyEmphasis(const QString& value) {
        if (value == QLatin1String("n")) {
            lame_set_emphasis(gfp_, 0);
        } else if (value == QLatin1String("5")) {
            lame_set_emphasis(gfp_, 1);
        } else if (value == QLatin1String("c")) {
            lame_set_emphasis(gfp_, 3);
        } else {
            Fail(QStringLiteral("unknown emphasis \"%1\" (n, 5 or c)").arg(value));
        }
    }

    // --preset medium|standard|extreme|insane, "fast" before the first three, "cbr <kbps>",
    // or a bit rate for ABR.
    void ApplyPreset() {
        QString name = Value().toLower();
        bool fast = false;
        if (name == QLatin1String("fast")) {
            fast = true;
            name = Value().toLower();
        }
        int preset = 0;
        if (name == QLatin1String("medium")) {
            preset = fast ? MEDIUM_FAST : MEDIUM;
        } else if (name == QLatin1String("standard")) {
            preset = fast ? STANDARD_FAST : STANDARD;
        } else if (name == QLatin1String("extreme")) {
            preset = fast ? EXTREME_FAST : EXTREME;
        } else if (name == QLatin1String("insane") && !fast) {
            preset = INSANE;
        } else if (name == QLatin1String("cbr") && !fast) {
            const int kbps = Integer(8, 320);
            lame_set_preset(gfp_, kbps);
            lame_set_VBR(gfp_, vbr_off);
            lame_set_brate(gfp_, kbps);
            return;
        } else {
            bool ok = false;
            const int kbps = name.toInt(&ok);
            if (fast || !ok || kbps < 8 || kbps > 320) {
                Fail(QStringLiteral("unknown preset \"%1\"").arg(name));
            }
            preset = kbps;  // LAME's ABR presets are numbered by their bit rate
        }
        lame_set_preset(gfp_, preset);
    }

    lame_global_flags* gfp_;
    QStringList tokens_;
    QString shownPath_;
    qsizetype next_ = 0;
    QString current_;
    QString attached_;
};

}  // namespace

void ApplyLameCommandLine(lame_global_flags* gfp, const QString& commandLine,
                          const QString& shownPath) {
    SwitchReader(gfp, commandLine, shownPath).Run();
}
