#pragma once

#include <QString>

// Which input an output was made from, kept with the output itself (an extended attribute,
// user.quorvel.source), so that a later run updates or skips only the outputs of the same input.

// Marks the file; false when the file system keeps no such attributes (the output is fine).
bool MarkOutputSource(const QString& outputPath, const QString& inputPath);

// The input the file was marked with, as an absolute path; empty when it bears no mark.
QString OutputSource(const QString& outputPath);
