#pragma once

#include <QString>
#include <cstddef>
#include <cstdio>

// Every failure of the audio components names the file and the cause, in one shape:
// "<what failed> <file>: <cause>".
[[noreturn]] void ThrowAudioError(const QString& what, const QString& file, const QString& cause);

// "Cannot write <file>: <cause>", the one message for every output that cannot be written.
[[noreturn]] void ThrowWriteError(const QString& file, const QString& cause);

// Writes all of `size` bytes to an output stream or throws the write error with the system's
// reason (a full disk, a lost network share).
void PutBytes(std::FILE* file, const void* data, std::size_t size, const QString& shownPath);

// Flushes and closes an output stream, so that a full disk shows as an error instead of a short
// file; the stream is closed in every case.
void CloseOutputStream(std::FILE* file, const QString& shownPath);
