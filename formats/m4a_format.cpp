// AAC in an MP4 file through FFmpeg's encoder, at the source's rate where AAC has it.
#include "components/audio_file.h"
#include "formats/encoders.h"
#include "formats/output_formats.h"
#include "formats/pcm_keys.h"
#include "formats/settings_reader.h"

namespace {

// AAC has no rate above 96 kHz.
constexpr std::span<const int> kRates(pcm_keys::kRates.data(), 10);
constexpr std::span<const char* const> kRateTexts(pcm_keys::kRateTexts.data(), 10);

constexpr FormatKey kKeys[] = {
    {"m4a", "bitrate", FormatKey::Kind::Number, 192, 32, 320, "bitrate",
     QT_TRANSLATE_NOOP("Formats", "Bitrate:"), QT_TRANSLATE_NOOP("Formats", " Kbps"),
     QT_TRANSLATE_NOOP("Formats", "The bit rate of the AAC sound, from 32 to 320 Kbps")},
    pcm_keys::Rate("m4a", kRates, kRateTexts),
};

constexpr const char* kNote[] = {
    QT_TRANSLATE_NOOP("Formats", "AAC sound in an MP4 file."),
    QT_TRANSLATE_NOOP("Formats", "64 to 96 Kbps - speech, small file."),
    QT_TRANSLATE_NOOP("Formats", "128 Kbps or more - music."),
    QT_TRANSLATE_NOOP("Formats", "256 Kbps or more - near the original."),
};

class AacRecipe : public EncoderRecipe {
  public:
    AacRecipe(int kbps, int rate) : kbps_(kbps), rate_(rate) {}

    PcmFormat OutputFormat(const PcmFormat& source) const override {
        PcmFormat out = pcm_keys::FollowSource(source, rate_, 16, false);
        out.rate = AacSampleRate(out.rate);
        out.bits = 0;
        return out;
    }
    std::unique_ptr<AudioEncoder> Create(const QString& path, const QString& shownPath,
                                         const PcmFormat& output, int) const override {
        return CreateAacEncoder(path, shownPath, output.rate, output.channels, kbps_);
    }
    QString Describe() const override {
        return QStringLiteral("aac,%1").arg(kbps_) + pcm_keys::DescribePcm(rate_, 0, true);
    }

  private:
    int kbps_;
    int rate_;
};

void Configure(const FormatConfigure& c) {
    const SettingsReader& r = c.settings;
    c.writer.SetEncoder(std::make_shared<AacRecipe>(r.Value(kKeys[0]), r.Value(kKeys[1])));
}

}  // namespace

extern const OutputFormat kM4aFormat = {
    7,     "M4A (AAC)",          "m4a", ".m4a", false, true,      TagKind::Mp4Atoms,
    "m4a", FormatPageKind::Keys, kKeys, kNote,  "aac", &Configure};
