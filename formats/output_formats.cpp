#include "formats/output_formats.h"

#include <array>

#include "formats/format_configure.h"

namespace {

// The selector's order: MP3 and WAV first, as the program always offered them, then the others; WMA
// and VOX can only be stored by hand (WMA is refused by the writer).
constexpr std::array<OutputFormat, 8> kFormats = {{
    {0, "MP3", "mp3", ".mp3", false, true, TagKind::Id3v2, "mp3", true, &ConfigureMp3Output},
    {1, "WAV", "wav", ".wav", true, true, TagKind::None, "wav", true, &ConfigureWavOutput},
    {5, "FLAC", "flac", ".flac", true, true, TagKind::VorbisComments, "flac", true,
     &ConfigureFlacOutput},
    {3, "Ogg Vorbis", "ogg", ".ogg", false, true, TagKind::VorbisComments, "ogg", true,
     &ConfigureOggOutput},
    {6, "Opus", "opus", ".opus", false, true, TagKind::VorbisComments, "opus", true,
     &ConfigureOpusOutput},
    {7, "M4A (AAC)", "m4a", ".m4a", false, true, TagKind::Mp4Atoms, "m4a", true,
     &ConfigureM4aOutput},
    {2, "WMA", "wma", ".wma", false, false, TagKind::WmaAttributes, "wma", false,
     &ConfigureWmaOutput},
    {4, "VOX", "vox", ".vox", false, false, TagKind::None, "VOX", false, &ConfigureVoxOutput},
}};

}  // namespace

std::span<const OutputFormat> OutputFormats() {
    return kFormats;
}

const OutputFormat* FindOutputFormat(int code) {
    for (const OutputFormat& format : kFormats) {
        if (format.code == code) {
            return &format;
        }
    }
    return nullptr;
}

const OutputFormat* FindOfferedFormat(QStringView cliName) {
    for (const OutputFormat& format : kFormats) {
        if (format.offered &&
            cliName.compare(QLatin1String(format.cliName), Qt::CaseInsensitive) == 0) {
            return &format;
        }
    }
    return nullptr;
}

QString OfferedFormatNames() {
    QString names;
    for (const OutputFormat& format : kFormats) {
        if (format.offered) {
            names +=
                (names.isEmpty() ? QString() : QStringLiteral("|")) + QLatin1String(format.cliName);
        }
    }
    return names;
}
