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

QString Help() {
    return QStringLiteral(
        "Usage: quorvel-cli probe [--] FILE|FOLDER...\n"
        "\n"
        "Print the list row and the tag record adding each file would give, as Key=value\n"
        "lines (Caption, Frequency, Channels, Time, Size, Status, Path, the seven tag keys and\n"
        "DurationMs), a blank line after each file. A folder gives its audio files, as Add\n"
        "Folder would; a file that would be refused is reported on standard error.\n"
        "\n"
        "Options:\n"
        "  --            every argument after it is a file or folder, even one called --help\n"
        "  -h, --help    show this text\n");
}

int Run(const QStringList& given, QTextStream& out, QTextStream& err) {
    QStringList args = given;
    if (FileArgumentsAskForHelp(args)) {
        return PrintCommandHelp(kProbeCommand, out);
    }
    if (args.isEmpty()) {
        err << "quorvel-cli: probe: missing FILE (try --help)\n";
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
                    err << "quorvel-cli: " << r.Rejection << '\n';
                    anyFailed = true;
                }
            } catch (const ProbeError& e) {
                err << "quorvel-cli: " << e.Message() << '\n';
                anyFailed = true;
            }
            out.flush();
            err.flush();
        }
    }
    return anyFailed ? kCliFailed : kCliOk;
}

}  // namespace

const CliCommand kProbeCommand{"probe", "print the list row and record adding each file would give",
                               Help, Run};
