#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// File names as the file system holds them: bytes. A name that is valid UTF-8 is the usual
// string; a byte that is not part of valid UTF-8 (a Latin-1 "Bj\xf6rk.wav" copied from an old
// system) is kept as the lone surrogate U+DC00 + byte, so that the name comes back to the very
// same bytes. Qt's own QFile::encodeName cannot give such bytes back: every path handed to the
// system goes through NativeName.
QByteArray NativeName(const QString& name);
QString NameFromNative(const QByteArray& bytes);

// True when the name holds such kept bytes.
bool HasRawBytes(const QString& name);

// The name for people to read: each kept byte as U+FFFD.
QString ShownName(const QString& name);

// Opens `file` on the path, also one with kept bytes (through the system's own open); false with
// the file's error set as QFile::open leaves it.
class QFile;
bool OpenNative(QFile& file, const QString& path, int qtOpenMode);

// The entries of a folder as the system lists them, kept bytes and all, in the file system's
// order ("." and ".." left out): Qt's own listing drops names that are not UTF-8.
struct FolderEntry {
    QString name;
    bool file = false;    // a regular file, or a link to one
    bool folder = false;  // a folder, not a link to one
};
std::vector<FolderEntry> ListFolder(const QString& folder);

// What the system says of the path, for names Qt cannot open.
bool NativeExists(const QString& path);
bool NativeIsDir(const QString& path);
bool NativeIsFile(const QString& path);  // a regular file, or a link to one
// Makes the folder and every missing parent, as QDir::mkpath does; true when it is there.
bool NativeMakePath(const QString& folder);
// Removes the file (not a folder); false when it was not there or could not be removed.
bool NativeRemove(const QString& path);
// Something has the name: a file, a folder, or a link, dangling or not.
bool NativeNameTaken(const QString& path);
