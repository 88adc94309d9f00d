#pragma once

#include <QString>
#include <exception>

#include "engine/batch_host.h"
#include "engine/batch_parts.h"

// What both batches settle before their first row.
struct BatchSetup {
    QString extension;
    QString outputDir;  // ends with the separator
};

// The common start of ConvertAll and NormalizeAll: "Please add file!" on an empty list, a silent
// no while a batch runs, else sets Converting, configures the writer, closes it and prepares the
// output folder. Returns false when the batch must not run; a configuration failure is shown and
// leaves Converting clear.
bool StartBatch(BatchParts& parts, BatchHost& host, BatchSetup& setup);

// The common start of one row: pump, see whether a stop was asked, progress to 0, and the input
// path. A vanished input is reported (" has been removed.") and skipped.
enum class RowStart { Go, Skip, Stop };
RowStart BeginRow(BatchHost& host, const MainState& state, int row, QString& input);

// The common end: progress back to 0, Converting cleared, percentage text blank.
void EndBatch(BatchParts& parts, BatchHost& host);

// A failure that ended the batch in the middle of a row: both components let go of the file
// without completing it, the reserved or partial output is deleted, the row shows "Error", the
// batch ends and the error is shown naming the file.
void FailBatch(BatchParts& parts, BatchHost& host, int row, const QString& inputPath,
               const QString& outputPath, const QString& message);

// Lets both instances drop what they hold without completing an output.
void AbandonFile(IAudioFile2& reader, IAudioFile2& writer);

// The error text with the file it concerns, unless the text names it already.
QString MessageNamingFile(const QString& message, const QString& inputPath);

// The message of a failure, whichever of our error types carries it.
QString ErrorText(const std::exception& e);
