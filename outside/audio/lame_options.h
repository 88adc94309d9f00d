#pragma once

#include <lame/lame.h>

#include <QString>

#include "components/lame_encoder_settings.h"

// Maps the values of the MP3 encoder settings object onto a fresh LAME handle (before
// lame_init_params). Throws ComponentError naming `shownPath` for a value LAME cannot take.
void ApplyMp3Options(lame_global_flags* gfp, const Mp3EncoderOptions& options,
                     const QString& shownPath);

// Applies LAME-style command-line switches, as the lame program reads them, on top of whatever
// was set before. Throws ComponentError naming an unknown or malformed switch.
void ApplyLameCommandLine(lame_global_flags* gfp, const QString& commandLine,
                          const QString& shownPath);

// The sample rates an MP3 stream can have.
bool IsMp3SampleRate(int hz);
