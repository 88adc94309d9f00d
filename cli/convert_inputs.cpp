#include "cli/convert_inputs.h"

#include <QFileInfo>
#include <QLocale>

#include "filelist/input_rows.h"
#include "filelist/probe_file.h"

ProbedInputs ProbeInputs(IAudioFile2& reader, const QStringList& arguments, bool recursive,
                         bool splitSheets) {
    ProbedInputs out;
    const QString decimalPoint = QLocale::system().decimalPoint();
    for (const QString& argument : arguments) {
        const QFileInfo info(argument);
        if (!info.exists()) {
            out.rejectedPaths << info.absoluteFilePath();
            out.rejectedMessages << argument + QStringLiteral(": no such file or folder");
            out.rejectedAt << static_cast<int>(out.rows.size());
            continue;
        }
        // A folder is scanned as Add Folder scans it; anything else is added as Add File does.
        const QString folder = info.isDir() ? info.absoluteFilePath() : QString();
        const QStringList paths = info.isDir() ? FolderInputs(folder, splitSheets, recursive)
                                               : QStringList{info.absoluteFilePath()};
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
