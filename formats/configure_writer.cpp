#include "formats/configure_writer.h"

#include <cstdint>
#include <limits>

#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"
#include "formats/encoder_tables.h"
#include "formats/format_configure.h"
#include "formats/output_formats.h"
#include "formats/settings_reader.h"
#include "settings/settings_file.h"

namespace {

// Stored positions become the numbers the components count from (a list position + 1, a coding
// method − 1). A hand-edited extreme must not overflow on the way; the component then refuses it.
int Shifted(int value, int by) {
    const long long v = static_cast<long long>(value) + by;
    if (v > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (v < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(v);
}

}  // namespace

void ConfigureMp3Output(const FormatConfigure& c) {
    const SettingsReader& r = c.settings;
    IAudioFile2LameEnc& enc = c.encoder;
    const QString& commandLine = c.commandLine;
    const bool preset = r.Flag("MP3Prest", "preset", false);
    const bool alt = r.Flag("MP3Prest", "alt", false);
    if (preset || alt) {
        const int presetValue = Shifted(r.Number("MP3Prest", "rg_prest", 0), 1);
        const int altValue = Shifted(r.Number("MP3Prest", "rg_alt", 0), 1);
        if (preset) {
            enc.SetPreset(presetValue);
        }
        if (alt) {
            enc.SetAltPreset(altValue);
        }
    } else {
        const bool vbrHeader = r.Flag("MP3VBR", "vbrck", true);
        const bool enforceMin = r.Flag("MP3VBR", "semb", false);
        const bool crc = r.Flag("MP3Expert", "crc", false);
        const bool allow = r.Flag("MP3Expert", "allow", false);
        const bool reservoir = r.Flag("MP3Expert", "Bit", true);
        const bool shortBlocks = r.Flag("MP3Expert", "short", true);
        const bool strictIso = r.Flag("MP3Expert", "comply", false);
        const int highpass =
            r.Flag("MP3Filt", "chHFilt", false) ? r.Number("MP3Filt", "udHFiltF", 30) : -1;
        const int lowpass =
            r.Flag("MP3Filt", "chLFilt", false) ? r.Number("MP3Filt", "udLFiltF", 15160) : -1;
        const int vbrMethod = Shifted(r.Number("MP3VBR", "Coding Method", 0), -1);
        const int ath = r.Number("MP3Expert", "ath", 0);
        const int channel = r.Number("mp3", "channel", 1);
        const int deemphasis = r.Number("MP3Expert", "de", 0);
        const int quality = r.Number("mp3", "quality", 5);
        const int bitrate = r.Lookup(kBitrateTable, "mp3", "bitrate", 9);
        const int vbrBitrate = r.Lookup(kVbrBitrateList, "MP3VBR", "vbr bitrate", 9);
        const int highpassWidth = r.Number("MP3Filt", "udHFiltW", 5);
        const int lowpassWidth = r.Number("MP3Filt", "udLFiltW", 750);
        const int vbrQuality = r.Number("MP3VBR", "vbr quality", 5);
        const int sampleRate = r.Lookup(kSampleRateTable, "mp3", "frequency", 7);

        enc.SetWriteVbrHeader(vbrHeader);
        enc.SetEnforceMinBitrate(enforceMin);
        enc.SetCrc(crc);
        enc.SetAllowDiffBlockTypes(allow);
        enc.SetBitReservoir(reservoir);
        enc.SetShortBlocks(shortBlocks);
        enc.SetStrictIso(strictIso);
        enc.SetHighpassFrequency(highpass);
        enc.SetLowpassFrequency(lowpass);
        enc.SetVbrMethod(vbrMethod);
        enc.SetAthMode(ath);
        // "Mono" (0) is a channel count for the encoder, not a channel mode.
        if (channel != 0) {
            enc.SetChannelMode(channel);
        } else {
            enc.SetOutputChannels(1);
        }
        enc.SetDeemphasis(deemphasis);
        enc.SetQuality(quality);
        enc.SetBitrate(bitrate);
        enc.SetVbrBitrate(vbrBitrate);
        enc.SetHighpassWidth(highpassWidth);
        enc.SetLowpassWidth(lowpassWidth);
        enc.SetVbrQuality(vbrQuality);
        enc.SetSampleRate(sampleRate);
    }
    // The settings object keeps what it was sent for the whole run, so a command line the user
    // has since emptied must be cleared there too, or its switches would still apply.
    if (!commandLine.isEmpty() || !enc.Options().commandLine.isEmpty()) {
        enc.SetCommandLine(commandLine);
    }
    c.writer.SetMp3Encoder(enc);
}

void ConfigureWavOutput(const FormatConfigure& c) {
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
            rate = r.Lookup(kSampleRateTable, "wav", "frequency", 7);
            channels = Shifted(r.Number("wav", "channel", 1), 1);
            bits = r.Lookup(kWaveBitsTable, "wav", "bit", 1);
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

void ConfigureOggOutput(const FormatConfigure& c) {
    const SettingsReader& r = c.settings;
    IAudioFile2& writer = c.writer;
    const bool vbr = r.Flag("ogg", "oggvbr", false);
    const bool useQuality = r.Flag("ogg", "oggquality", false);
    const int rate = r.Lookup(kSampleRateTable, "ogg", "frequency", 7);
    const int channels = Shifted(r.Number("ogg", "channel", 1), 1);
    // Only the bit-rate calls use the bit-rate keys, so only they may refuse them.
    const int kbps = (vbr || !useQuality) ? r.Lookup(kBitrateTable, "ogg", "bitrate", 9) : 0;
    const int minKbps = r.Number("ogg", "min bitrate", 9);
    const int maxKbps = r.Number("ogg", "max bitrate", 9);
    const int quality = r.Number("ogg", "quality", 300);
    // The quality travels as a 16-bit number; a larger one would arrive as some other value.
    constexpr int kLow = std::numeric_limits<std::int16_t>::min();
    constexpr int kHigh = std::numeric_limits<std::int16_t>::max();
    if (useQuality && (quality < kLow || quality > kHigh)) {
        throw r.OutOfRange("ogg", "quality", quality, kLow, kHigh);
    }

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

void ConfigureWmaOutput(const FormatConfigure& c) {
    c.writer.SetWmaFormat(Shifted(c.settings.Number("wma", "format", 9), 1));
}

void ConfigureVoxOutput(const FormatConfigure& c) {
    c.writer.SetVoxFormat(c.settings.Lookup(kSampleRateTable, "VOX", "VOX", 7));
}

ConfigureError SettingsReader::OutOfRange(const char* section, const char* key, long long value,
                                          int low, int high) const {
    const QString s = QLatin1String(section);
    bool inDialog = s.startsWith(QLatin1String("mp3"), Qt::CaseInsensitive);
    for (const OutputFormat& format : OutputFormats()) {
        inDialog = inDialog || (format.hasPage && s == QLatin1String(format.section));
    }
    const QString remedy = inDialog ? QStringLiteral("pick a value in Settings")
                                    : QStringLiteral("correct it in %1").arg(file_.FileName());
    return ConfigureError(QStringLiteral("[%1] %2 = %3 is outside %4..%5; %6")
                              .arg(s, QLatin1String(key))
                              .arg(value)
                              .arg(low)
                              .arg(high)
                              .arg(remedy));
}

void ConfigureWriter(int format, const SettingsFile& settings, const QString& commandLine,
                     IAudioFile2LameEnc& encoder, IAudioFile2& writer) {
    const OutputFormat* row = FindOutputFormat(format);
    if (row == nullptr) {
        return;
    }
    const SettingsReader reader(settings);
    row->configure(FormatConfigure{reader, commandLine, encoder, writer});
}
