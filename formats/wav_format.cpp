// PCM WAV: the dialog's own page and its three modes; a stored mode outside them configures
// nothing, as it always did.
#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"
#include "formats/encoder_tables.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"
#include "formats/settings_reader.h"

namespace {

// The rate and depth keys only count in the chosen-format mode (2), so setting one from the command
// line picks it too.
constexpr FormatKey kKeys[] = {
    {"wav", "mode", FormatKey::Kind::Number, 0, 0, 2},
    PositionKey("wav", "frequency", 7, kSampleRateTable, "rate", "mode=2"),
    {"wav", "channel", FormatKey::Kind::Number, 1, 0, 1},
    PositionKey("wav", "bit", 1, kWaveBitsTable, "bits", "mode=2"),
};

void Configure(const FormatConfigure& c) {
    const SettingsReader& r = c.settings;
    IAudioFile2& writer = c.writer;
    const int mode = r.Number("wav", "mode", 0);
    int rate = 0;
    int channels = 0;
    int bits = 0;
    switch (mode) {
        case 0:
            rate = 44100, channels = 2, bits = 16;
            break;
        case 1:
            rate = 48000, channels = 2, bits = 32;
            break;
        case 2:
            rate = r.Value(kKeys[1]);
            channels = Shifted(r.Number("wav", "channel", 1), 1);
            bits = r.Value(kKeys[3]);
            break;
        default:
            break;
    }
    if (writer.IsOpen()) {
        writer.Close();
    }
    if (mode >= 0 && mode <= 2) {
        writer.SetWaveFormat(rate, channels, bits);
    }
}

}  // namespace

extern const OutputFormat kWavFormat = {
    1,     "WAV", "wav", ".wav",     true,    true, TagKind::None, "wav", FormatPageKind::Custom,
    kKeys, {},    "wav", &Configure, nullptr, 0,    &WavSplit};
