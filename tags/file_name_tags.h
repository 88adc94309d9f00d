#pragma once

#include <QString>

// The tags output names may use that the list's record does not keep. Empty when the file has
// none of them or cannot be read.
struct FileNameTags {
    QString albumArtist;
    QString track;  // as stored: "3", "3/12"
    QString disc;
    QString year;
};

// Reads them with TagLib, tags only (no audio properties): one open and one tag parse.
FileNameTags ReadFileNameTags(const QString& path);
