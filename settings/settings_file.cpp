#include "settings/settings_file.h"

#include <limits>
#include <utility>

#include "outside/profile/profile.h"

namespace {

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

}  // namespace

std::optional<std::int32_t> ParseSettingsNumber(const QString& input) {
    QString text = input;
    if (text.size() > 2 &&
        (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        text.replace(0, 2, QStringLiteral("$"));
    }
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' ')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == QLatin1Char('$') || text[i] == QLatin1Char('x') ||
                            text[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    }
    if (i >= text.size()) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit =
            hex ? HexDigit(text[i])
                : (text[i].isDigit() && text[i].unicode() < 128 ? text[i].unicode() - u'0' : -1);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
        if (magnitude > 0xFFFFFFFFull) {
            return std::nullopt;
        }
    }
    if (hex) {
        // Eight hex digits are a 32-bit pattern: $FFFFFFFF is -1.
        const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(bits)) : bits;
    }
    if (negative) {
        if (magnitude > 2147483648ull) {
            return std::nullopt;
        }
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    }
    if (magnitude > 2147483647ull) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(magnitude);
}

SettingsFile::SettingsFile(QString fileName) : fileName_(std::move(fileName)) {}

SettingsFile::~SettingsFile() {
    Flush();
}

QString SettingsFile::ReadProblem() const {
    const QString problem = profile::ReadProblem(fileName_);
    if (problem.isEmpty()) {
        return {};
    }
    return QStringLiteral("Cannot read the settings file %1: %2. The default settings are used.")
        .arg(profile::ResolvePath(fileName_), problem);
}

namespace {

QString RunKey(const QString& section, const QString& key) {
    return section.toLower() + QLatin1Char('\n') + key.toLower();
}

}  // namespace

void SettingsFile::SetRunValue(const QString& section, const QString& key, const QString& value) {
    runValues_.insert(RunKey(section, key), value);
}

const QString* SettingsFile::RunValue(const QString& section, const QString& key) const {
    if (runValues_.isEmpty()) {
        return nullptr;
    }
    const auto found = runValues_.constFind(RunKey(section, key));
    return found == runValues_.constEnd() ? nullptr : &found.value();
}

QString SettingsFile::ReadText(const QString& section, const QString& key,
                               const QString& defaultText) const {
    if (const QString* value = RunValue(section, key)) {
        return *value;
    }
    return profile::GetPrivateProfileString(section, key, defaultText, fileName_, 2048);
}

QString SettingsFile::ReadWholeText(const QString& section, const QString& key,
                                    const QString& defaultText) const {
    if (const QString* value = RunValue(section, key)) {
        return *value;
    }
    return profile::GetPrivateProfileString(section, key, defaultText, fileName_,
                                            std::numeric_limits<int>::max());
}

std::int32_t SettingsFile::ReadNumber(const QString& section, const QString& key,
                                      std::int32_t defaultNumber) const {
    return ParseSettingsNumber(ReadText(section, key, QStringLiteral(""))).value_or(defaultNumber);
}

bool SettingsFile::ReadFlag(const QString& section, const QString& key, bool defaultFlag) const {
    return ReadNumber(section, key, defaultFlag ? 1 : 0) != 0;
}

void SettingsFile::WriteText(const QString& section, const QString& key, const QString& text) {
    // A null text would delete the key; an empty one stores an empty value.
    const QString value = text.isNull() ? QStringLiteral("") : text;
    if (!profile::WritePrivateProfileString(section, key, value, fileName_)) {
        throw SettingsWriteError(QStringLiteral("Unable to write to %1").arg(fileName_));
    }
}

void SettingsFile::WriteNumber(const QString& section, const QString& key, std::int32_t number) {
    WriteText(section, key, QString::number(number));
}

void SettingsFile::WriteFlag(const QString& section, const QString& key, bool flag) {
    WriteText(section, key, flag ? QStringLiteral("1") : QStringLiteral("0"));
}

void SettingsFile::Flush() {
    profile::WritePrivateProfileString(QString(), QString(), QString(), fileName_);
}
