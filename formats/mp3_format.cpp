// MP3 through LAME: the dialog's own pages and keys, every LAME option reachable.
#include "components/audio_file.h"
#include "components/lame_encoder_settings.h"
#include "formats/encoder_tables.h"
#include "formats/output_formats.h"
#include "formats/output_split.h"
#include "formats/settings_reader.h"

namespace {

constexpr FormatKey kKeys[] = {
    PositionKey("mp3", "bitrate", 9, kBitrateTable, "bitrate"),
    {"mp3", "quality", FormatKey::Kind::Number, 5, 0, 9, "quality"},
    PositionKey("mp3", "frequency", 7, kSampleRateTable, "rate"),
};

void Configure(const FormatConfigure& c) {
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
        const int quality = r.Value(kKeys[1]);
        const int bitrate = r.Value(kKeys[0]);
        const int vbrBitrate = r.Lookup(kVbrBitrateList, "MP3VBR", "vbr bitrate", 9);
        const int highpassWidth = r.Number("MP3Filt", "udHFiltW", 5);
        const int lowpassWidth = r.Number("MP3Filt", "udLFiltW", 750);
        const int vbrQuality = r.Number("MP3VBR", "vbr quality", 5);
        const int sampleRate = r.Value(kKeys[2]);

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

}  // namespace

extern const OutputFormat kMp3Format = {
    0,     "MP3", "mp3", ".mp3",     false,   true, TagKind::Id3v2, "mp3", FormatPageKind::Custom,
    kKeys, {},    "mp3", &Configure, nullptr, 0,    &Mp3Split};
