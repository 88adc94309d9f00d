#include "outside/audio/lame_options.h"

#include "components/component_error.h"
#include "outside/audio/audio_error.h"
#include "outside/audio/sample_rates.h"

namespace {

// The named presets 1..11 ("Phone", "SW", "AM", "FM", "Voice", "Radio", "Tape", "HiFi", "CD",
// "Studio", "R3Mix"). The first ten are modelled on the named presets of LAME 3.9x, which today's
// LAME no longer has, so their values are set one by one; "R3Mix" is LAME's own preset.
struct NamedPreset {
    int sampleRate;  // Hz
    MPEG_mode mode;
    int kbps;        // CBR
    int lowpassHz;   // 0: LAME's choice
    int highpassHz;  // 0: none
};
constexpr NamedPreset kNamedPresets[10] = {
    {8000, MONO, 16, 3400, 125},           // Phone
    {11025, MONO, 24, 4800, 100},          // SW (short wave)
    {16000, MONO, 40, 7500, 0},            // AM
    {32000, JOINT_STEREO, 112, 15000, 0},  // FM
    {24000, MONO, 56, 12000, 100},         // Voice
    {44100, JOINT_STEREO, 128, 15000, 0},  // Radio
    {44100, JOINT_STEREO, 128, 18000, 0},  // Tape
    {44100, JOINT_STEREO, 160, 18000, 0},  // HiFi
    {44100, STEREO, 192, 0, 0},            // CD
    {44100, STEREO, 256, 0, 0},            // Studio
};

void ApplyPreset(lame_global_flags* gfp, int preset, const QString& shownPath) {
    if (preset == 11) {
        lame_set_preset(gfp, R3MIX);
        return;
    }
    if (preset < 1 || preset > 11) {
        RefuseMp3Setting(shownPath,
                         QStringLiteral("there is no MP3 preset number %1 (1 to 11)").arg(preset));
    }
    const NamedPreset& p = kNamedPresets[preset - 1];
    lame_set_VBR(gfp, vbr_off);
    lame_set_out_samplerate(gfp, p.sampleRate);
    lame_set_mode(gfp, p.mode);
    lame_set_brate(gfp, p.kbps);
    if (p.lowpassHz > 0) {
        lame_set_lowpassfreq(gfp, p.lowpassHz);
    }
    if (p.highpassHz > 0) {
        lame_set_highpassfreq(gfp, p.highpassHz);
    }
}

// Alt-presets 1..5 are LAME's --alt-preset family: fast standard, standard, fast extreme,
// extreme, insane.
void ApplyAltPreset(lame_global_flags* gfp, int altPreset, const QString& shownPath) {
    static constexpr int kAlt[5] = {STANDARD_FAST, STANDARD, EXTREME_FAST, EXTREME, INSANE};
    if (altPreset < 1 || altPreset > 5) {
        RefuseMp3Setting(
            shownPath,
            QStringLiteral("there is no MP3 alt-preset number %1 (1 to 5)").arg(altPreset));
    }
    lame_set_preset(gfp, kAlt[altPreset - 1]);
}

void CheckRange(const QString& shownPath, const QString& name, int value, int low, int high) {
    if (value < low || value > high) {
        RefuseMp3Setting(shownPath, QStringLiteral("the MP3 %1 %2 is outside %3 to %4")
                                        .arg(name)
                                        .arg(value)
                                        .arg(low)
                                        .arg(high));
    }
}

// Short blocks off wins; with them on, LAME's own switch decides whether the two channels may
// use different block types. Both are one field inside LAME, so they are set as one.
void ApplyBlockTypes(lame_global_flags* gfp, const Mp3EncoderOptions& o) {
    if (!o.shortBlocks) {
        lame_set_no_short_blocks(gfp, 1);
    } else {
        lame_set_allow_diff_short(gfp, o.allowDiffBlockTypes ? 1 : 0);
    }
}

void ApplyExplicit(lame_global_flags* gfp, const Mp3EncoderOptions& o, const QString& shownPath) {
    lame_set_bWriteVbrTag(gfp, o.writeVbrHeader ? 1 : 0);
    lame_set_VBR_hard_min(gfp, o.enforceMinBitrate ? 1 : 0);
    lame_set_error_protection(gfp, o.crc ? 1 : 0);
    ApplyBlockTypes(gfp, o);
    lame_set_disable_reservoir(gfp, o.bitReservoir ? 0 : 1);
    lame_set_strict_ISO(gfp, o.strictIso ? 1 : 0);

    // Filters: -1 leaves LAME's own choice (it always low-passes to suit the bit rate).
    if (o.highpassFrequency >= 0) {
        CheckRange(shownPath, QStringLiteral("high-pass frequency"), o.highpassFrequency, 0, 24000);
        lame_set_highpassfreq(gfp, o.highpassFrequency);
        if (o.highpassWidth >= 0) {
            lame_set_highpasswidth(gfp, o.highpassWidth);
        }
    }
    if (o.lowpassFrequency >= 0) {
        CheckRange(shownPath, QStringLiteral("low-pass frequency"), o.lowpassFrequency, 0, 24000);
        lame_set_lowpassfreq(gfp, o.lowpassFrequency);
        if (o.lowpassWidth >= 0) {
            lame_set_lowpasswidth(gfp, o.lowpassWidth);
        }
    }

    // VBR methods: -1 none (CBR), 0 LAME's default VBR, 1 old (vbr_rh), 2 new, 3 MTRH. LAME
    // has only one "new" algorithm since 3.98, which is mtrh, so 2 and 3 mean the same.
    if (o.vbrMethod) {
        switch (*o.vbrMethod) {
            case -1:
                lame_set_VBR(gfp, vbr_off);
                break;
            case 0:
                lame_set_VBR(gfp, vbr_default);
                break;
            case 1:
                lame_set_VBR(gfp, vbr_rh);
                break;
            case 2:
            case 3:
                lame_set_VBR(gfp, vbr_mtrh);
                break;
            default:
                RefuseMp3Setting(shownPath,
                                 QStringLiteral("unknown VBR method %1").arg(*o.vbrMethod));
        }
    }
    const bool vbr = o.vbrMethod.value_or(-1) >= 0;

    // ATH modes: 0 default, 1 ATH only, 2 no ATH, 3 ATH for short blocks only.
    switch (o.athMode) {
        case 0:
            break;
        case 1:
            lame_set_ATHonly(gfp, 1);
            break;
        case 2:
            lame_set_noATH(gfp, 1);
            break;
        case 3:
            lame_set_ATHshort(gfp, 1);
            break;
        default:
            RefuseMp3Setting(shownPath, QStringLiteral("unknown ATH mode %1").arg(o.athMode));
    }

    if (o.channelMode != -1 && (o.channelMode == 0 || !ApplyLameChannelMode(gfp, o.channelMode))) {
        RefuseMp3Setting(shownPath, QStringLiteral("unknown channel mode %1").arg(o.channelMode));
    }
    if (o.outputChannels == 1) {
        ApplyLameChannelMode(gfp, 0);
    } else if (o.outputChannels != -1 && o.outputChannels != 2) {
        RefuseMp3Setting(
            shownPath,
            QStringLiteral("an MP3 file holds 1 or 2 channels, not %1").arg(o.outputChannels));
    }
    if (!ApplyLameEmphasis(gfp, o.deemphasis)) {
        RefuseMp3Setting(shownPath, QStringLiteral("unknown de-emphasis %1").arg(o.deemphasis));
    }

    if (o.quality != -1) {
        CheckRange(shownPath, QStringLiteral("quality"), o.quality, 0, 9);
        lame_set_quality(gfp, o.quality);
    }
    // In CBR the bit rate is the rate. Only in VBR modes are the bit rate the minimum (LAME's
    // -b) and the VBR bit rate the maximum (-B): a CBR rate left in the settings must not cap a
    // VBR mode the command line chooses.
    if (o.bitrate != -1) {
        CheckRange(shownPath, QStringLiteral("bit rate"), o.bitrate, 8, 320);
        lame_set_brate(gfp, o.bitrate);
        if (vbr) {
            lame_set_VBR_min_bitrate_kbps(gfp, o.bitrate);
        }
    }
    if (o.vbrBitrate != -1) {
        CheckRange(shownPath, QStringLiteral("VBR bit rate"), o.vbrBitrate, 8, 320);
        if (vbr && o.bitrate != -1 && o.vbrBitrate < o.bitrate) {
            RefuseMp3Setting(shownPath, QStringLiteral("the VBR maximum bit rate %1 kbps is below "
                                                       "the minimum bit rate %2 kbps")
                                            .arg(o.vbrBitrate)
                                            .arg(o.bitrate));
        }
        if (vbr) {
            lame_set_VBR_max_bitrate_kbps(gfp, o.vbrBitrate);
        }
    }
    if (o.vbrQuality != -1) {
        CheckRange(shownPath, QStringLiteral("VBR quality"), o.vbrQuality, 0, 9);
        lame_set_VBR_q(gfp, o.vbrQuality);
    }
    if (o.sampleRate != -1) {
        if (!IsMp3SampleRate(o.sampleRate)) {
            RefuseMp3Setting(shownPath,
                             QStringLiteral("%1 Hz is not an MP3 sample rate").arg(o.sampleRate));
        }
        lame_set_out_samplerate(gfp, o.sampleRate);
    }
}

}  // namespace

