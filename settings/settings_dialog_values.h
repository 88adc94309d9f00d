#pragma once

#include <cstdint>

class SettingsFile;

// The 31 settings-file keys the settings dialog edits, as stored: list choices are item indices,
// not the values they name. The member defaults are what the dialog shows for a missing key.
struct SettingsDialogValues {
    bool normalizeEnabled = false;  // [Nor] volen

    std::int32_t mp3Bitrate = 9;  // [mp3]
    std::int32_t mp3Channel = 1;
    std::int32_t mp3Frequency = 7;
    std::int32_t mp3Quality = 4;

    std::int32_t codingMethod = 0;  // [MP3VBR]
    std::int32_t vbrBitrate = 9;
    std::int32_t vbrQuality = 4;
    bool vbrHeader = true;
    bool enforceMinBitrate = false;

    bool highpass = false;  // [MP3Filt]
    bool lowpass = false;
    std::int32_t highpassFrequency = 30;
    std::int32_t highpassWidth = 5;
    std::int32_t lowpassFrequency = 15160;
    std::int32_t lowpassWidth = 750;

    bool bitReservoir = true;  // [MP3Expert]
    bool shortBlocks = true;
    bool allowDiffBlockTypes = false;
    bool strictIso = false;
    bool crc = false;
    std::int32_t ath = 0;
    std::int32_t deemphasis = 0;

    bool preset = false;  // [MP3Prest]
    bool altPreset = false;
    std::int32_t presetIndex = 0;
    std::int32_t altPresetIndex = 0;

    std::int32_t wavMode = 0;  // [wav]
    std::int32_t wavBit = 1;
    std::int32_t wavChannel = 1;
    std::int32_t wavFrequency = 7;

    friend bool operator==(const SettingsDialogValues&, const SettingsDialogValues&) = default;
};

// What the dialog loads when shown: every key with its default for a missing key.
SettingsDialogValues ReadSettingsDialogValues(const SettingsFile& file);

// What the dialog's Default button puts into the controls. Three values differ from the
// missing-key defaults: both qualities 5 and the WAV sample rate 48000 Hz.
SettingsDialogValues FactorySettingsDialogValues();

// The pages that hold these keys, in the order Ok writes them (each page's keys in a fixed order).
enum class SettingsDialogKeys { General, Mp3General, Vbr, Filter, Expert, Presets, Wav };

// One page's keys, changed or not. Throws SettingsWriteError at the first refused write; the later
// keys are then not written.
void WriteSettingsDialogValues(SettingsFile& file, const SettingsDialogValues& values,
                               SettingsDialogKeys page);
