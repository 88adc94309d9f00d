// The formats the writer takes through SetEncodedFormat: one section of keys each.
#include "components/audio_file.h"
#include "formats/format_configure.h"
#include "formats/settings_reader.h"

void ConfigureFlacOutput(const FormatConfigure& c) {
    EncodedFormat format;
    format.codec = EncodedFormat::Codec::Flac;
    format.level = c.settings.Bounded("flac", "level", 5, 0, 8);
    c.writer.SetEncodedFormat(format);
}

void ConfigureOpusOutput(const FormatConfigure& c) {
    EncodedFormat format;
    format.codec = EncodedFormat::Codec::Opus;
    format.kbps = c.settings.Bounded("opus", "bitrate", 128, 6, 510);
    format.vbr = c.settings.Flag("opus", "vbr", true);
    c.writer.SetEncodedFormat(format);
}

void ConfigureM4aOutput(const FormatConfigure& c) {
    EncodedFormat format;
    format.codec = EncodedFormat::Codec::Aac;
    format.kbps = c.settings.Bounded("m4a", "bitrate", 192, 32, 320);
    c.writer.SetEncodedFormat(format);
}
