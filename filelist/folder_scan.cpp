#include "filelist/folder_scan.h"

#include <QDir>
#include <QFileInfo>

#include "filelist/input_formats.h"

QStringList FolderFileNames(const QString& folder) {
    // Unsorted: the order the file system returns. Files only, so that a sub-folder that happens
    // to be called "x.mp3" is not offered to the decoder.
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted);
}

bool IsFolderAudioName(const QString& name) {
    return IsSupportedInputName(name);
}

QString FolderEntryPath(const QString& folder, const QString& name) {
    return QDir(folder).filePath(name);
}

QStringList FolderAudioFiles(const QString& folder) {
    QStringList paths;
    for (const QString& name : FolderFileNames(folder)) {
        if (IsFolderAudioName(name)) {
            paths << FolderEntryPath(folder, name);
        }
    }
    return paths;
}

QStringList SubFolders(const QString& folder) {
    QStringList paths;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!entry.isSymLink()) {
            paths << entry.absoluteFilePath();
        }
    }
    return paths;
}

QStringList FolderAudioFilesBelow(const QString& folder) {
    QStringList paths = FolderAudioFiles(folder);
    for (const QString& sub : SubFolders(folder)) {
        paths << FolderAudioFilesBelow(sub);
    }
    return paths;
}
