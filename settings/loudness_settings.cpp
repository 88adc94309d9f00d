#include "settings/loudness_settings.h"

#include <QString>
#include <cmath>

#include "settings/settings_file.h"

namespace {
const QString kNor = QStringLiteral("Nor");
}  // namespace

const QList<int>& LoudnessTargets() {
    static const QList<int> targets{-14, -16, -18, -23};
    return targets;
}

LoudnessSettings ReadLoudnessSettings(const SettingsFile& file) {
    LoudnessSettings s;
    s.loudness = file.ReadNumber(kNor, QStringLiteral("mode"), 0) == 1;
    const int lufs = file.ReadNumber(kNor, QStringLiteral("lufs"), s.lufs);
    if (lufs >= kLowestLufs && lufs <= kHighestLufs) {
        s.lufs = lufs;
    }
    // Stored with a point whatever the user's locale, so the file means the same everywhere.
    bool ok = false;
    const double ceiling =
        file.ReadText(kNor, QStringLiteral("truepeak"), QString()).trimmed().toDouble(&ok);
    if (ok && std::isfinite(ceiling) && ceiling >= kLowestCeiling && ceiling <= kHighestCeiling) {
        s.truePeak = ceiling;
    }
    s.album = file.ReadFlag(kNor, QStringLiteral("album"), false);
    s.replayGain = file.ReadFlag(kNor, QStringLiteral("replaygain"), false);
    return s;
}

void WriteLoudnessSettings(SettingsFile& file, const LoudnessSettings& s) {
    file.WriteNumber(kNor, QStringLiteral("mode"), s.loudness ? 1 : 0);
    file.WriteNumber(kNor, QStringLiteral("lufs"), s.lufs);
    file.WriteText(kNor, QStringLiteral("truepeak"), QString::number(s.truePeak, 'g', 4));
    file.WriteFlag(kNor, QStringLiteral("album"), s.album);
    file.WriteFlag(kNor, QStringLiteral("replaygain"), s.replayGain);
}
