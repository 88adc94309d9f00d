// WavPack, lossless, with the MD5 sum of the audio, at the source's rate and depth unless chosen.
#include "formats/encoders.h"
#include "formats/lossless_recipe.h"
#include "formats/output_formats.h"

namespace {

constexpr FormatKey kKeys[] = {
    pcm_keys::Rate("wavpack"),
    pcm_keys::Depth("wavpack", true),
    pcm_keys::Dither("wavpack"),
};

constexpr const char* kNote[] = {
    "Lossless sound, smaller than WAV or AIFF.",
    "The MD5 sum of the sound is stored, so a player can check it.",
};

void Configure(const FormatConfigure& c) {
    LosslessRecipe::Configure(c, kKeys, CreateWavPackEncoder, "wavpack", true);
}

}  // namespace

// No tags: the tag writers know no APEv2 yet.
extern const OutputFormat kWavPackFormat = {10,
                                            "WavPack",
                                            "wavpack",
                                            ".wv",
                                            true,
                                            true,
                                            TagKind::None,
                                            "wavpack",
                                            FormatPageKind::Keys,
                                            kKeys,
                                            kNote,
                                            "wavpack",
                                            &Configure};
