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

QStringList FolderInputNames(const QString& folder, bool splitSheets) {
    const QStringList names = FolderFileNames(folder);
    QSet<QString> named;
    if (splitSheets) {
        for (const QString& name : names) {
            if (IsCueSheetName(name)) {
                for (const QString& image : CueSheetAudioFiles(FolderEntryPath(folder, name))) {
                    named.insert(QFileInfo(image).fileName());
                }
            }
        }
    }
    QStringList inputs;
    for (const QString& name : names) {
        if (splitSheets && IsCueSheetName(name)) {
            inputs << name;
        } else if (IsFolderAudioName(name) && !named.contains(name)) {
            inputs << name;
        }
    }
    return inputs;
}

namespace {

QStringList FolderInputsBelow(const QString& folder, bool splitSheets, bool recursive) {
    QStringList paths;
    for (const QString& name : FolderInputNames(folder, splitSheets)) {
        paths << FolderEntryPath(folder, name);
    }
    if (recursive) {
        for (const QString& sub : SubFolders(folder)) {
            paths << FolderInputsBelow(sub, splitSheets, true);
        }
    }
    return paths;
}

}  // namespace

QStringList FolderInputs(const QString& folder, bool splitSheets, bool recursive) {
    QStringList paths = FolderInputsBelow(folder, splitSheets, recursive);
    if (!splitSheets || !recursive) {
        return paths;  // a sheet's images in its own folder are left out already
    }
    // A sheet may name its image in a sub-folder ("CD1/album.flac"): its tracks stand for it.
    QSet<QString> named;
    for (const QString& path : paths) {
        if (IsCueSheetName(path)) {
            for (const QString& image : CueSheetAudioFiles(path)) {
                named.insert(QFileInfo(image).absoluteFilePath());
            }
        }
    }
    paths.removeIf([&](const QString& path) {
        return !IsCueSheetName(path) && named.contains(QFileInfo(path).absoluteFilePath());
    });
    return paths;
}
