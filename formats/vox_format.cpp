// Dialogic VOX ADPCM, mono: only a hand-edited file can choose it.
#include <QFileInfo>

#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"
#include "formats/encoder_tables.h"
#include "formats/output_formats.h"
#include "formats/settings_reader.h"

namespace {

constexpr FormatKey kKeys[] = {
    PositionKey("VOX", "VOX", 7, kSampleRateTable, "rate"),
};

// Four bits a sample, two samples a byte: an odd count ends on a padding nibble.
std::int64_t CountFrames(const QString& path, int&) {
    return QFileInfo(path).size() * 2;
}

void Configure(const FormatConfigure& c) {
    c.writer.SetVoxFormat(c.settings.Value(kKeys[0]));
}

}  // namespace

extern const OutputFormat kVoxFormat = {4,
                                        "VOX",
                                        "vox",
                                        ".vox",
                                        false,
                                        false,
                                        TagKind::None,
                                        "VOX",
                                        FormatPageKind::None,
                                        kKeys,
                                        {},
                                        nullptr,
                                        &Configure,
                                        &CountFrames,
                                        1};
