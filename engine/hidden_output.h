#pragma once

#include <QString>

// Outputs are written under a hidden name in the output folder and get their user-visible name
// only when complete and tagged, so nothing half-written ever sits under a final name. The hidden
// names carry the process id, which lets a later run tell debris of a killed run from the work of
// a run still going.

// A fresh hidden path in outputDir (ending with the separator) with the output's extension (the
// tag writer is chosen by it). Nothing is created.
QString NewHiddenOutputPath(const QString& outputDir, const QString& extension);

// Removes the hidden outputs (and the writer's temporary files beside them) that processes no
// longer running left in outputDir.
void RemoveStaleOutputs(const QString& outputDir);

// Names the finished file at hiddenPath by the output naming rule, taking the first free name
// without replacing any file; returns the name. Throws ComponentError when no name can be given.
QString NameFinishedOutput(const QString& hiddenPath, const QString& outputDir,
                           const QString& caption, const QString& inputPath,
                           const QString& extension, const QString& prefix);
