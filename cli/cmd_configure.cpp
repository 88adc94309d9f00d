#include "cli/commands.h"
#include "cli/recording_components.h"
#include "engine/configure_writer.h"
#include "engine/output_formats.h"
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
        err << "configure: " << e.Message() << '\n';
        return false;
    }
    for (const QString& call : calls) {
        out << call << '\n';
    }
    return true;
}

}  // namespace

int RunConfigureCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const SettingsFile file;
    int format = LoadStartupSettings(file).settings.OutputFormat;
    bool all = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--format") && i + 1 < args.size()) {
            // A name of convert --format, or a stored code (also those only a hand-edited file
            // can choose).
            bool ok = false;
            format = args[++i].toInt(&ok);
            if (!ok) {
                const OutputFormat* named = FindOfferedFormat(args[i]);
                if (!named) {
                    err << "configure: unknown format '" << args[i] << "' (" << OfferedFormatNames()
                        << " or a stored code)\n";
                    return kCliUsage;
                }
                format = named->code;
            }
        } else if (args[i] == QStringLiteral("--all")) {
            all = true;
        } else {
            err << "configure: unexpected argument '" << args[i] << "' (usage: configure "
                << "[--format NAME|N | --all])\n";
            return kCliUsage;
        }
    }
    if (!all) {
        return PrintCalls(format, file, out, err) ? kCliOk : kCliFailed;
    }
    // One format's refused setting does not hide the others.
    bool allConfigured = true;
    for (const OutputFormat& f : OutputFormats()) {
        if (f.offered) {
            out << "# " << f.cliName << " (" << f.shown << ")\n";
            out.flush();
            allConfigured = PrintCalls(f.code, file, out, err) && allConfigured;
        }
    }
    return allConfigured ? kCliOk : kCliFailed;
}
