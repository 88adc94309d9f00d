#pragma once

#include <QByteArray>
#include <QString>

// Replaces the first oldLength bytes of the file with newStart, moving the rest of the file in
// place instead of copying it to a new file: it needs only the growth in free space, not the
// file's whole size again. A failure half way leaves the file broken, so this is only for files
// nobody else sees yet (a batch's hidden output). False with error set (the system's reason) on
// failure.
bool RewriteFileStart(const QString& path, qint64 oldLength, const QByteArray& newStart,
                      QString* error);
