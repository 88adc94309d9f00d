#pragma once

#include <QString>

class SettingsFile;

// What happens when a row's output name is already taken by a file.
enum class ExistingOutput {
    Number = 0,  // the next free name "_1", "_2" ... (nothing is ever replaced)
    Skip = 1,    // the row is not converted
    Update = 2,  // replaced, atomically, only when older than the input; else not converted
};

// How outputs are named and placed, stored under [Names]. The defaults are the plain rule: the
// row's title or file name, flat in the output folder, numbered on collision.
struct OutputNaming {
    QString pattern;  // "pattern": empty for the plain rule, else fields and "/" for folders
    ExistingOutput existing = ExistingOutput::Number;  // "existing": 0, 1 or 2
    bool mirror = false;  // "mirror": keep the folder structure below the folder added

    friend bool operator==(const OutputNaming&, const OutputNaming&) = default;
};

// A stored value outside 0..2 reads as Number, the rule that never loses or skips anything.
OutputNaming ReadOutputNaming(const SettingsFile& file);
// Throws SettingsWriteError when the file cannot be written.
void WriteOutputNaming(SettingsFile& file, const OutputNaming& naming);

// [Format] beside: every output goes into its own input's folder (the pattern's folders below it)
// instead of the output folder. "on", "true", "yes" or 1 (in any case); off without the key.
bool ReadSaveBeside(const SettingsFile& file);
// Throws SettingsWriteError when the file cannot be written.
void WriteSaveBeside(SettingsFile& file, bool beside);
