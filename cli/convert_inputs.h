#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "tagmodel/audio_file_info.h"

class IAudioFile2;

// One list row as Add File or Add Folder would make it.
struct InputRow {
    QString caption;  // tag title, or the file name
    QString path;     // absolute
    AudioFileinfo tags;
    QString sourceFolder;  // the folder argument it was found in; empty for a file argument
};

// What the command line's arguments add to the list: a file is probed as Add File probes it, a
// folder gives its audio files as Add Folder does, with its sub-folders' when recursive. Files the
// reader refuses go to `rejected` with their message instead.
struct ProbedInputs {
    QList<InputRow> rows;
    QStringList rejectedPaths;
    QStringList rejectedMessages;
};
ProbedInputs ProbeInputs(IAudioFile2& reader, const QStringList& arguments, bool recursive = false);
