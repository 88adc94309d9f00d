#include "filelist/folder_scan.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "filelist/input_formats.h"
#include "platform/native_name.h"

namespace {

// The end of the run of digits, or of other characters, that starts at `from`.
qsizetype RunEnd(QStringView name, qsizetype from) {
    const bool digits = name[from].isDigit();
    qsizetype end = from;
    while (end < name.size() && name[end].isDigit() == digits) {
        ++end;
    }
    return end;
}

// Names as a person reads them: runs of digits by their value ("2 …" before "10 …"), the text
// between them by the user's language with case aside.
int NaturalCompare(QStringView a, QStringView b, const QCollator& collator) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const qsizetype endA = RunEnd(a, i);
        const qsizetype endB = RunEnd(b, j);
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype startA = i;
            qsizetype startB = j;
            while (startA + 1 < endA && a[startA] == QLatin1Char('0')) {
                ++startA;
            }
            while (startB + 1 < endB && b[startB] == QLatin1Char('0')) {
                ++startB;
            }
            if (endA - startA != endB - startB) {
                return endA - startA < endB - startB ? -1 : 1;
            }
            if (const int order =
                    a.sliced(startA, endA - startA).compare(b.sliced(startB, endB - startB));
                order != 0) {
                return order;
            }
        } else if (const int order = collator.compare(a.sliced(i, endA - i), b.sliced(j, endB - j));
                   order != 0) {
            return order;
        }
        i = endA;
        j = endB;
    }
    return (i < a.size()) - (j < b.size());
}

// Equal names by their characters, so the order never depends on the file system's.
void SortNaturally(QStringList& names) {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const int order = NaturalCompare(a, b, collator);
        return order != 0 ? order < 0 : a < b;
    });
}

}  // namespace

QStringList FolderFileNames(const QString& folder) {
    // Files only, so that a sub-folder that happens to be called "x.mp3" is not offered to the
    // decoder; in natural name order, as an album's tracks are numbered (the file system's own
    // order is what its directory happens to hold).
    QStringList names;
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.file) {
            names << entry.name;
        }
    }
    SortNaturally(names);
    return names;
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
    QStringList names;
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.folder) {
            names << entry.name;
        }
    }
    SortNaturally(names);
    const QString base = QFileInfo(folder).absoluteFilePath();
    QStringList paths;
    for (const QString& name : names) {
        paths << base + QLatin1Char('/') + name;
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
