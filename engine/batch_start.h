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

// The levels the settings dialog offers for normalisation, in percent.
constexpr int kMinNormalizeVolume = 1;
constexpr int kMaxNormalizeVolume = 100;

// The common start of every batch: "Please add file!" on an empty list, a silent no while a
// batch runs, else sets Converting, configures the writer, closes it and prepares the output
// folder (removing what killed runs left there). Returns false when the batch must not run; a
// configuration failure (or, for a normalisation, a stored level outside the dialog's range) is
// shown and leaves Converting clear.
bool StartBatch(BatchParts& parts, BatchHost& host, BatchSetup& setup, bool normalize);

// The common end: progress back to 0, Converting cleared, percentage text blank.
void EndBatch(BatchParts& parts, BatchHost& host);

// The error text with the file it concerns, unless the text names it already.
QString MessageNamingFile(const QString& message, const QString& inputPath);

// The message of a failure, whichever of our error types carries it.
QString ErrorText(const std::exception& e);
