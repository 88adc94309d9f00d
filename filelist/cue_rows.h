#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "filelist/list_row.h"

class IAudioFile2;
struct ProbeResult;

// What a cue sheet gives the list: one row per audio track, or why it gives none.
struct SheetRows {
    std::vector<ListRow> rows;
    QString rejection;  // the sheet cannot be used: the message names it and the line
};

// True for a name ending in ".cue", in any case.
bool IsCueSheetName(const QString& name);

// The rows of a sheet file: each audio track of each FILE it names is a row, captioned "NN
// Title", with the track's range of its file, length, share of the file's size and tags (the
// sheet's over the file's), and a note saying the sheet's encoding and any repaired FILE name.
// Audio before track 1 longer than 2 s is the row "00 (hidden track)". A FILE naming a missing
// file takes the file of the same name in another case, else of the same base name with another
// audio extension, in the sheet's folder. Throws ProbeError as ProbeFile does.
SheetRows CueSheetRows(IAudioFile2& reader, const QString& sheetPath, const QString& decimalPoint,
                       const QString& sourceFolder = {});

// The rows of an audio file that carries its sheet inside (ProbeEmbeddedSheet found one), from
// its probe. No rows and no rejection when the file holds no sheet.
SheetRows EmbeddedSheetRows(const ProbeResult& image, const QString& decimalPoint,
                            const QString& sourceFolder = {});

// The audio files a sheet names, as they resolve: the files Add Folder does not list again beside
// the sheet's tracks. Empty when the sheet cannot be read.
QStringList CueSheetAudioFiles(const QString& sheetPath);
