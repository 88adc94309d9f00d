#pragma once

#include <QString>

// Gives the file at `from` the name `to` in the same folder with one atomic rename, replacing
// what `to` names: readers see the old file or the new one, never a mix or neither. Only for a
// replacement the user asked for; false with error set on failure, `from` then left in place.
bool RenameOver(const QString& from, const QString& to, QString* error);
