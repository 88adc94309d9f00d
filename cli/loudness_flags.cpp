#include "cli/loudness_flags.h"

#include <cmath>

bool TakeLoudnessFlag(const QStringList& args, int& i, LoudnessFlags& flags, QString& error) {
    const QString& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == QLatin1String("--loudness")) {
        bool ok = false;
        flags.lufs = hasValue ? args[i + 1].toInt(&ok) : 0;
        if (!ok || flags.lufs < kLowestLufs || flags.lufs > kHighestLufs) {
            error = QStringLiteral("--loudness needs a target in LUFS from %1 to %2, e.g. -16")
                        .arg(kLowestLufs)
                        .arg(kHighestLufs);
        }
        flags.loudness = true;
        i += hasValue ? 1 : 0;
    } else if (a == QLatin1String("--true-peak")) {
        bool ok = false;
        flags.truePeak = hasValue ? args[i + 1].toDouble(&ok) : 0.0;
        if (!ok || !std::isfinite(flags.truePeak) || flags.truePeak < kLowestCeiling ||
            flags.truePeak > kHighestCeiling) {
            error = QStringLiteral("--true-peak needs a ceiling in dBTP from %1 to %2, e.g. -1")
                        .arg(kLowestCeiling)
                        .arg(kHighestCeiling);
        }
        flags.truePeakGiven = true;
        i += hasValue ? 1 : 0;
    } else if (a == QLatin1String("--album")) {
        flags.album = true;
    } else if (a == QLatin1String("--replaygain")) {
        flags.replayGain = true;
    } else {
        return false;
    }
    return true;
}

QString ApplyLoudnessFlags(const LoudnessFlags& flags, bool normalize, LoudnessSettings& settings) {
    if ((flags.loudness || flags.truePeakGiven) && !normalize) {
        return QStringLiteral("--loudness and --true-peak go with --normalize");
    }
    if (flags.truePeakGiven && !flags.loudness) {
        return QStringLiteral("--true-peak goes with --loudness");
    }
    if (flags.replayGain && normalize) {
        return QStringLiteral("--replaygain tags a conversion; leave out --normalize");
    }
    if (flags.album && !flags.loudness && !flags.replayGain) {
        return QStringLiteral("--album goes with --loudness or --replaygain");
    }
    if (flags.loudness) {
        settings.loudness = true;
        settings.lufs = flags.lufs;
        if (flags.truePeakGiven) {
            settings.truePeak = flags.truePeak;
        }
        settings.album = flags.album;
    }
    if (flags.replayGain) {
        settings.replayGain = true;
        settings.album = flags.album;
    }
    return {};
}
