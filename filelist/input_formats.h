#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// One family of input files as the open dialog offers it: a name and its extensions (lower
// case, without the dot). Which decoder reads a file is decided by its content, not by this.
struct InputFamily {
    QString name;
    QStringList extensions;
};

// Every family, MPEG and WAV first.
const std::vector<InputFamily>& InputFamilies();

// Every supported extension, in the families' order.
QStringList SupportedInputExtensions();

// True when the name ends in a supported extension, in any case: the files Add Folder adds.
bool IsSupportedInputName(const QString& name);

// The open dialog's filters: "All Supported Files (...)" (cue sheets included), then one entry
// per family, then the cue sheets.
QStringList InputFileFilters();
