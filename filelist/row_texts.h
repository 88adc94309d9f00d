#pragma once

#include <QString>
#include <cstdint>

// The text formats of a list row's sub-items.

// hours:minutes:seconds, each at least two digits (hours may take more); the milliseconds are
// dropped. A negative duration reads as 00:00:00.
QString FormatTime(std::int32_t ms);

// The size in mebibytes, rounded to at most five significant digits, written with exactly two
// decimals after decimalPoint and followed by "MB": 3.46MB, 1500.10MB, 12346.00MB.
QString SizeText(std::int64_t bytes, const QString& decimalPoint);

// " Mono " for one channel, else " Stereo " (the blanks are part of the texts).
QString ChannelsText(int channels);

// The sample rate followed by " Hz".
QString FrequencyText(int sampleRate);
