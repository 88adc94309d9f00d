// Ogg Vorbis: the keys hand-edited files have always had, two flags choosing the mode.
#include <cstdint>
#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"
#include "formats/encoder_tables.h"
#include "formats/ogg_length.h"
#include "formats/output_formats.h"
#include "formats/settings_reader.h"

namespace {

constexpr FormatKey kKeys[] = {
    {"ogg", "oggvbr", FormatKey::Kind::Flag, 0, 0, 1},
    {"ogg", "oggquality", FormatKey::Kind::Flag, 0, 0, 1},
    PositionKey("ogg", "bitrate", 9, kBitrateTable, "bitrate", "oggquality=0"),
    {"ogg", "min bitrate", FormatKey::Kind::Number, 9, 0, 16},
    {"ogg", "max bitrate", FormatKey::Kind::Number, 9, 0, 16},
    // In hundredths; the command line takes the quality itself.
    {.section = "ogg",
     .key = "quality",
     .kind = FormatKey::Kind::Number,
     .fallback = 300,
     .low = -100,
     .high = 1000,
     .option = "quality",
     .scale = 100,
     .alsoSets = "oggquality=1;oggvbr=0"},
    PositionKey("ogg", "frequency", 7, kSampleRateTable, "rate"),
    {"ogg", "channel", FormatKey::Kind::Number, 1, 0, 1},
};

// What the page's Default button picks, and what a settings file without any Ogg key gets: the
// quality mode is faster and sounds better than an average bit rate of the same size.
constexpr std::int16_t kFreshQuality = 500;

void Configure(const FormatConfigure& c) {
    const SettingsReader& r = c.settings;
    IAudioFile2& writer = c.writer;
    if (!r.HoldsAny(kKeys)) {
        writer.SetOggFormat(44100, 2, 0, 0, 0, kFreshQuality);
        return;
    }
    const bool vbr = r.Flag("ogg", "oggvbr", false);
    const bool useQuality = r.Flag("ogg", "oggquality", false);
    const int rate = r.Value(kKeys[6]);
    const int channels = Shifted(r.Number("ogg", "channel", 1), 1);
    // Only the bit-rate calls use the bit-rate keys, so only they may refuse them.
    const int kbps = (vbr || !useQuality) ? r.Value(kKeys[2]) : 0;
    const int minKbps = r.Number("ogg", "min bitrate", 9);
    const int maxKbps = r.Number("ogg", "max bitrate", 9);
    // Only the quality call uses the quality, so only it may refuse it (-1.0 to 10.0).
    const int quality = useQuality ? r.Value(kKeys[5]) : 0;

    if (!vbr && !useQuality) {
        writer.SetOggFormat(rate, channels, kbps, 0, 0, -1);
    }
    if (useQuality) {
        writer.SetOggFormat(rate, channels, 0, 0, 0, static_cast<std::int16_t>(quality));
    }
    if (vbr) {
        writer.SetOggFormat(rate, channels, kbps, minKbps, maxKbps, -1);
    }
}

}  // namespace

extern const OutputFormat kOggFormat = {
    3,     "Ogg Vorbis",           "ogg", ".ogg", false,    true,       TagKind::VorbisComments,
    "ogg", FormatPageKind::Custom, kKeys, {},     "vorbis", &Configure, &OggStreamFrames};
