#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class IAudioFile2;

// The middle value of the runs of one case.
double Median(std::vector<double> values);

// Runs a reference tool to its end; throws ComponentError naming it when it fails.
void RunTool(const QString& program, const QStringList& arguments);

// Reader to writer in the conversion's blocks, with nothing around them; `configure` sets the
// writer's format before the output is created.
void ConvertBare(const QString& in, const QString& out,
                 const std::function<void(IAudioFile2&)>& configure);
