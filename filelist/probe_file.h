#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "components/quorvel_error.h"
#include "tagmodel/audio_file_info.h"

class IAudioFile2;

// The texts of one list row exactly as the list shows them: the caption and sub-items 0 to 5.
struct ListRowTexts {
    QString Caption;    // tag title, or the file name
    QString Frequency;  // sub-item 0: "44100 Hz"
    QString Channels;   // sub-item 1: " Mono " / " Stereo "
    QString Time;       // sub-item 2: FormatTime
    QString Size;       // sub-item 3: SizeText
    QString Status;     // sub-item 4: "Unconvert"
    QString Path;       // sub-item 5: the full path, never shown

    friend bool operator==(const ListRowTexts&, const ListRowTexts&) = default;
};

// What adding one file gives: the row and its record, or the rejection message for a file the
// reader cannot decode.
struct ProbeResult {
    bool Accepted = false;
    ListRowTexts Row;  // the caption is set even for a rejected file
    AudioFileinfo Record;
    QString Rejection;  // "<file name> this File is not supported."
    // The decoded length in frames and the rate, for the tracks a cue sheet cuts from the file.
    std::int64_t Frames = 0;
    int SampleRate = 0;
    // The text of a cue sheet among the file's tags, once they were read through TagLib (empty:
    // none there); unset when its tags were read another way.
    std::optional<QString> EmbeddedSheet;
};

// A failure that ends the whole add operation: the Ogg reader's "Cannot open ..." or a size that
// cannot be read. The message names the file and the cause.
class ProbeError : public QuorvelError {
  public:
    using QuorvelError::QuorvelError;
};

// Reads the file's tags by its extension (.mp3 ID3v2, .ogg Vorbis comments, .wma attributes),
// then its audio properties through reader, then its size. A file the reader refuses or reports
// with no duration is rejected and the reader reset (Close, disabled, enabled). The reader is
// closed when this returns. Throws ProbeError. Window thread (it uses the shared ID3 record).
ProbeResult ProbeFile(IAudioFile2& reader, const QString& path, const QString& decimalPoint);

// The rejection message for path.
QString NotSupportedMessage(const QString& path);
