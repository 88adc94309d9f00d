#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <limits>

// What the check of one written output found: the receipt kept with the row's result.
struct OutputReceipt {
    bool checked = false;         // false: the check was off, or the row wrote nothing
    std::int64_t samplesIn = 0;   // frames the row's work gave the writer (per channel)
    std::int64_t samplesOut = 0;  // frames decoded from the output (per channel)
    int rateIn = 0;               // Hz of the frames given
    int rateOut = 0;              // Hz of the output
    // Why the count is a bound rather than exact (resampled, VOX's two samples a byte); empty:
    // the count must be exact.
    QString bound;
    // PCM MD5 of what the writer was given and of the output decoded, at the output's depth
    // (lossless outputs that keep rate, channels, depth and level, and copies); else empty. What
    // was given is printed, not hashed: its MD5 is the output's when their prints agree, and
    // empty when they do not.
    QString md5In;
    QString md5Out;
    QStringList tagsWritten;    // the tag fields the output was given
    QStringList tagsNotPlaced;  // those its format has no place for
    // After normalisation: the output's sample peak (linear, 1 = full scale), and in the
    // loudness mode its integrated loudness; NaN where not measured.
    double peak = std::numeric_limits<double>::quiet_NaN();
    double loudness = std::numeric_limits<double>::quiet_NaN();
    QString failure;  // "Check failed: ..." for a wrong output; empty when it passed
    int chunks = 1;   // the parts it was encoded in on several jobs and joined from
};

// The receipt as one JSON object (samples, MD5s, tags, level, whether it passed); "null" when
// nothing was checked.
QString ReceiptJson(const OutputReceipt& receipt);
