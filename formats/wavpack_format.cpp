// WavPack, lossless, with the MD5 sum of the audio, at the source's rate and depth unless chosen.
#include "formats/encoders.h"
#include "formats/lossless_recipe.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"

namespace {

constexpr FormatKey kKeys[] = {
    pcm_keys::Rate("wavpack"),
    pcm_keys::Depth("wavpack", true),
    pcm_keys::Dither("wavpack"),
};

constexpr const char* kNote[] = {
    QT_TRANSLATE_NOOP("Formats", "Lossless, smaller than WAV or AIFF."),
    QT_TRANSLATE_NOOP("Formats", "The sound's MD5 sum is stored,"),
    QT_TRANSLATE_NOOP("Formats", "so a player can check the file."),
};

void Configure(const FormatConfigure& c) {
    LosslessRecipe::Configure(c, kKeys, CreateWavPackEncoder, "wavpack", true);
}

}  // namespace

// Tags in APEv2, the cover as its binary "Cover Art (Front)" item.
extern const OutputFormat kWavPackFormat = {10,
                                            "WavPack",
                                            "wavpack",
                                            ".wv",
                                            true,
                                            true,
                                            TagKind::ApeTag,
                                            "wavpack",
                                            FormatPageKind::Keys,
                                            kKeys,
                                            kNote,
                                            "wavpack",
                                            &Configure,
                                            nullptr,
                                            0,
                                            &WavPackSplit};
