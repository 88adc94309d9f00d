#include "support/cli_run.h"

#include <QDir>
#include <QProcessEnvironment>

void StartCli(QProcess& process, const QStringList& args, const QString& configHome) {
    if (!configHome.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
        env.insert(QStringLiteral("HOME"), configHome);
        // The Trash too: a run never reaches the real user's files.
        env.insert(QStringLiteral("XDG_DATA_HOME"), configHome + QStringLiteral("/.local/share"));
        process.setProcessEnvironment(env);
    }
    process.start(QDir(QStringLiteral(QUORVEL_BIN_DIR)).filePath(QStringLiteral("quorvel-cli")),
                  args);
}

CliResult RunCli(const QStringList& args, const QString& configHome, int timeoutMs) {
    QProcess process;
    StartCli(process, args, configHome);
    process.waitForFinished(timeoutMs);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
