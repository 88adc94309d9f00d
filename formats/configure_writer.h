#pragma once

#include <QString>

#include "components/quorvel_error.h"

class IAudioFile2;
class IAudioFile2LameEnc;
class SettingsFile;

// A stored encoder setting that cannot be used as it stands (an index outside its table). The
// message names the key, its value and the valid range.
class ConfigureError : public QuorvelError {
  public:
    using QuorvelError::QuorvelError;
};

// Prepares the writer for one output format (a code of the format table; an unknown code
// configures nothing) from the encoder keys of the settings file, read afresh at every call.
// commandLine is the settings dialog's LAME command-line text, held for the run and never stored.
// Throws ConfigureError for an unusable stored value, before anything is sent; component failures
// arrive as ComponentError.
void ConfigureWriter(int format, const SettingsFile& settings, const QString& commandLine,
                     IAudioFile2LameEnc& encoder, IAudioFile2& writer);
