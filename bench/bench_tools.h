#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class IAudioFile2;

// The middle value of the runs of one case.
double Median(std::vector<double> values);

// Runs `ours` and `other` in turn `runs` times and prints the medians of their wall and CPU
// times (this process and the tools it ran) and the ratios, under `name` and `otherName`.
void Compare(const char* name, const char* otherName, int runs, const std::function<void()>& ours,
             const std::function<void()>& other);

// Runs a reference tool to its end; throws ComponentError naming it when it fails.
void RunTool(const QString& program, const QStringList& arguments);

// Reader to writer in the conversion's blocks, with nothing around them; `configure` sets the
// writer's format before the output is created.
void ConvertBare(const QString& in, const QString& out,
                 const std::function<void(IAudioFile2&)>& configure);
