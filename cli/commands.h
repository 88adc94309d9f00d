#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// Exit statuses shared by every subcommand.
enum CliStatus { kCliOk = 0, kCliFailed = 1, kCliUsage = 2 };

// One subcommand. Each lives in its own file with its parser and its help text; main lists them.
struct CliCommand {
    const char* name;
    const char* summary;  // its line in the list of commands
    // The text `quorvel-cli NAME --help` prints: a usage line, what it does, each option.
    QString (*help)();
    // Gets the arguments after its name and writes to out (results) and err (one-line
    // messages). Returns a CliStatus.
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

extern const CliCommand kSettingsCommand;
extern const CliCommand kTagsCommand;
extern const CliCommand kProbeCommand;
extern const CliCommand kConfigureCommand;
extern const CliCommand kConvertCommand;
extern const CliCommand kLoudnessCommand;

// -h or --help: a command's own help, wherever its options may stand.
bool IsHelpOption(const QString& arg);

// Prints the command's help to out; returns kCliOk.
int PrintCommandHelp(const CliCommand& command, QTextStream& out);

// Takes the leading "--" of commands whose arguments are files: after it, a file may be called
// "--help". Returns true when the help was asked for before any such end.
bool FileArgumentsAskForHelp(QStringList& args);
