#pragma once

#include <QString>

// ReplayGain values as their tags hold them ("-3.52 dB", "0.988553"). Empty fields are left as
// the file has them.
struct ReplayGainTags {
    QString trackGain;
    QString trackPeak;
    QString albumGain;
    QString albumPeak;
};

// Writes REPLAYGAIN_TRACK_GAIN/PEAK and REPLAYGAIN_ALBUM_GAIN/PEAK into the file's own tag kind,
// chosen by its extension: ID3v2 TXXX frames (.mp3), Vorbis comments (.ogg, .oga, .flac, .opus),
// MP4 freeform items (.m4a, .mp4), ASF attributes (.wma). Earlier values of those names are
// replaced, everything else in the tag stays. An Opus stream (by its content, whatever its name)
// gets R128_TRACK_GAIN / R128_ALBUM_GAIN instead, towards -23 LUFS on top of the header's output
// gain, and loses every REPLAYGAIN_* comment; a gain not given keeps the file's own. Returns false
// for a format without tags (.wav, .vox); throws TagError when the file cannot be read or written.
bool WriteReplayGainTags(const QString& path, const ReplayGainTags& values);

// The same for a finished file others may already see: the tags go into a copy beside it that
// replaces it in one rename, so a failure leaves the file as it was.
bool ReplaceWithReplayGainTags(const QString& path, const ReplayGainTags& values);

// Whether WriteReplayGainTags has tags to write into for a file of this name.
bool HoldsReplayGainTags(const QString& path);
