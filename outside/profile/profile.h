#pragma once

#include <QString>

// Profile functions over INI files, with the semantics of the classic private-profile API:
// case-insensitive sections and keys, values cut at bufferSize - 1 characters, the default for an
// absent key (but not for a key with an empty value), in-place replacement on write.
namespace profile {

// Where a file name without a folder lives: $XDG_CONFIG_HOME, else ~/.config.
QString ResolvePath(const QString& fileName);

// Why the file cannot be read as a settings file ("it is not a regular file" ...), or an empty
// text when it can be read or does not exist. Reads of such a file give their defaults and writes
// to it are refused.
QString ReadProblem(const QString& fileName);

QString GetPrivateProfileString(const QString& section, const QString& key,
                                const QString& defaultValue, const QString& fileName,
                                int bufferSize = 2048);

// A null value removes the key, a null key removes the section, and all three null flush (there
// is no cache, so that is a no-op). Creates the file and its folder when missing. Returns false
// when the file cannot be written; the file is then unchanged.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& fileName);

}  // namespace profile
