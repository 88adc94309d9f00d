#pragma once

#include <QString>

// Every failure of the audio components names the file and the cause, in one shape:
// "<what failed> <file>: <cause>".
[[noreturn]] void ThrowAudioError(const QString& what, const QString& file, const QString& cause);
