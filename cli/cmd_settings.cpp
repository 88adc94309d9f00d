#include <algorithm>

#include "cli/commands.h"
#include "settings/app_settings.h"
#include "settings/settings_file.h"

namespace {

QString Help() {
    return QStringLiteral(
        "Usage: quorvel-cli settings\n"
        "\n"
        "Print the seven settings start-up would load, one Key=value line each: OutputDir,\n"
        "OutputFormat, FadeIn, FadeOut, FadeInTime, FadeOutTime, NormalizeVolume. A settings\n"
        "file that cannot be read is reported, the defaults are printed and the exit status\n"
        "is 1.\n"
        "\n"
        "Options:\n"
        "  -h, --help    show this text\n");
}

int Run(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (std::any_of(args.begin(), args.end(), IsHelpOption)) {
        return PrintCommandHelp(kSettingsCommand, out);
    }
    if (!args.isEmpty()) {
        err << "quorvel-cli: settings: unexpected argument '" << args.first() << "'\n";
        return kCliUsage;
    }
    const SettingsFile file;
    const QString problem = file.ReadProblem();
    if (!problem.isEmpty()) {
        err << "quorvel-cli: settings: " << problem << '\n';
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

}  // namespace

const CliCommand kSettingsCommand{"settings", "print the seven settings start-up would load", Help,
                                  Run};
