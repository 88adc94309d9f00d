#include "formats/configure_writer.h"

#include <QStringList>
#include <algorithm>

#include "formats/output_formats.h"
#include "formats/settings_reader.h"
#include "settings/settings_file.h"

ConfigureError SettingsReader::OutOfRange(const char* section, const char* key, long long value,
                                          int low, int high) const {
    const QString s = QLatin1String(section);
    bool inDialog = s.startsWith(QLatin1String("mp3"), Qt::CaseInsensitive);
    for (const OutputFormat* format : OutputFormats()) {
        inDialog = inDialog ||
                   (format->page != FormatPageKind::None && s == QLatin1String(format->section));
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

ConfigureError SettingsReader::NotOneOf(const char* section, const char* key, long long value,
                                        std::span<const int> values) const {
    QStringList allowed;
    for (const int v : values) {
        allowed << QString::number(v);
    }
    return ConfigureError(QStringLiteral("[%1] %2 = %3 is not one of %4; pick a value in Settings")
                              .arg(QLatin1String(section), QLatin1String(key))
                              .arg(value)
                              .arg(allowed.join(QStringLiteral(", "))));
}

int SettingsReader::Value(const FormatKey& k) const {
    switch (k.kind) {
        case FormatKey::Kind::Flag:
            return Flag(k.section, k.key, k.fallback != 0) ? 1 : 0;
        case FormatKey::Kind::Number:
            return Bounded(k.section, k.key, k.fallback, k.low, k.high);
        case FormatKey::Kind::Choice: {
            const int value = Number(k.section, k.key, k.fallback);
            if (std::find(k.values.begin(), k.values.end(), value) == k.values.end()) {
                throw NotOneOf(k.section, k.key, value, k.values);
            }
            return value;
        }
        case FormatKey::Kind::Position: {
            const int position = Bounded(k.section, k.key, k.fallback, k.low, k.high);
            return k.values.empty() ? position : k.values[static_cast<std::size_t>(position)];
        }
    }
    return k.fallback;
}

bool SettingsReader::HoldsAny(std::span<const FormatKey> keys) const {
    // A sentinel no stored text can be: the profile layer never returns a lone control character
    // for a key that is present.
    const QString absent = QStringLiteral("\x01");
    for (const FormatKey& k : keys) {
        if (file_.ReadText(QLatin1String(k.section), QLatin1String(k.key), absent) != absent) {
            return true;
        }
    }
    return false;
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
