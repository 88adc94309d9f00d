// Apple Lossless in an M4A file, at the source's rate and depth unless chosen (no float: 24 bit).
#include "formats/encoders.h"
#include "formats/lossless_recipe.h"
#include "formats/output_formats.h"

namespace {

constexpr FormatKey kKeys[] = {
    pcm_keys::Rate("alac"),
    pcm_keys::Depth("alac", false),
    pcm_keys::Dither("alac"),
};

constexpr const char* kNote[] = {
    QT_TRANSLATE_NOOP("Formats", "Apple Lossless sound in an M4A file."),
    QT_TRANSLATE_NOOP("Formats", "The sound is the source's, exactly."),
};

void Configure(const FormatConfigure& c) {
    LosslessRecipe::Configure(c, kKeys, CreateAlacEncoder, "alac", false);
}

}  // namespace

extern const OutputFormat kAlacFormat = {
    8,     "ALAC", "alac", ".m4a",    true, true, TagKind::Mp4Atoms, "alac", FormatPageKind::Keys,
    kKeys, kNote,  "alac", &Configure};
