#include "tags/r128_gain.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kReferenceShiftDb = -5.0;  // -23 LUFS against ReplayGain's -18
}  // namespace

QString R128FromReplayGain(const QString& replayGain) {
    static const QRegularExpression kGain(
        QStringLiteral(R"(^\s*([+-]?(?:\d+(?:\.\d*)?|\.\d+))\s*(?:dB)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = kGain.match(replayGain);
    if (!match.hasMatch()) {
        return {};
    }
    bool ok = false;
    const double given = match.captured(1).toDouble(&ok);
    if (!ok) {
        return {};  // too many digits for a double
    }
    const double db = given + kReferenceShiftDb;
    const long q = std::lround(std::clamp(db * 256.0, -32768.0, 32767.0));
    return QString::number(q);
}

QString ReplayGainFromR128(const QString& r128) {
    bool ok = false;
    const int q = r128.trimmed().toInt(&ok);
    if (!ok || q < -32768 || q > 32767) {
        return {};
    }
    return QStringLiteral("%1 dB").arg(q / 256.0 - kReferenceShiftDb, 0, 'f', 2);
}
