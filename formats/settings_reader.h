#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <limits>
#include <span>

#include "formats/configure_writer.h"
#include "formats/format_key.h"
#include "settings/settings_file.h"

// Reads encoder keys for ConfigureWriter. Every value is read and checked before the first call
// goes out, so an unusable setting leaves the encoder and the writer exactly as they were.
class SettingsReader {
  public:
    explicit SettingsReader(const SettingsFile& file) : file_(file) {}

    int Number(const char* section, const char* key, int defaultNumber) const {
        return file_.ReadNumber(QLatin1String(section), QLatin1String(key), defaultNumber);
    }
    bool Flag(const char* section, const char* key, bool defaultFlag) const {
        return file_.ReadFlag(QLatin1String(section), QLatin1String(key), defaultFlag);
    }
    // A number that must lie within low..high.
    int Bounded(const char* section, const char* key, int defaultNumber, int low, int high) const {
        const int value = Number(section, key, defaultNumber);
        if (value < low || value > high) {
            throw OutOfRange(section, key, value, low, high);
        }
        return value;
    }
    // The table entry at the stored position.
    template <std::size_t N>
    int Lookup(const std::array<int, N>& table, const char* section, const char* key,
               int defaultIndex) const {
        const int index = Number(section, key, defaultIndex);
        if (index < 0 || index >= static_cast<int>(N)) {
            throw OutOfRange(section, key, index, 0, static_cast<int>(N) - 1);
        }
        return table[static_cast<std::size_t>(index)];
    }

    // A unit's key, checked against its range: a number or flag as stored, a Choice's value, a
    // Position's entry of `values` (or the position itself when the key has no values).
    int Value(const FormatKey& key) const;
    // Whether the file holds any of these keys.
    bool HoldsAny(std::span<const FormatKey> keys) const;

    // Names the key, its value and the valid range, and where to mend it: the settings dialog
    // for the keys it has a page for, the file for the others.
    ConfigureError OutOfRange(const char* section, const char* key, long long value, int low,
                              int high) const;
    // The same for a value that must be one of a list.
    ConfigureError NotOneOf(const char* section, const char* key, long long value,
                            std::span<const int> values) const;

  private:
    const SettingsFile& file_;
};

// Stored positions become the numbers the components count from (a list position + 1, a coding
// method − 1). A hand-edited extreme must not overflow on the way; the component then refuses it.
inline int Shifted(int value, int by) {
    const long long v = static_cast<long long>(value) + by;
    if (v > std::numeric_limits<int>::max()) {
        return std::numeric_limits<int>::max();
    }
    if (v < std::numeric_limits<int>::min()) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(v);
}

// What a format's configure function works with.
struct FormatConfigure {
    const SettingsReader& settings;
    const QString& commandLine;  // the settings dialog's LAME command line (MP3 only)
    IAudioFile2LameEnc& encoder;
    IAudioFile2& writer;
};
