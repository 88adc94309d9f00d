#pragma once

#include <QString>

// Gives the file at `from` the name `to` in the same folder without ever replacing a file that
// has that name: a hard link followed by removing `from` (the link goes again when `from` cannot
// be removed), or a no-replace rename where the file system has no hard links.
enum class LinkResult { Done, Taken, Failed };
LinkResult LinkNoReplace(const QString& from, const QString& to, QString* error);
