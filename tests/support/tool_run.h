#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Standard output of a public tool run as an oracle; a tool that is missing or fails fails the
// test (setup installs every one).
QByteArray ToolOutput(const QString& program, const QStringList& args);
