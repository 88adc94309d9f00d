#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// What one run of quorvel-cli gave.
struct CliResult {
    int status = -1;
    QString out;
    QString err;
};

// Starts the quorvel-cli built beside the tests, with its settings (and home) in configHome when
// one is given.
void StartCli(QProcess& process, const QStringList& args, const QString& configHome = {});

// Runs quorvel-cli to its end (at most timeoutMs) and collects its exit status and output.
CliResult RunCli(const QStringList& args, const QString& configHome = {}, int timeoutMs = 60000);
