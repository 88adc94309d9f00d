#include "outside/audio/lame_options.h"

#include "outside/audio/audio_error.h"

namespace {

[[noreturn]] void Refuse(const QString& shownPath, const QString& cause) {
    ThrowAudioError(QStringLiteral("Cannot encode"), shownPath, cause);
}

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
        Refuse(shownPath, QStringLiteral("there is no MP3 preset number %1 (1 to 11)").arg(preset));
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
        Refuse(shownPath,
               QStringLiteral("there is no MP3 alt-preset number %1 (1 to 5)").arg(altPreset));
    }
    lame_set_preset(gfp, kAlt[altPreset - 1]);
}

void CheckRange(const QString& shownPath, const QString& name, int value, int low, int high) {
    if (value < low || value > high) {
        Refuse(shownPath, QStringLiteral("the MP3 %1 %2 is outside %3 to %4")
                              .arg(name)
                              .arg(value)
                              .arg(low)
                              .arg(high));
    }
}

void ApplyExplicit(lame_global_flags* gfp, const Mp3EncoderOptions& o, const QString& shownPath) {
    lame_set_bWriteVbrTag(gfp, o.writeVbrHeader ? 1 : 0);
    lame_set_VBR_hard_min(gfp, o.enforceMinBitrate ? 1 : 0);
    lame_set_error_protection(gfp, o.crc ? 1 : 0);
    lame_set_allow_diff_short(gfp, o.allowDiffBlockTypes ? 1 : 0);
    lame_set_disable_reservoir(gfp, o.bitReservoir ? 0 : 1);
    lame_set_no_short_blocks(gfp, o.shortBlocks ? 0 : 1);
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
    const bool vbr = o.vbrMethod >= 0;
    switch (o.vbrMethod) {
        case -2:
            break;
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
            Refuse(shownPath, QStringLiteral("unknown VBR method %1").arg(o.vbrMethod));
    }

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
            Refuse(shownPath, QStringLiteral("unknown ATH mode %1").arg(o.athMode));
    }

    // Channel modes 1..4: stereo, joint stereo, forced joint (mid/side on every frame), dual.
    switch (o.channelMode) {
        case -1:
            break;
        case 1:
            lame_set_mode(gfp, STEREO);
            break;
        case 2:
            lame_set_mode(gfp, JOINT_STEREO);
            break;
        case 3:
            lame_set_mode(gfp, JOINT_STEREO);
            lame_set_force_ms(gfp, 1);
            break;
        case 4:
            lame_set_mode(gfp, DUAL_CHANNEL);
            break;
        default:
            Refuse(shownPath, QStringLiteral("unknown channel mode %1").arg(o.channelMode));
    }
    if (o.outputChannels == 1) {
        lame_set_mode(gfp, MONO);
    } else if (o.outputChannels != -1 && o.outputChannels != 2) {
        Refuse(shownPath,
               QStringLiteral("an MP3 file holds 1 or 2 channels, not %1").arg(o.outputChannels));
    }

    // De-emphasis 0 none, 1 50/15 microseconds, 2 CCITT J.17 (header value 3; 2 is reserved).
    switch (o.deemphasis) {
        case 0:
            lame_set_emphasis(gfp, 0);
            break;
        case 1:
            lame_set_emphasis(gfp, 1);
            break;
        case 2:
            lame_set_emphasis(gfp, 3);
            break;
        default:
            Refuse(shownPath, QStringLiteral("unknown de-emphasis %1").arg(o.deemphasis));
    }

    if (o.quality != -1) {
        CheckRange(shownPath, QStringLiteral("quality"), o.quality, 0, 9);
        lame_set_quality(gfp, o.quality);
    }
    // In VBR modes the bit rate is the minimum (LAME's -b) and the VBR bit rate the maximum
    // (-B); in CBR the bit rate is the rate.
    if (o.bitrate != -1) {
        CheckRange(shownPath, QStringLiteral("bit rate"), o.bitrate, 8, 320);
        lame_set_brate(gfp, o.bitrate);
        lame_set_VBR_min_bitrate_kbps(gfp, o.bitrate);
    }
    if (o.vbrBitrate != -1) {
        CheckRange(shownPath, QStringLiteral("VBR bit rate"), o.vbrBitrate, 8, 320);
        if (vbr && o.bitrate != -1 && o.vbrBitrate < o.bitrate) {
            Refuse(shownPath, QStringLiteral("the VBR maximum bit rate %1 kbps is below the "
                                             "minimum bit rate %2 kbps")
                                  .arg(o.vbrBitrate)
                                  .arg(o.bitrate));
        }
        lame_set_VBR_max_bitrate_kbps(gfp, o.vbrBitrate);
    }
    if (o.vbrQuality != -1) {
        CheckRange(shownPath, QStringLiteral("VBR quality"), o.vbrQuality, 0, 9);
        lame_set_VBR_q(gfp, o.vbrQuality);
    }
    if (o.sampleRate != -1) {
        if (!IsMp3SampleRate(o.sampleRate)) {
            Refuse(shownPath, QStringLiteral("%1 Hz is not an MP3 sample rate").arg(o.sampleRate));
        }
        lame_set_out_samplerate(gfp, o.sampleRate);
    }
}

}  // namespace

bool IsMp3SampleRate(int hz) {
    switch (hz) {
        case 8000:
        case 11025:
        case 12000:
        case 16000:
        case 22050:
        case 24000:
        case 32000:
        case 44100:
        case 48000:
            return true;
        default:
            return false;
    }
}

void ApplyMp3Options(lame_global_flags* gfp, const Mp3EncoderOptions& o, const QString& shownPath) {
    // The settings object keeps presets and explicit values side by side; whichever kind was
    // sent last is what the user chose.
    if (o.usePresets && (o.preset != -1 || o.altPreset != -1)) {
        if (o.preset != -1) {
            ApplyPreset(gfp, o.preset, shownPath);
        }
        if (o.altPreset != -1) {
            ApplyAltPreset(gfp, o.altPreset, shownPath);
        }
    } else {
        ApplyExplicit(gfp, o, shownPath);
    }
    ApplyLameCommandLine(gfp, o.commandLine, shownPath);
}
