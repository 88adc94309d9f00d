#include "formats/output_formats.h"

#include <array>

// Each unit's descriptor, defined in its own file.
extern const OutputFormat kMp3Format;
extern const OutputFormat kWavFormat;
extern const OutputFormat kFlacFormat;
extern const OutputFormat kOggFormat;
extern const OutputFormat kOpusFormat;
extern const OutputFormat kM4aFormat;
extern const OutputFormat kWmaFormat;
extern const OutputFormat kVoxFormat;
extern const OutputFormat kAlacFormat;
extern const OutputFormat kAiffFormat;
extern const OutputFormat kWavPackFormat;

namespace {

// The selector's order: MP3 and WAV first, as the program always offered them, then the others; WMA
// and VOX can only be stored by hand (WMA is refused by the writer).
const std::array<const OutputFormat*, 11> kFormats = {
    &kMp3Format,  &kWavFormat,  &kFlacFormat,    &kOggFormat, &kOpusFormat, &kM4aFormat,
    &kAlacFormat, &kAiffFormat, &kWavPackFormat, &kWmaFormat, &kVoxFormat,
};

}  // namespace

std::span<const OutputFormat* const> OutputFormats() {
    return kFormats;
}

const OutputFormat* FindOutputFormat(int code) {
    for (const OutputFormat* format : kFormats) {
        if (format->code == code) {
            return format;
        }
    }
    return nullptr;
}

const OutputFormat* FindOfferedFormat(QStringView cliName) {
    for (const OutputFormat* format : kFormats) {
        if (format->offered &&
            cliName.compare(QLatin1String(format->cliName), Qt::CaseInsensitive) == 0) {
            return format;
        }
    }
    return nullptr;
}

QString OfferedFormatNames() {
    QString names;
    for (const OutputFormat* format : kFormats) {
        if (format->offered) {
            names += (names.isEmpty() ? QString() : QStringLiteral("|")) +
                     QLatin1String(format->cliName);
        }
    }
    return names;
}

const FormatKey* FindOptionKey(const OutputFormat& format, QStringView option) {
    for (const FormatKey& key : format.keys) {
        if (key.option != nullptr && option == QLatin1String(key.option)) {
            return &key;
        }
    }
    return nullptr;
}
