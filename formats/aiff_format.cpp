// AIFF, uncompressed, at the source's rate and depth unless chosen (32-bit float as AIFF-C).
#include "formats/encoders.h"
#include "formats/lossless_recipe.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"

namespace {

constexpr FormatKey kKeys[] = {
    pcm_keys::Rate("aiff"),
    pcm_keys::Depth("aiff", true),
    pcm_keys::Dither("aiff"),
};

constexpr const char* kNote[] = {
    QT_TRANSLATE_NOOP("Formats", "Uncompressed sound, as Apple's"),
    QT_TRANSLATE_NOOP("Formats", "programs write it."),
    QT_TRANSLATE_NOOP("Formats", "32 bit float is written as AIFF-C."),
};

void Configure(const FormatConfigure& c) {
    LosslessRecipe::Configure(c, kKeys, CreateAiffEncoder, "aiff", true);
}

}  // namespace

// Tags in an ID3v2 chunk, the frames an MP3 gets.
extern const OutputFormat kAiffFormat = {9,
                                         "AIFF",
                                         "aiff",
                                         ".aiff",
                                         true,
                                         true,
                                         TagKind::Id3Chunk,
                                         "aiff",
                                         FormatPageKind::Keys,
                                         kKeys,
                                         kNote,
                                         "aiff",
                                         &Configure,
                                         nullptr,
                                         0,
                                         &AiffSplit};
