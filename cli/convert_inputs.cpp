#include "cli/convert_inputs.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "filelist/folder_scan.h"
#include "filelist/probe_file.h"
#include "filelist/row_model.h"
#include "platform/native_name.h"

ProbedInputs ProbeInputs(IAudioFile2& reader, const QStringList& arguments, bool recursive) {
    ProbedInputs out;
    const QString decimalPoint = QLocale::system().decimalPoint();
    for (const QString& argument : arguments) {
        // The system is asked, not Qt: a name that is not UTF-8 is still a name.
        const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(argument));
        if (!NativeExists(absolute)) {
            out.rejectedPaths << absolute;
            out.rejectedMessages << argument + QStringLiteral(": no such file or folder");
            out.rejectedAt << static_cast<int>(out.rows.size());
            continue;
        }
        // A folder is scanned as Add Folder scans it; anything else is probed as Add File does.
        const bool isDir = NativeIsDir(absolute);
        const QString folder = isDir ? absolute : QString();
        const QStringList paths =
            isDir ? (recursive ? FolderAudioFilesBelow(folder) : FolderAudioFiles(folder))
                  : QStringList{absolute};
        if (paths.isEmpty()) {
            // A folder that gives nothing is an input that failed, not a silent success.
            out.rejectedPaths << folder;
            out.rejectedMessages << argument + (recursive ? QStringLiteral(": no audio file in "
                                                                           "this folder or below")
                                                          : QStringLiteral(": no audio file in "
                                                                           "this folder"));
            out.rejectedAt << static_cast<int>(out.rows.size());
            continue;
        }
        for (const QString& path : paths) {
            try {
                const ProbeResult r = ProbeFile(reader, path, decimalPoint);
                if (r.Accepted) {
                    out.rows.push_back(RowFromProbe(r.Row, r.Record, folder));
                    continue;
                }
                out.rejectedMessages << r.Rejection;
            } catch (const ProbeError& e) {
                out.rejectedMessages << e.Message();
            }
            out.rejectedPaths << path;
            out.rejectedAt << static_cast<int>(out.rows.size());
        }
    }
    return out;
}
