#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "cli/commands.h"
#include "formats/output_formats.h"
#include "quorvel_version.h"

namespace {

const char kUsage[] =
    "Usage: quorvel-cli COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  settings                      print the seven settings start-up would load\n"
    "  tags FILE                     print the tag record of FILE\n"
    "  tags FILE --set Key=Value...  change the named fields of FILE's tags (--set may repeat),\n"
    "                                then print the record read back\n"
    "  configure [--format NAME|N | --all]\n"
    "                                print the calls the encoder configuration makes for the\n"
    "                                stored output format (or NAME, or the stored code N;\n"
    "                                --all: every format of convert --format, one by one)\n"
    "  probe FILE|FOLDER...          print the list row and record adding each file would give\n"
    "  convert [--normalize] [--format %1] [--output DIR]\n"
    "          [--lame-options TEXT] [--jobs N] [--json] [--pattern TEXT]\n"
    "          [--existing number|skip|update] [--recursive] [--mirror] [--from FILE|-]\n"
    "          [--] FILE|FOLDER...\n"
    "                                convert (or normalise) the files, one result line each\n"
    "                                (STATUS<TAB>input<TAB>output, or a JSON object with --json);\n"
    "                                --pattern names outputs from {artist} {album} {albumartist}\n"
    "                                {title} {track} {disc} {year} {genre} {filename}, \"/\" for\n"
    "                                folders; --existing says what an output already there means;\n"
    "                                --recursive walks sub-folders, --mirror keeps their "
    "structure;\n"
    "                                --from reads more inputs, one path a line (- for stdin)\n"
    "          [--loudness LUFS [--true-peak DBTP] [--album]] (with --normalize)\n"
    "          [--replaygain [--album]] (without --normalize)\n"
    "                                --loudness: equal loudness instead of equal peaks (EBU "
    "R128),\n"
    "                                the true peak kept at most DBTP (default -1); --album: one\n"
    "                                gain for all files; --replaygain: ReplayGain tags, audio\n"
    "                                unchanged\n"
    "  loudness FILE...              print each file's integrated loudness, loudness range and\n"
    "                                true peak (EBU R128), then the files' together as an album\n"
    "                                (LUFS<TAB>LU<TAB>dBTP<TAB>file)\n"
    "  --help                        show this text\n"
    "  --version                     show the version\n"
    "\n"
    "Exit status: 0 success, 1 failure, 2 usage error; convert: 0 only when every file\n"
    "finished or was skipped because its output exists; 130, 143 or 129 when stopped by\n"
    "SIGINT (Ctrl-C), SIGTERM or SIGHUP.\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty()) {
        err << "quorvel-cli: missing command (try --help)\n";
        return kCliUsage;
    }
    const QString command = args.takeFirst();
    if (command == QStringLiteral("--help") || command == QStringLiteral("-h") ||
        command == QStringLiteral("help")) {
        out << QString::fromUtf8(kUsage).arg(OfferedFormatNames());
        return kCliOk;
    }
    if (command == QStringLiteral("--version")) {
        out << "quorvel-cli " QUORVEL_VERSION "\n";
        return kCliOk;
    }
    if (command == QStringLiteral("settings")) {
        return RunSettingsCommand(args, out, err);
    }
    if (command == QStringLiteral("tags")) {
        return RunTagsCommand(args, out, err);
    }
    if (command == QStringLiteral("probe")) {
        return RunProbeCommand(args, out, err);
    }
    if (command == QStringLiteral("configure")) {
        return RunConfigureCommand(args, out, err);
    }
    if (command == QStringLiteral("loudness")) {
        return RunLoudnessCommand(args, out, err);
    }
    if (command == QStringLiteral("convert")) {
        return RunConvertCommand(args, out, err);
    }
    err << "quorvel-cli: unknown command '" << command << "' (try --help)\n";
    return kCliUsage;
}
