#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

#include "filelist/list_row.h"

class IAudioFile2;

// What the command line's arguments add to the list: a file is probed as Add File probes it, a
// folder gives its audio files as Add Folder does, with its sub-folders' when recursive; with
// splitSheets a cue sheet (or a file with its sheet inside) gives one row per track. Files the
// reader refuses, and sheets that cannot be used, go to `rejected` with their message instead.
struct ProbedInputs {
    std::vector<ListRow> rows;  // each remembers the folder argument it was found in
    QStringList rejectedPaths;
    QStringList rejectedMessages;
    // Where each rejected input stood among the others: the rows accepted before it, so its
    // result line is printed in its input position.
    QList<int> rejectedAt;
    QStringList warnings;  // inputs added otherwise than they may expect (a broken sheet inside)
};
ProbedInputs ProbeInputs(IAudioFile2& reader, const QStringList& arguments, bool recursive = false,
                         bool splitSheets = true);
