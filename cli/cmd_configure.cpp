#include "cli/commands.h"
#include "cli/recording_components.h"
#include "engine/configure_writer.h"
#include "settings/app_settings.h"
#include "settings/settings_file.h"

int RunConfigureCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    const SettingsFile file;
    int format = LoadStartupSettings(file).settings.OutputFormat;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--format") && i + 1 < args.size()) {
            bool ok = false;
            format = args[++i].toInt(&ok);
            if (!ok) {
                err << "configure: --format needs a whole number, not '" << args[i] << "'\n";
                return kCliUsage;
            }
        } else {
            err << "configure: unexpected argument '" << args[i] << "' (usage: configure "
                << "[--format N])\n";
            return kCliUsage;
        }
    }
    QStringList calls;
    RecordingEncoderSettings encoder(calls);
    RecordingWriter writer(calls);
    // The command-line text of the settings dialog is never stored, so a shell has none.
    try {
        ConfigureWriter(format, file, QString(), encoder, writer);
    } catch (const ConfigureError& e) {
        err << "configure: " << e.Message() << '\n';
        return kCliFailed;
    }
    for (const QString& call : calls) {
        out << call << '\n';
    }
    return kCliOk;
}
