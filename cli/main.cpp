#include <QCoreApplication>
#include <QTextStream>
#include <array>
#include <cstdio>

#include "cli/commands.h"
#include "platform/native_name.h"
#include "quorvel_version.h"

namespace {

constexpr std::array<const CliCommand*, 6> kCommands = {&kSettingsCommand, &kTagsCommand,
                                                        &kProbeCommand,    &kConfigureCommand,
                                                        &kConvertCommand,  &kLoudnessCommand};

const CliCommand* FindCommand(const QString& name) {
    for (const CliCommand* command : kCommands) {
        if (name == QLatin1String(command->name)) {
            return command;
        }
    }
    return nullptr;
}

QString Usage() {
    QString text = QStringLiteral(
        "Usage: quorvel-cli COMMAND [ARGS...]\n"
        "       quorvel-cli COMMAND --help    what COMMAND does, and its options\n"
        "\n"
        "Commands:\n");
    for (const CliCommand* command : kCommands) {
        text += QStringLiteral("  %1%2\n")
                    .arg(QLatin1String(command->name), -12)
                    .arg(QLatin1String(command->summary));
    }
    text += QStringLiteral(
        "\n"
        "Options:\n"
        "  -h, --help    show this text (help COMMAND: that command's)\n"
        "  --version     show the version\n"
        "\n"
        "Exit status: 0 success, 1 failure, 2 usage error; convert: 0 only when every file\n"
        "finished or was skipped because its output exists; 130, 143 or 129 when stopped by\n"
        "SIGINT (Ctrl-C), SIGTERM or SIGHUP.\n");
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    // From argv itself: Qt's own list has lost the bytes of a file name that is not UTF-8.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << NameFromNative(QByteArray(argv[i]));
    }
    if (args.isEmpty()) {
        err << "quorvel-cli: missing command (try --help)\n";
        return kCliUsage;
    }
    const QString name = args.takeFirst();
    if (IsHelpOption(name) || name == QLatin1String("help")) {
        if (args.isEmpty()) {
            out << Usage();
            return kCliOk;
        }
        // help COMMAND, as git and others answer it.
        if (const CliCommand* command = FindCommand(args.first()); command && args.size() == 1) {
            return PrintCommandHelp(*command, out);
        }
        err << "quorvel-cli: no help for '" << args.join(QLatin1Char(' ')) << "' (try --help)\n";
        return kCliUsage;
    }
    if (name == QLatin1String("--version")) {
        out << "quorvel-cli " QUORVEL_VERSION "\n";
        return kCliOk;
    }
    if (const CliCommand* command = FindCommand(name)) {
        return command->run(args, out, err);
    }
    err << "quorvel-cli: unknown command '" << name << "' (try --help)\n";
    return kCliUsage;
}
