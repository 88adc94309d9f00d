#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "filelist/list_row.h"

class IAudioFile2;

// What one added path gives the list, for the window and the command line alike.
struct PathRows {
    std::vector<ListRow> rows;
    QString rejection;  // the path gives no row: why, naming it
    // Rows were given, but not as the user may expect: a sheet inside the file that cannot be
    // used (the file is then one row). Names the file and the cause.
    QString warning;
};

// A file as Add File adds it: one row; with `splitSheets`, a cue sheet gives one row per track
// and a file carrying its sheet inside gives its tracks. Without it a sheet gives the files it
// names, each as one row. Throws ProbeError as ProbeFile does.
PathRows RowsOfPath(IAudioFile2& reader, const QString& path, const QString& decimalPoint,
                    bool splitSheets, const QString& sourceFolder = {});

// The names Add Folder adds from one folder, in its order: the audio files, and with
// `splitSheets` the cue sheets instead of the files they name (a folder holding album.flac and
// album.cue gives album.cue's tracks, not the image as well).
QStringList FolderInputNames(const QString& folder, bool splitSheets);

// The full paths of FolderInputNames, with those of the sub-folders after them when recursive.
QStringList FolderInputs(const QString& folder, bool splitSheets, bool recursive);
