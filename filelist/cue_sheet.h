#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <cstdint>
#include <vector>

#include "components/quorvel_error.h"

// A cue sheet as written: its files, its tracks and their indexes. Positions are CD frames (75 a
// second) on a text sheet, samples on a FLAC CUESHEET block (`inSamples`).

struct CueFile {
    QString name;  // as the FILE line names it
    int line = 0;
};

struct CueIndex {
    int number = 0;
    std::int64_t position = 0;
    int file = 0;  // the FILE it stands in
    int line = 0;
};

struct CueTrack {
    int number = 0;
    bool audio = true;  // TRACK nn AUDIO; data tracks bound the tracks around them only
    int line = 0;
    QString title;
    QString performer;
    QString songwriter;
    QString isrc;
    QMap<QString, QString> rem;  // REM NAME value, the name upper case
    std::vector<CueIndex> indexes;

    // INDEX 01, or null.
    const CueIndex* Start() const;
};

struct CueSheet {
    bool inSamples = false;
    QString title;
    QString performer;
    QString songwriter;
    QString catalog;
    QMap<QString, QString> rem;
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
};

// What is wrong with a sheet, and where: line 0 for the sheet as a whole.
class CueSheetError : public QuorvelError {
  public:
    CueSheetError(int line, const QString& cause)
        : QuorvelError(line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(cause) : cause),
          line_(line) {}
    int Line() const { return line_; }

  private:
    int line_;
};

// The largest sheet read: a real one is a few kilobytes.
inline constexpr qint64 kMaxCueSheetBytes = 1 << 20;

// What a sheet over that size is told.
CueSheetError LargeSheetError();

struct CueText {
    QString text;
    QString encoding;  // as the row names it: "UTF-8", "UTF-16LE", "WINDOWS-1251" ...
};

// The text of a sheet file's bytes: UTF-8 (with or without its mark), UTF-16 with its mark, else
// the 8-bit encoding the bytes look like. Throws CueSheetError for what is not text.
CueText DecodeCueSheet(const QByteArray& bytes);

// Reads the commands of a sheet. Unknown commands are passed over (CDTEXTFILE, a ripper's own
// REM lines). Throws CueSheetError naming the line: a TRACK before any FILE, an INDEX outside a
// track, a time that is not mm:ss:ff, a track without INDEX 01, indexes out of order, no track.
CueSheet ParseCueSheet(const QString& text);

// A position of the sheet in samples at `rate`: a CD frame is rate / 75 samples, exact when the
// rate is a multiple of 75 and rounded to the nearest sample otherwise.
std::int64_t CueSamples(const CueSheet& sheet, std::int64_t position, int rate);

// mm:ss:ff of a position in CD frames, for messages.
QString CueTimeText(std::int64_t frames);
