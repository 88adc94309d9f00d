#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QStringList>

// Test files made by ffmpeg and tagged by mutagen, and what mutagen reads back, through
// tag_carry_tool.py (see there). Empty results when a tool is missing.
inline bool CarryTool(const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            QStringList{QStringLiteral(QUORVEL_TAG_CARRY_TOOL)} + args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        return false;
    }
    if (out != nullptr) {
        *out = p.readAllStandardOutput();
    }
    return true;
}

// A short tone per path; with a cover, tagged with the tool's full set.
inline bool MakeCarryFiles(const QString& cover, const QStringList& paths) {
    return CarryTool(
        QStringList{QStringLiteral("make"), cover.isEmpty() ? QStringLiteral("-") : cover} + paths);
}

// What mutagen reads from each file, in canonical names.
inline QList<QJsonObject> DumpCarried(const QStringList& paths) {
    QByteArray out;
    QList<QJsonObject> dumps;
    if (!CarryTool(QStringList{QStringLiteral("dump")} + paths, &out)) {
        return dumps;
    }
    for (const QByteArray& line : out.split('\n')) {
        if (!line.isEmpty()) {
            dumps << QJsonDocument::fromJson(line).object();
        }
    }
    return dumps;
}
