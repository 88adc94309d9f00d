#pragma once

#include <lame/lame.h>

#include <QString>

#include "components/lame_encoder_settings.h"

// Maps the values of the MP3 encoder settings object onto a fresh LAME handle (before
// lame_init_params): the preset or the explicit settings, then the command-line switches.
// Throws ComponentError for a value LAME cannot take; the message names `shownPath`, or the
// settings themselves when `shownPath` is empty (checked before any output exists).
void ApplyMp3Options(lame_global_flags* gfp, const Mp3EncoderOptions& options,
                     const QString& shownPath);

// Checks every value and every command-line switch without an output file, so that a mistake is
// reported when the writer is configured rather than half way through a batch.
void CheckMp3Options(const Mp3EncoderOptions& options);

// Applies LAME-style command-line switches, as the lame program reads them, on top of whatever
// was set before. Throws ComponentError naming an unknown or malformed switch.
void ApplyLameCommandLine(lame_global_flags* gfp, const QString& commandLine,
                          const QString& shownPath);

// Whether the switches choose a channel mode of their own ("-m", "--preset phone").
bool LameCommandLineSetsMode(const QString& commandLine);

// The channel modes the settings and the switches share: 0 mono, 1 stereo, 2 joint stereo,
// 3 forced joint stereo (mid/side in every frame), 4 dual channel. False for any other value.
bool ApplyLameChannelMode(lame_global_flags* gfp, int mode);

// De-emphasis as the settings and the switches name it: 0 none, 1 50/15 microseconds, 2 CCITT
// J.17. False for any other value.
bool ApplyLameEmphasis(lame_global_flags* gfp, int emphasis);

// Where a settings value or a switch is refused: "Cannot encode <file>: <cause>", or without a
// file "Cannot use the MP3 encoder settings: <cause>".
[[noreturn]] void RefuseMp3Setting(const QString& shownPath, const QString& cause);
