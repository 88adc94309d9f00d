#include <QFileInfo>
#include <QLocale>

#include "cli/commands.h"
#include "filelist/input_rows.h"
#include "filelist/probe_file.h"
#include "outside/audio/audio_factory.h"
#include "settings/app_settings.h"
#include "settings/settings_file.h"

namespace {

void PrintBlock(const ListRow& row, QTextStream& out) {
    const AudioFileinfo& rec = row.record;
    out << "Caption=" << row.caption << '\n'
        << "Frequency=" << row.frequency << '\n'
        << "Channels=" << row.channels << '\n'
        << "Time=" << row.time << '\n'
        << "Size=" << row.size << '\n'
        << "Status=" << RowStateText(row.state) << '\n'
        << "Path=" << row.path << '\n'
        << "Title=" << rec.Title << '\n'
        << "Artist=" << rec.Artist << '\n'
        << "Album=" << rec.Album << '\n'
        << "Year=" << rec.Year << '\n'
        << "Comment=" << rec.Comment << '\n'
        << "Genre=" << rec.Genre << '\n'
        << "DurationMs=" << rec.DurationMs << '\n';
    if (row.IsSheetTrack()) {
        // Where the track lies in its file, in frames at the file's own rate.
        out << "Sheet=" << row.sheet << '\n'
            << "Start=" << row.range.start << '\n'
            << "End=" << row.range.end << '\n'
            << "Track=" << row.sheetTags.First(TagFieldId::Track) << '\n'
            << "Note=" << row.sheetNote << '\n';
    }
    out << '\n';
}

QString Help() {
    return QStringLiteral(
        "Usage: quorvel-cli probe [--] FILE|FOLDER...\n"
        "\n"
        "Print the list row and the tag record adding each file would give, as Key=value\n"
        "lines (Caption, Frequency, Channels, Time, Size, Status, Path, the seven tag keys and\n"
        "DurationMs), a blank line after each file. A folder gives its audio files, as Add\n"
        "Folder would; a file that would be refused is reported on standard error. A cue\n"
        "sheet, or a file with its sheet inside, gives a block per track (unless [Cue]\n"
        "split=off) with Sheet, Start and End (frames of the file), Track and Note too.\n"
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
    const bool split = ReadCueSplit(SettingsFile());
    bool anyFailed = false;
    for (const QString& arg : args) {
        // A folder is scanned as Add Folder scans it; anything else is probed as Add File does.
        const QFileInfo info(arg);
        const QStringList paths = info.isDir() ? FolderInputs(info.absoluteFilePath(), split, false)
                                               : QStringList{info.absoluteFilePath()};
        for (const QString& path : paths) {
            try {
                const PathRows r = RowsOfPath(*reader, path, decimalPoint, split);
                for (const ListRow& row : r.rows) {
                    PrintBlock(row, out);
                }
                if (!r.rejection.isEmpty()) {
                    err << "quorvel-cli: " << r.rejection << '\n';
                    anyFailed = true;
                }
                if (!r.warning.isEmpty()) {
                    err << "quorvel-cli: " << r.warning << '\n';
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
