// Ogg Opus through libopusenc, which resamples to 48 kHz itself and records the source's rate.
#include "components/audio_file.h"
#include "formats/encoders.h"
#include "formats/ogg_length.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"
#include "formats/pcm_keys.h"
#include "formats/settings_reader.h"

namespace {

// Opus is coded at 48 kHz at most; a higher rate would only be resampled down again.
constexpr std::span<const int> kRates(pcm_keys::kRates.data(), 8);
constexpr std::span<const char* const> kRateTexts(pcm_keys::kRateTexts.data(), 8);

constexpr FormatKey kKeys[] = {
    {"opus", "bitrate", FormatKey::Kind::Number, 128, 6, 510, "bitrate",
     QT_TRANSLATE_NOOP("Formats", "Bitrate:"), QT_TRANSLATE_NOOP("Formats", " Kbps"),
     QT_TRANSLATE_NOOP("Formats", "The bit rate the encoder aims at, from 6 to 510 Kbps")},
    {"opus", "vbr", FormatKey::Kind::Flag, 1, 0, 1, "vbr",
     QT_TRANSLATE_NOOP("Formats", "Variable bitrate (VBR)"), nullptr,
     QT_TRANSLATE_NOOP("Formats",
                       "Let the bit rate follow the music: better sound at the same size")},
    pcm_keys::Rate("opus", kRates, kRateTexts),
};

constexpr const char* kNote[] = {
    QT_TRANSLATE_NOOP("Formats", "32 to 64 Kbps - speech, small file."),
    QT_TRANSLATE_NOOP("Formats", "96 to 128 Kbps - music."),
    QT_TRANSLATE_NOOP("Formats", "160 Kbps or more - near the original."),
};

class OpusRecipe : public EncoderRecipe {
  public:
    OpusRecipe(int kbps, bool vbr, int rate) : kbps_(kbps), vbr_(vbr), rate_(rate) {}

    PcmFormat OutputFormat(const PcmFormat& source) const override {
        PcmFormat out = pcm_keys::FollowSource(source, rate_, 16, false);
        out.bits = 0;  // a lossy coder has no depth
        return out;
    }
    std::unique_ptr<AudioEncoder> Create(const QString& path, const QString& shownPath,
                                         const PcmFormat& output, int) const override {
        return CreateOpusEncoder(path, shownPath, output.rate, output.channels, kbps_, vbr_);
    }
    QString Describe() const override {
        return QStringLiteral("opus,%1,%2")
                   .arg(kbps_)
                   .arg(vbr_ ? QStringLiteral("vbr") : QStringLiteral("cbr")) +
               pcm_keys::DescribePcm(rate_, 0, true);
    }

  private:
    int kbps_;
    bool vbr_;
    int rate_;
};

void Configure(const FormatConfigure& c) {
    const SettingsReader& r = c.settings;
    c.writer.SetEncoder(
        std::make_shared<OpusRecipe>(r.Value(kKeys[0]), r.Value(kKeys[1]) != 0, r.Value(kKeys[2])));
}

}  // namespace

extern const OutputFormat kOpusFormat = {6,
                                         "Opus",
                                         "opus",
                                         ".opus",
                                         false,
                                         true,
                                         TagKind::VorbisComments,
                                         "opus",
                                         FormatPageKind::Keys,
                                         kKeys,
                                         kNote,
                                         "opus",
                                         &Configure,
                                         &OggStreamFrames,
                                         0,
                                         &OpusSplit};
