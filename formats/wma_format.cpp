// WMA: only a hand-edited file can choose it, and the writer refuses it on this system.
#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"
#include "formats/encoder_tables.h"
#include "formats/output_formats.h"
#include "formats/settings_reader.h"

#include <climits>

namespace {

constexpr FormatKey kKeys[] = {
    {"wma", "format", FormatKey::Kind::Number, 9, INT_MIN, INT_MAX},  // the writer judges it
};

void Configure(const FormatConfigure& c) {
    c.writer.SetWmaFormat(Shifted(c.settings.Number("wma", "format", 9), 1));
}

}  // namespace

extern const OutputFormat kWmaFormat = {2,
                                        "WMA",
                                        "wma",
                                        ".wma",
                                        false,
                                        false,
                                        TagKind::WmaAttributes,
                                        "wma",
                                        FormatPageKind::None,
                                        kKeys,
                                        {},
                                        nullptr,
                                        &Configure};
