#pragma once

#include <QString>
#include <algorithm>
#include <array>

#include "components/encoder_recipe.h"
#include "formats/format_key.h"

// The sample-rate, depth and dither keys the newer formats share, "as the source" by default.
// Stored as the value itself (0 for "as the source"), so a file reads the same to a person.
namespace pcm_keys {

inline constexpr std::array<int, 12> kRates = {0,     8000,  11025, 16000, 22050,  32000,
                                               44100, 48000, 88200, 96000, 176400, 192000};
// The window shows these through the "Formats" context; files and the command line keep them.
inline constexpr const char* kAsTheSource = QT_TRANSLATE_NOOP("Formats", "As the source");
inline constexpr std::array<const char*, 12> kRateTexts = {
    kAsTheSource, "8000 Hz",  "11025 Hz", "16000 Hz", "22050 Hz",  "32000 Hz",
    "44100 Hz",   "48000 Hz", "88200 Hz", "96000 Hz", "176400 Hz", "192000 Hz"};
inline constexpr std::array<int, 3> kIntegerDepths = {0, 16, 24};
inline constexpr std::array<const char*, 3> kIntegerDepthTexts = {
    kAsTheSource, QT_TRANSLATE_NOOP("Formats", "16 bit"), QT_TRANSLATE_NOOP("Formats", "24 bit")};
inline constexpr std::array<int, 4> kDepths = {0, 16, 24, 32};
inline constexpr std::array<const char*, 4> kDepthTexts = {
    kAsTheSource, QT_TRANSLATE_NOOP("Formats", "16 bit"), QT_TRANSLATE_NOOP("Formats", "24 bit"),
    QT_TRANSLATE_NOOP("Formats", "32 bit float")};

constexpr FormatKey Rate(const char* section, std::span<const int> rates = kRates,
                         std::span<const char* const> texts = kRateTexts) {
    return {section,
            "rate",
            FormatKey::Kind::Choice,
            0,
            0,
            rates.back(),
            "rate",
            QT_TRANSLATE_NOOP("Formats", "Sample rate:"),
            nullptr,
            QT_TRANSLATE_NOOP("Formats",
                              "The sample rate of the output; as the source keeps the input's own"),
            texts,
            rates};
}

constexpr FormatKey Depth(const char* section, bool withFloat) {
    return {
        section,
        "bits",
        FormatKey::Kind::Choice,
        0,
        0,
        withFloat ? 32 : 24,
        "bits",
        QT_TRANSLATE_NOOP("Formats", "Bit depth:"),
        nullptr,
        QT_TRANSLATE_NOOP("Formats",
                          "The bits per sample of the output; as the source keeps the input's own"),
        withFloat ? std::span<const char* const>(kDepthTexts)
                  : std::span<const char* const>(kIntegerDepthTexts),
        withFloat ? std::span<const int>(kDepths) : std::span<const int>(kIntegerDepths)};
}

constexpr FormatKey Dither(const char* section) {
    return {section,
            "dither",
            FormatKey::Kind::Flag,
            1,
            0,
            1,
            "dither",
            QT_TRANSLATE_NOOP("Formats", "Dither when reducing the bit depth"),
            nullptr,
            QT_TRANSLATE_NOOP("Formats",
                              "Adds a faint noise when fewer bits are written than the input "
                              "has, so quiet sounds fade out smoothly instead of turning into "
                              "distortion")};
}

// What an output of `source` is written at: the chosen rate and depth, or the source's; the
// source's channels up to `maxChannels` (more are folded into stereo). A source of unknown depth
// counts as 16 bit; depths a format lacks go to the nearest it has (`withFloat` false: 24).
inline PcmFormat FollowSource(const PcmFormat& source, int rate, int bits, bool withFloat,
                              int maxChannels = 8) {
    PcmFormat out;
    out.rate = rate > 0 ? rate : source.rate > 0 ? source.rate : 44100;
    out.channels = source.channels < 1 || source.channels > maxChannels ? 2 : source.channels;
    int depth = bits > 0 ? bits : source.bits > 0 ? source.bits : 16;
    if (depth == 32 && !withFloat) {
        depth = 24;
    }
    out.bits = depth <= 16 ? 16 : depth <= 24 ? 24 : 32;
    out.floating = out.bits == 32;
    return out;
}

// " 48000 Hz, 24 bit" for Describe(), empty when both follow the source.
inline QString DescribePcm(int rate, int bits, bool dither) {
    QString text;
    if (rate > 0) {
        text += QStringLiteral(",%1Hz").arg(rate);
    }
    if (bits > 0) {
        text += QStringLiteral(",%1bit").arg(bits);
    }
    if (!dither) {
        text += QStringLiteral(",nodither");
    }
    return text;
}

}  // namespace pcm_keys
