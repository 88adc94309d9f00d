#pragma once

#include <QString>
#include <memory>

#include "components/audio_file.h"
#include "components/encoder_recipe.h"
#include "formats/pcm_keys.h"
#include "formats/settings_reader.h"

// The writer configuration of a lossless format whose keys are the shared rate, depth and
// dither (in that order): the source's rate and depth unless chosen, dither where the output
// has fewer bits than the source.
class LosslessRecipe : public EncoderRecipe {
  public:
    using Factory = std::unique_ptr<AudioEncoder> (*)(const QString& path, const QString& shownPath,
                                                      const PcmFormat& output, int sourceBits);
    LosslessRecipe(Factory create, const char* name, bool withFloat, int rate, int bits,
                   bool dither)
        : create_(create),
          name_(name),
          withFloat_(withFloat),
          rate_(rate),
          bits_(bits),
          dither_(dither) {}

    PcmFormat OutputFormat(const PcmFormat& source) const override {
        return pcm_keys::FollowSource(source, rate_, bits_, withFloat_);
    }
    std::unique_ptr<AudioEncoder> Create(const QString& path, const QString& shownPath,
                                         const PcmFormat& output, int sourceBits) const override {
        // Without dither a reduction keeps to the exact rule, as from a source of no more bits.
        return create_(path, shownPath, output, dither_ ? sourceBits : 0);
    }
    QString Describe() const override {
        return QString::fromLatin1(name_) + pcm_keys::DescribePcm(rate_, bits_, dither_);
    }

    // Hands the writer the recipe of the stored rate, depth and dither keys.
    static void Configure(const FormatConfigure& c, std::span<const FormatKey> keys, Factory create,
                          const char* name, bool withFloat) {
        const SettingsReader& r = c.settings;
        c.writer.SetEncoder(std::make_shared<LosslessRecipe>(
            create, name, withFloat, r.Value(keys[0]), r.Value(keys[1]), r.Value(keys[2]) != 0));
    }

  private:
    Factory create_;
    const char* name_;
    bool withFloat_;
    int rate_;
    int bits_;
    bool dither_;
};
