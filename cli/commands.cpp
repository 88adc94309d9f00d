#include "cli/commands.h"

bool IsHelpOption(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}

int PrintCommandHelp(const CliCommand& command, QTextStream& out) {
    out << command.help();
    return kCliOk;
}

bool FileArgumentsAskForHelp(QStringList& args) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--")) {
            args.removeAt(i);
            return false;
        }
        if (IsHelpOption(args[i])) {
            return true;
        }
    }
    return false;
}
