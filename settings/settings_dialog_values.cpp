#include "settings/settings_dialog_values.h"

#include <iterator>

#include "settings/settings_file.h"

namespace {

// One key: its section and name and the field that holds it.
template <typename T>
struct Key {
    const char* section;
    const char* name;
    T SettingsDialogValues::*field;
};

using FlagKey = Key<bool>;
using NumberKey = Key<std::int32_t>;
using V = SettingsDialogValues;

// The write order of the dialog's Ok, which the file keeps as its layout.
struct AnyKey {
    const FlagKey* flag;
    const NumberKey* number;
};

constexpr FlagKey kVolen{"Nor", "volen", &V::normalizeEnabled};
constexpr NumberKey kBitrate{"mp3", "bitrate", &V::mp3Bitrate};
constexpr NumberKey kChannel{"mp3", "channel", &V::mp3Channel};
constexpr NumberKey kFrequency{"mp3", "frequency", &V::mp3Frequency};
constexpr NumberKey kQuality{"mp3", "quality", &V::mp3Quality};
constexpr NumberKey kCodingMethod{"MP3VBR", "Coding Method", &V::codingMethod};
constexpr NumberKey kVbrBitrate{"MP3VBR", "vbr bitrate", &V::vbrBitrate};
constexpr NumberKey kVbrQuality{"MP3VBR", "vbr quality", &V::vbrQuality};
constexpr FlagKey kVbrck{"MP3VBR", "vbrck", &V::vbrHeader};
constexpr FlagKey kSemb{"MP3VBR", "semb", &V::enforceMinBitrate};
constexpr FlagKey kChHFilt{"MP3Filt", "chHFilt", &V::highpass};
constexpr FlagKey kChLFilt{"MP3Filt", "chLFilt", &V::lowpass};
constexpr NumberKey kHFiltF{"MP3Filt", "udHFiltF", &V::highpassFrequency};
constexpr NumberKey kHFiltW{"MP3Filt", "udHFiltW", &V::highpassWidth};
constexpr NumberKey kLFiltF{"MP3Filt", "udLFiltF", &V::lowpassFrequency};
constexpr NumberKey kLFiltW{"MP3Filt", "udLFiltW", &V::lowpassWidth};
constexpr FlagKey kBit{"MP3Expert", "Bit", &V::bitReservoir};
constexpr FlagKey kShort{"MP3Expert", "short", &V::shortBlocks};
constexpr FlagKey kAllow{"MP3Expert", "allow", &V::allowDiffBlockTypes};
constexpr FlagKey kComply{"MP3Expert", "comply", &V::strictIso};
constexpr FlagKey kCrc{"MP3Expert", "crc", &V::crc};
constexpr NumberKey kAth{"MP3Expert", "ath", &V::ath};
constexpr NumberKey kDe{"MP3Expert", "de", &V::deemphasis};
constexpr FlagKey kPreset{"MP3Prest", "preset", &V::preset};
constexpr FlagKey kAlt{"MP3Prest", "alt", &V::altPreset};
constexpr NumberKey kRgPrest{"MP3Prest", "rg_prest", &V::presetIndex};
constexpr NumberKey kRgAlt{"MP3Prest", "rg_alt", &V::altPresetIndex};
constexpr NumberKey kWavMode{"wav", "mode", &V::wavMode};
constexpr NumberKey kWavBit{"wav", "bit", &V::wavBit};
constexpr NumberKey kWavChannel{"wav", "channel", &V::wavChannel};
constexpr NumberKey kWavFrequency{"wav", "frequency", &V::wavFrequency};

constexpr AnyKey kWriteOrder[] = {
    {&kVolen, nullptr},        {nullptr, &kBitrate},    {nullptr, &kChannel},
    {nullptr, &kFrequency},    {nullptr, &kQuality},    {nullptr, &kCodingMethod},
    {nullptr, &kVbrBitrate},   {nullptr, &kVbrQuality}, {&kVbrck, nullptr},
    {&kSemb, nullptr},         {&kChHFilt, nullptr},    {&kChLFilt, nullptr},
    {nullptr, &kHFiltF},       {nullptr, &kHFiltW},     {nullptr, &kLFiltF},
    {nullptr, &kLFiltW},       {&kBit, nullptr},        {&kShort, nullptr},
    {&kAllow, nullptr},        {&kComply, nullptr},     {&kCrc, nullptr},
    {nullptr, &kAth},          {nullptr, &kDe},         {&kPreset, nullptr},
    {&kAlt, nullptr},          {nullptr, &kRgPrest},    {nullptr, &kRgAlt},
    {nullptr, &kWavMode},      {nullptr, &kWavBit},     {nullptr, &kWavChannel},
    {nullptr, &kWavFrequency},
};
static_assert(std::size(kWriteOrder) == 31);

// Where each page's keys begin in the write order; the pages follow one another.
constexpr std::size_t kPageStarts[] = {0, 1, 5, 10, 16, 23, 27, std::size(kWriteOrder)};

void WriteKeys(SettingsFile& file, const SettingsDialogValues& values, std::size_t from,
               std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        const AnyKey& k = kWriteOrder[i];
        if (k.flag) {
            file.WriteFlag(QLatin1String(k.flag->section), QLatin1String(k.flag->name),
                           values.*(k.flag->field));
        } else {
            file.WriteNumber(QLatin1String(k.number->section), QLatin1String(k.number->name),
                             values.*(k.number->field));
        }
    }
}

}  // namespace

SettingsDialogValues ReadSettingsDialogValues(const SettingsFile& file) {
    SettingsDialogValues v;
    const SettingsDialogValues defaults;
    for (const AnyKey& k : kWriteOrder) {
        if (k.flag) {
            v.*(k.flag->field) =
                file.ReadFlag(QLatin1String(k.flag->section), QLatin1String(k.flag->name),
                              defaults.*(k.flag->field));
        } else {
            v.*(k.number->field) =
                file.ReadNumber(QLatin1String(k.number->section), QLatin1String(k.number->name),
                                defaults.*(k.number->field));
        }
    }
    return v;
}

SettingsDialogValues FactorySettingsDialogValues() {
    SettingsDialogValues v;
    v.mp3Quality = 5;
    v.vbrQuality = 5;
    v.wavFrequency = 8;
    return v;
}

void WriteSettingsDialogValues(SettingsFile& file, const SettingsDialogValues& values,
                               SettingsDialogKeys page) {
    const auto i = static_cast<std::size_t>(page);
    WriteKeys(file, values, kPageStarts[i], kPageStarts[i + 1]);
}
