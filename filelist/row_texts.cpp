#include "filelist/row_texts.h"

namespace {

QString TwoDigits(std::int64_t value) {
    return QString::number(value).rightJustified(2, QLatin1Char('0'));
}

// Integer division rounded half up; both operands positive.
std::int64_t DivRound(std::int64_t numerator, std::int64_t denominator) {
    return (numerator + denominator / 2) / denominator;
}

int IntegerDigits(std::int64_t value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

}  // namespace

QString FormatTime(std::int32_t ms) {
    const std::int64_t s = ms < 0 ? 0 : ms / 1000;
    const std::int64_t hours = s / 3600;
    const std::int64_t minutes = (s - hours * 3600) / 60;
    const std::int64_t seconds = s % 60;
    return TwoDigits(hours) + QLatin1Char(':') + TwoDigits(minutes) + QLatin1Char(':') +
           TwoDigits(seconds);
}

QString SizeText(std::int64_t bytes, const QString& decimalPoint) {
    // Exact integer arithmetic on bytes / 2^20: a mebibyte count is a binary fraction, and
    // rounding it through a double can land a hundredth off at the halves.
    constexpr std::int64_t kMiB = 1024 * 1024;
    if (bytes < 0) {
        bytes = 0;
    }
    const int digits = IntegerDigits(bytes / kMiB);
    std::int64_t hundredths = 0;
    if (digits <= 3) {
        // Five significant digits leave at least two decimals: round to hundredths.
        hundredths = DivRound(bytes * 100, kMiB);
    } else {
        // Round to 10^(digits - 5) mebibytes, then express in hundredths.
        std::int64_t unit = 1;  // in tenths of a mebibyte, so that four digits keep one decimal
        for (int i = 4; i < digits; ++i) {
            unit *= 10;
        }
        const std::int64_t tenths = DivRound(bytes * 10, unit * kMiB) * unit;
        hundredths = tenths * 10;
    }
    return QString::number(hundredths / 100) + decimalPoint + TwoDigits(hundredths % 100) +
           QStringLiteral("MB");
}

QString ChannelsText(int channels) {
    return channels == 1 ? QStringLiteral(" Mono ") : QStringLiteral(" Stereo ");
}

QString FrequencyText(int sampleRate) {
    return QString::number(sampleRate) + QStringLiteral(" Hz");
}
