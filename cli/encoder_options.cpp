#include "cli/encoder_options.h"

#include <algorithm>
#include <cmath>

#include "formats/output_formats.h"
#include "formats/settings_reader.h"
#include "settings/settings_file.h"

namespace {

// The options convert offers, with what each sets; a format has those of its keys that name one.
const struct {
    const char* name;
    const char* value;
    const char* help;
} kOptions[] = {
    {"bitrate", "KBPS", "bit rate"},
    {"quality", "Q", "encoder quality"},
    {"level", "N", "compression level"},
    {"vbr", "0|1", "variable bit rate"},
    {"rate", "HZ", "sample rate"},
    {"bits", "N", "bit depth"},
    {"dither", "0|1", "dither a lower depth"},
};

bool IsEncoderOption(QStringView name) {
    return std::any_of(std::begin(kOptions), std::end(kOptions),
                       [&](const auto& o) { return name == QLatin1String(o.name); });
}

QString OptionsOf(const OutputFormat& format) {
    QStringList names;
    for (const FormatKey& key : format.keys) {
        if (key.option != nullptr) {
            names << QStringLiteral("--") + QLatin1String(key.option);
        }
    }
    return names.join(QStringLiteral(", "));
}

// The stored value a command-line value means: a number times the key's scale, a Position's
// place in its list. Sets `error` (the settings file's own message) when the key cannot hold it.
int StoredValue(const FormatKey& key, const QString& text, const SettingsReader& reader,
                QString& error) {
    bool ok = false;
    const double given = text.toDouble(&ok);
    const double stored = given * key.scale;
    if (!ok || !std::isfinite(stored) || stored != std::round(stored) || std::fabs(stored) > 1e9) {
        error =
            QStringLiteral("--%1 needs a number, not '%2'").arg(QLatin1String(key.option), text);
        return 0;
    }
    const int value = static_cast<int>(stored);
    switch (key.kind) {
        case FormatKey::Kind::Position: {
            const auto at = std::find(key.values.begin(), key.values.end(), value);
            if (at == key.values.end()) {
                error = reader.NotOneOf(key.section, key.key, value, key.values).Message();
                return 0;
            }
            return static_cast<int>(at - key.values.begin());
        }
        case FormatKey::Kind::Choice:
            if (std::find(key.values.begin(), key.values.end(), value) == key.values.end()) {
                error = reader.NotOneOf(key.section, key.key, value, key.values).Message();
            }
            return value;
        case FormatKey::Kind::Number:
        case FormatKey::Kind::Flag:
            if (value < key.low || value > key.high) {
                // In the units the user typed: a quality kept in hundredths is given whole.
                const bool whole = key.scale > 1 && key.low % key.scale == 0 &&
                                   key.high % key.scale == 0 && value % key.scale == 0;
                error = whole ? reader
                                    .OutOfRange(key.section, key.key, value / key.scale,
                                                key.low / key.scale, key.high / key.scale)
                                    .Message()
                              : reader.OutOfRange(key.section, key.key, value, key.low, key.high)
                                    .Message();
            }
            return value;
    }
    return value;
}

}  // namespace

bool TakeEncoderOption(const QStringList& args, int& i, EncoderOptions& options, QString& error) {
    const QString& a = args[i];
    if (!a.startsWith(QLatin1String("--")) || !IsEncoderOption(QStringView(a).mid(2))) {
        return false;
    }
    if (i + 1 >= args.size()) {
        error = QStringLiteral("%1 needs a value").arg(a);
        return true;
    }
    options.given.emplace_back(a.mid(2), args[++i]);
    return true;
}

QString ApplyEncoderOptions(const EncoderOptions& options, const OutputFormat& format,
                            SettingsFile& file) {
    const SettingsReader reader(file);
    for (const auto& [name, text] : options.given) {
        const FormatKey* key = FindOptionKey(format, name);
        if (key == nullptr) {
            const QString has = OptionsOf(format);
            return QStringLiteral("the %1 format has no --%2; %3")
                .arg(QLatin1String(format.shown), name,
                     has.isEmpty() ? QStringLiteral("it takes no encoder options")
                                   : QStringLiteral("its options are ") + has);
        }
        QString error;
        const int stored = StoredValue(*key, text, reader, error);
        if (!error.isEmpty()) {
            return error;
        }
        const QString section = QLatin1String(key->section);
        file.SetRunValue(section, QLatin1String(key->key), QString::number(stored));
        // An option that only means something in one mode picks that mode too.
        const QString also = QLatin1String(key->alsoSets ? key->alsoSets : "");
        for (const QString& pair : also.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            file.SetRunValue(section, pair.section(QLatin1Char('='), 0, 0),
                             pair.section(QLatin1Char('='), 1));
        }
    }
    return {};
}

QString EncoderOptionsHelp() {
    QString text;
    for (const auto& option : kOptions) {
        QStringList formats;
        for (const OutputFormat* format : OutputFormats()) {
            if (format->offered && FindOptionKey(*format, QString::fromLatin1(option.name))) {
                formats << QLatin1String(format->cliName);
            }
        }
        const QString left = QStringLiteral("  --%1 %2")
                                 .arg(QLatin1String(option.name), QLatin1String(option.value));
        text += left.leftJustified(23) + QLatin1String(option.help) + QStringLiteral(": ") +
                formats.join(QStringLiteral(", ")) + QLatin1Char('\n');
    }
    return text;
}
