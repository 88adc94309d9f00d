// FLAC through libFLAC: lossless, at the source's rate and depth unless chosen.
#include "components/audio_file.h"
#include "formats/encoders.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"
#include "formats/pcm_keys.h"
#include "formats/settings_reader.h"

namespace {

constexpr FormatKey kKeys[] = {
    {"flac", "level", FormatKey::Kind::Number, 5, 0, 8, "level",
     QT_TRANSLATE_NOOP("Formats", "Compression level:"), nullptr,
     QT_TRANSLATE_NOOP(
         "Formats",
         "0 is the fastest, 8 makes the smallest files; the sound is the same at every level")},
    pcm_keys::Rate("flac"),
    pcm_keys::Depth("flac", false),
    pcm_keys::Dither("flac"),
};

constexpr const char* kNote[] = {
    QT_TRANSLATE_NOOP("Formats", "Level 0 - fastest, biggest file."),
    QT_TRANSLATE_NOOP("Formats", "Level 8 - slowest, smallest file."),
    QT_TRANSLATE_NOOP("Formats", "The sound is the same at every level."),
};

class FlacRecipe : public EncoderRecipe {
  public:
    FlacRecipe(int level, int rate, int bits, bool dither)
        : level_(level), rate_(rate), bits_(bits), dither_(dither) {}

    PcmFormat OutputFormat(const PcmFormat& source) const override {
        return pcm_keys::FollowSource(source, rate_, bits_, false);
    }
    std::unique_ptr<AudioEncoder> Create(const QString& path, const QString& shownPath,
                                         const PcmFormat& output, int sourceBits) const override {
        return CreateFlacEncoder(path, shownPath, output.rate, output.channels, output.bits, level_,
                                 dither_ ? sourceBits : 0);
    }
    QString Describe() const override {
        return QStringLiteral("flac,%1").arg(level_) + pcm_keys::DescribePcm(rate_, bits_, dither_);
    }

  private:
    int level_;
    int rate_;
    int bits_;
    bool dither_;
};

void Configure(const FormatConfigure& c) {
    const SettingsReader& r = c.settings;
    c.writer.SetEncoder(std::make_shared<FlacRecipe>(r.Value(kKeys[0]), r.Value(kKeys[1]),
                                                     r.Value(kKeys[2]), r.Value(kKeys[3]) != 0));
}

}  // namespace

extern const OutputFormat kFlacFormat = {5,
                                         "FLAC",
                                         "flac",
                                         ".flac",
                                         true,
                                         true,
                                         TagKind::VorbisComments,
                                         "flac",
                                         FormatPageKind::Keys,
                                         kKeys,
                                         kNote,
                                         "flac",
                                         &Configure,
                                         nullptr,
                                         0,
                                         &FlacSplit};
