#include "cli/commands.h"
#include "settings/app_settings.h"
#include "settings/settings_file.h"

int RunSettingsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty()) {
        err << "settings: unexpected argument '" << args.first() << "'\n";
        return kCliUsage;
    }
    const SettingsFile file;
    const QString problem = file.ReadProblem();
    if (!problem.isEmpty()) {
        err << "settings: " << problem << '\n';
    }
    const AppSettings s = LoadStartupSettings(file).settings;
    out << "OutputDir=" << s.OutputDir << '\n'
        << "OutputFormat=" << s.OutputFormat << '\n'
        << "FadeIn=" << (s.FadeIn ? 1 : 0) << '\n'
        << "FadeOut=" << (s.FadeOut ? 1 : 0) << '\n'
        << "FadeInTime=" << s.FadeInTime << '\n'
        << "FadeOutTime=" << s.FadeOutTime << '\n'
        << "NormalizeVolume=" << s.NormalizeVolume << '\n';
    return problem.isEmpty() ? kCliOk : kCliFailed;
}
