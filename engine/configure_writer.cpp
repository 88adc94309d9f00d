#include "engine/configure_writer.h"

// The tables and the call sequences arrive with the encoder configuration work.
void ConfigureWriter(int, const SettingsFile&, const QString&, IAudioFile2LameEnc&, IAudioFile2&) {}