void RefuseMp3Setting(const QString& shownPath, const QString& cause) {
    if (shownPath.isEmpty()) {
        throw ComponentError(QStringLiteral("Cannot use the MP3 encoder settings: %1").arg(cause));
    }
    ThrowAudioError(QStringLiteral("Cannot encode"), shownPath, cause);
}

bool ApplyLameChannelMode(lame_global_flags* gfp, int mode) {
    switch (mode) {
        case 0:
            lame_set_mode(gfp, MONO);
            return true;
        case 1:
            lame_set_mode(gfp, STEREO);
            return true;
        case 2:
            lame_set_mode(gfp, JOINT_STEREO);
            return true;
        case 3:
            lame_set_mode(gfp, JOINT_STEREO);
            lame_set_force_ms(gfp, 1);
            return true;
        case 4:
            lame_set_mode(gfp, DUAL_CHANNEL);
            return true;
        default:
            return false;
    }
}

// The header's emphasis field: 2 is reserved, so CCITT J.17 is 3.
bool ApplyLameEmphasis(lame_global_flags* gfp, int emphasis) {
    static constexpr int kHeaderValue[3] = {0, 1, 3};
    if (emphasis < 0 || emphasis > 2) {
        return false;
    }
    lame_set_emphasis(gfp, kHeaderValue[emphasis]);
    return true;
}

void ApplyMp3Options(lame_global_flags* gfp, const Mp3EncoderOptions& o, const QString& shownPath) {
    if (o.preset) {
        if (o.preset->alt) {
            ApplyAltPreset(gfp, o.preset->number, shownPath);
        } else {
            ApplyPreset(gfp, o.preset->number, shownPath);
        }
    } else {
        ApplyExplicit(gfp, o, shownPath);
    }
    ApplyLameCommandLine(gfp, o.commandLine, shownPath);
}

void CheckMp3Options(const Mp3EncoderOptions& options) {
    lame_global_flags* gfp = lame_init();
    if (gfp == nullptr) {
        throw ComponentError(QStringLiteral("The MP3 encoder cannot start (out of memory)"));
    }
    try {
        ApplyMp3Options(gfp, options, QString());
    } catch (...) {
        lame_close(gfp);
        throw;
    }
    lame_close(gfp);
}
