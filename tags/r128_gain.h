#pragma once

#include <QString>

// Opus keeps its gains as R128_TRACK_GAIN / R128_ALBUM_GAIN: a Q7.8 integer in 1/256 dB, relative
// to the stream header's output gain, towards a reference of -23 LUFS. ReplayGain's reference is
// -18 LUFS, so an R128 gain is the ReplayGain gain less 5 dB.

// The R128 text ("-1664") for a ReplayGain gain text ("-1.50 dB", "+2.3", "-6.5dB"); empty when
// the text is no gain. Clamped to what 16 bits hold.
QString R128FromReplayGain(const QString& replayGain);

// The ReplayGain text ("-1.50 dB") for an R128 text; empty when the text is no Q7.8 integer.
QString ReplayGainFromR128(const QString& r128);
