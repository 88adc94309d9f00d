#include "cli/convert_inputs.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include "filelist/input_rows.h"
#include "filelist/probe_file.h"
#include "platform/native_name.h"

ProbedInputs ProbeInputs(IAudioFile2& reader, const QStringList& arguments, bool recursive,
                         bool splitSheets) {
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
        // A folder is scanned as Add Folder scans it; anything else is added as Add File does.
        const bool isDir = NativeIsDir(absolute);
        const QString folder = isDir ? absolute : QString();
        const QStringList paths =
            isDir ? FolderInputs(folder, splitSheets, recursive) : QStringList{absolute};
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
                PathRows r = RowsOfPath(reader, path, decimalPoint, splitSheets, folder);
                if (!r.warning.isEmpty()) {
                    out.warnings << r.warning;
                }
                for (ListRow& row : r.rows) {
                    out.rows.push_back(std::move(row));
                }
                if (r.rejection.isEmpty()) {
                    continue;
                }
                out.rejectedMessages << r.rejection;
            } catch (const ProbeError& e) {
                out.rejectedMessages << e.Message();
            }
            out.rejectedPaths << path;
            out.rejectedAt << static_cast<int>(out.rows.size());
        }
    }
    return out;
}
