#include "filelist/input_rows.h"

#include <QFileInfo>
#include <QSet>

#include "filelist/cue_rows.h"
#include "filelist/folder_scan.h"
#include "filelist/probe_file.h"
#include "filelist/row_model.h"

namespace {

void AddProbed(const ProbeResult& probe, const QString& decimalPoint, bool splitSheets,
               const QString& sourceFolder, PathRows& out) {
    if (!probe.Accepted) {
        out.rejection = probe.Rejection;
        return;
    }
    if (splitSheets) {
        SheetRows tracks = EmbeddedSheetRows(probe, decimalPoint, sourceFolder);
        // A broken sheet inside does not keep the audio out of the list: it is one row then.
        out.warning = tracks.rejection;
        if (!tracks.rows.empty()) {
            for (ListRow& row : tracks.rows) {
                out.rows.push_back(std::move(row));
            }
            return;
        }
    }
    out.rows.push_back(RowFromProbe(probe.Row, probe.Record, sourceFolder));
}

}  // namespace

PathRows RowsOfPath(IAudioFile2& reader, const QString& path, const QString& decimalPoint,
                    bool splitSheets, const QString& sourceFolder) {
    PathRows out;
    if (!IsCueSheetName(path)) {
        AddProbed(ProbeFile(reader, path, decimalPoint), decimalPoint, splitSheets, sourceFolder,
                  out);
        return out;
    }
    if (splitSheets) {
        SheetRows tracks = CueSheetRows(reader, path, decimalPoint, sourceFolder);
        out.rows = std::move(tracks.rows);
        out.rejection = tracks.rejection;
        return out;
    }
    // Not split: the sheet stands for its images, each one row as it would be added by itself.
    const QStringList images = CueSheetAudioFiles(path);
    if (images.isEmpty()) {
        out.rejection = NotSupportedMessage(path);
    }
    for (const QString& image : images) {
        AddProbed(ProbeFile(reader, image, decimalPoint), decimalPoint, false, sourceFolder, out);
    }
    return out;
}

namespace {

// A folder's inputs before the images its sheets name are taken out: every path, and the
// images named, as absolute paths.
struct FolderWalk {
    QStringList paths;
    QSet<QString> named;
};

void Walk(const QString& folder, bool splitSheets, bool recursive, FolderWalk& walk) {
    for (const QString& name : FolderFileNames(folder)) {
        const QString path = FolderEntryPath(folder, name);
        if (splitSheets && IsCueSheetName(name)) {
            walk.paths << path;
            for (const QString& image : CueSheetAudioFiles(path)) {
                walk.named.insert(QFileInfo(image).absoluteFilePath());
            }
        } else if (IsFolderAudioName(name)) {
            walk.paths << path;
        }
    }
    if (recursive) {
        for (const QString& sub : SubFolders(folder)) {
            Walk(sub, splitSheets, true, walk);
        }
    }
}

// The walk's paths without the images a sheet stands for, wherever that sheet lies.
QStringList WalkedInputs(const QString& folder, bool splitSheets, bool recursive) {
    FolderWalk walk;
    Walk(folder, splitSheets, recursive, walk);
    walk.paths.removeIf([&](const QString& path) {
        return !IsCueSheetName(path) && walk.named.contains(QFileInfo(path).absoluteFilePath());
    });
    return walk.paths;
}

}  // namespace

QStringList FolderInputNames(const QString& folder, bool splitSheets) {
    QStringList names;
    for (const QString& path : WalkedInputs(folder, splitSheets, false)) {
        names << QFileInfo(path).fileName();
    }
    return names;
}

QStringList FolderInputs(const QString& folder, bool splitSheets, bool recursive) {
    return WalkedInputs(folder, splitSheets, recursive);
}
