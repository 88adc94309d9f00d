#pragma once

#include <QByteArray>
#include <QString>

// The one way small configuration-like files (the settings file, the skin file) are read: only a
// regular file is opened for reading, and only up to a size limit, so that a FIFO, a device or a
// huge file at that path can neither hang nor swamp the program.
struct SmallFileRead {
    enum class Status { Ok, Missing, Refused };
    Status status = Status::Missing;
    QByteArray bytes;  // the whole file when status is Ok
    QString problem;   // why it was refused, in words ("it is not a regular file" ...)
};

// Reads the file at path whole when it is a regular file of at most maxBytes bytes. Qt resource
// paths (":/...") are read too.
SmallFileRead ReadSmallRegularFile(const QString& path, qint64 maxBytes);

// Whether path names a regular file (after following links): what the tag readers and writers
// check before they open a file, so that a FIFO or a device given to them cannot block them.
bool IsRegularFile(const QString& path);
