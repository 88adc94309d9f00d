#pragma once

#include <QString>
#include <QStringList>

// Add Folder's view of one folder: the names of its files (hidden and system files included),
// in natural name order ("2 …" before "10 …"). Sub-folders are neither listed nor entered.
QStringList FolderFileNames(const QString& folder);

// True when the name's extension, in any case, is one of the supported inputs
// (SupportedInputExtensions): the files Add Folder adds.
bool IsFolderAudioName(const QString& name);

// The full path of an entry of folder.
QString FolderEntryPath(const QString& folder, const QString& name);

// The full paths Add Folder would probe, in order.
QStringList FolderAudioFiles(const QString& folder);

// The sub-folders of folder, in the same natural order. Links to folders are left out: following
// them could walk in circles or out of the tree the user chose.
QStringList SubFolders(const QString& folder);

// Add Folder with "Include sub-folders": the folder's audio files as FolderAudioFiles lists
// them, then those of each sub-folder in turn, depth first.
QStringList FolderAudioFilesBelow(const QString& folder);
