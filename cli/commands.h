#pragma once

#include <QStringList>
#include <QTextStream>

// Exit statuses shared by every subcommand.
enum CliStatus { kCliOk = 0, kCliFailed = 1, kCliUsage = 2 };

// Each subcommand gets the arguments after its name and writes to out (results) and err (one-line
// messages). It returns a CliStatus.
int RunSettingsCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int RunTagsCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int RunProbeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int RunConfigureCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int RunLoudnessCommand(const QStringList& args, QTextStream& out, QTextStream& err);
int RunConvertCommand(const QStringList& args, QTextStream& out, QTextStream& err);
