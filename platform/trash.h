#pragma once

#include <QString>

// Moves files into the user's Trash as the freedesktop.org Trash standard lays it out, so
// that a file manager can put them back: the home trash ($XDG_DATA_HOME/Trash) for a file on the
// home trash's file system, else the trash at the top of the file's own mount ($topdir/.Trash/$UID
// when the administrator made one, else $topdir/.Trash-$UID). A file is never copied across file
// systems and never deleted.
struct TrashMove {
    bool moved = false;
    QString error;      // why the file stays where it is
    QString trashedAs;  // the file's path inside the trash
};

TrashMove MoveToTrash(const QString& path);

// The home trash's folder: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
QString HomeTrashFolder();
