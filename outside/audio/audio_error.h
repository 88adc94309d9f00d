#pragma once

#include <QString>
#include <cstdio>

// Every failure of the audio components names the file and the cause, in one shape:
// "<what failed> <file>: <cause>".
[[noreturn]] void ThrowAudioError(const QString& what, const QString& file, const QString& cause);

// Flushes and closes an output stream, so that a full disk shows as an error instead of a short
// file; the stream is closed in every case.
void CloseOutputStream(std::FILE* file, const QString& shownPath);
