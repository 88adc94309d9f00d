#include <QFileInfo>
#include <QLocale>

#include "cli/commands.h"
#include "filelist/folder_scan.h"
#include "filelist/probe_file.h"
#include "outside/audio/audio_factory.h"

namespace {

void PrintBlock(const ProbeResult& r, QTextStream& out) {
    const ListRowTexts& row = r.Row;
    const AudioFileinfo& rec = r.Record;
    out << "Caption=" << row.Caption << '\n'
        << "Frequency=" << row.Frequency << '\n'
        << "Channels=" << row.Channels << '\n'
        << "Time=" << row.Time << '\n'
        << "Size=" << row.Size << '\n'
        << "Status=" << row.Status << '\n'
        << "Path=" << row.Path << '\n'
        << "Title=" << rec.Title << '\n'
        << "Artist=" << rec.Artist << '\n'
        << "Album=" << rec.Album << '\n'
        << "Year=" << rec.Year << '\n'
        << "Comment=" << rec.Comment << '\n'
        << "Genre=" << rec.Genre << '\n'
        << "DurationMs=" << rec.DurationMs << '\n'
        << '\n';
}

}  // namespace

int RunProbeCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.isEmpty()) {
        err << "quorvel-cli probe: missing FILE (try --help)\n";
        return kCliUsage;
    }
    const std::unique_ptr<IAudioFile2> reader = CreateAudioFile();
    const QString decimalPoint = QLocale::system().decimalPoint();
    bool anyFailed = false;
    for (const QString& arg : args) {
        // A folder is scanned as Add Folder scans it; anything else is probed as Add File does.
        const QFileInfo info(arg);
        const QStringList paths = info.isDir() ? FolderAudioFiles(info.absoluteFilePath())
                                               : QStringList{info.absoluteFilePath()};
        for (const QString& path : paths) {
            try {
                const ProbeResult r = ProbeFile(*reader, path, decimalPoint);
                if (r.Accepted) {
                    PrintBlock(r, out);
                } else {
                    err << r.Rejection << '\n';
                    anyFailed = true;
                }
            } catch (const ProbeError& e) {
                err << e.Message() << '\n';
                anyFailed = true;
            }
            out.flush();
            err.flush();
        }
    }
    return anyFailed ? kCliFailed : kCliOk;
}
