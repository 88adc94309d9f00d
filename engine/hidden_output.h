#pragma once

#include <QString>
#include <functional>

// Outputs are written under a hidden name in the output folder and get their user-visible name
// only when complete and tagged, so nothing half-written ever sits under a final name. The hidden
// names carry the process id, which lets a later run tell debris of a killed run from the work of
// a run still going.

// A fresh hidden path in outputDir (ending with the separator) with the output's extension (the
// tag writer is chosen by it). Nothing is created.
QString NewHiddenOutputPath(const QString& outputDir, const QString& extension);

// Copies the file at inputPath byte for byte to hiddenPath (created; it must not exist), calling
// keepGoing with the part done (0..10000) between blocks. Returns false when keepGoing said to
// stop; the partial copy is then the caller's to remove. Throws ComponentError naming the file
// when it cannot be read or written, or changed size while it was copied.
bool CopyToHiddenOutput(const QString& inputPath, const QString& hiddenPath,
                        const std::function<bool(int)>& keepGoing);

// Removes the hidden outputs (and the writer's temporary files beside them) that processes no
// longer running left in outputDir.
void RemoveStaleOutputs(const QString& outputDir);

// The name a row's output will get, chosen when the row starts so that rows of one batch are
// named in row order whichever finishes first: the first name of the naming rule that no file
// has and no output of this process still being written was promised. Nothing is created.
QString PromiseOutputName(const QString& outputDir, const QString& caption,
                          const QString& inputPath, const QString& extension,
                          const QString& prefix);
void ReleaseOutputName(const QString& promised);

// Promises exactly `name`, an existing output this row will replace: false when another output of
// this process has it already. Released as other promises are.
bool PromiseExactOutputName(const QString& name);

// Puts the finished file at hiddenPath in place of `target`, an output the user asked to have
// replaced when older than inputPath, with one atomic rename. When target has meanwhile become
// something else (a link, a folder, a newer file), it is left alone and the output gets the next
// free name instead. Returns the name. Throws ComponentError when no name can be given.
QString ReplaceWithFinishedOutput(const QString& hiddenPath, const QString& target,
                                  const QString& inputPath, const QString& outputDir,
                                  const QString& caption, const QString& extension,
                                  const QString& prefix);

// Names the finished file at hiddenPath: the promised name, or when another program took it
// meanwhile, the next free one; never replacing any file. Returns the name. Throws
// ComponentError when no name can be given.
QString NameFinishedOutput(const QString& hiddenPath, const QString& promised,
                           const QString& outputDir, const QString& caption,
                           const QString& inputPath, const QString& extension,
                           const QString& prefix);
