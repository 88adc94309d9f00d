#include "support/tool_run.h"

#include <gtest/gtest.h>

#include <QProcess>

QByteArray ToolOutput(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    const bool ran =
        p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    EXPECT_TRUE(ran) << program.toStdString() << " " << args.join(QLatin1Char(' ')).toStdString()
                     << ": " << p.readAllStandardError().toStdString();
    return p.readAllStandardOutput();
}
