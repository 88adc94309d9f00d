#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The middle value of the runs of one case.
double Median(std::vector<double> values);

// Runs a reference tool to its end; throws ComponentError naming it when it fails.
void RunTool(const QString& program, const QStringList& arguments);
