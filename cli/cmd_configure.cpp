#include <algorithm>

#include "cli/commands.h"
#include "cli/recording_components.h"
#include "formats/configure_writer.h"
#include "formats/output_formats.h"
#include "settings/app_settings.h"
#include "settings/settings_file.h"

namespace {

// Prints the calls one format's configuration makes; false when the settings refuse it.
bool PrintCalls(int format, const SettingsFile& file, QTextStream& out, QTextStream& err) {
    QStringList calls;
    RecordingEncoderSettings encoder(calls);
    RecordingWriter writer(calls);
    // The command-line text of the settings dialog is never stored, so a shell has none.
    try {
        ConfigureWriter(format, file, QString(), encoder, writer);
    } catch (const ConfigureError& e) {
        err << "quorvel-cli: configure: " << e.Message() << '\n';
        return false;
    }
    for (const QString& call : calls) {
        out << call << '\n';
    }
    return true;
}

QString Help() {
    return QStringLiteral(
               "Usage: quorvel-cli configure [--format NAME|N | --all]\n"
               "\n"
               "Print the calls the encoder configuration makes for the stored output format,\n"
               "one a line, as a conversion would make them. A stored value the configuration\n"
               "refuses is reported with the key, its value and the valid range.\n"
               "\n"
               "Options:\n"
               "  --format NAME|N  this format instead: a name (%1) or a stored code\n"
               "                   (also those only a hand-edited file can choose)\n"
               "  --all            every format convert --format takes, one by one, each under\n"
               "                   a line \"# name (Description)\"\n"
               "  -h, --help       show this text\n")
        .arg(OfferedFormatNames());
}

int Run(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (std::any_of(args.begin(), args.end(), IsHelpOption)) {
        return PrintCommandHelp(kConfigureCommand, out);
    }
    const SettingsFile file;
    int format = LoadStartupSettings(file).settings.OutputFormat;
    bool all = false;
    bool named = false;  // the format came from the command line rather than the file
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--format") && i + 1 < args.size()) {
            // A name of convert --format, or a stored code (also those only a hand-edited file
            // can choose).
            bool ok = false;
            named = true;
            format = args[++i].toInt(&ok);
            if (!ok) {
                const OutputFormat* byName = FindOfferedFormat(args[i]);
                if (!byName) {
                    err << "quorvel-cli: configure: unknown format '" << args[i] << "' ("
                        << OfferedFormatNames() << " or a stored code)\n";
                    return kCliUsage;
                }
                format = byName->code;
            }
        } else if (args[i] == QStringLiteral("--all")) {
            all = true;
        } else {
            err << "quorvel-cli: configure: unexpected argument '" << args[i]
                << "' (usage: configure "
                << "[--format NAME|N | --all])\n";
            return kCliUsage;
        }
    }
    if (!all) {
        // An unknown code configures nothing; saying nothing would pass for a format without
        // settings.
        if (!FindOutputFormat(format)) {
            err << "quorvel-cli: configure: the output format " << format << " is not known ("
                << OfferedFormatNames() << ")\n";
            return named ? kCliUsage : kCliFailed;
        }
        return PrintCalls(format, file, out, err) ? kCliOk : kCliFailed;
    }
    // One format's refused setting does not hide the others.
    bool allConfigured = true;
    for (const OutputFormat* f : OutputFormats()) {
        if (f->offered) {
            out << "# " << f->cliName << " (" << f->shown << ")\n";
            out.flush();
            allConfigured = PrintCalls(f->code, file, out, err) && allConfigured;
        }
    }
    return allConfigured ? kCliOk : kCliFailed;
}

}  // namespace

const CliCommand kConfigureCommand{"configure", "print the calls the encoder configuration makes",
                                   Help, Run};
