#pragma once

#include <cstddef>
#include <string>

// Byte-level text conversions for the tag parsers. Plain C++ (no Qt) so that the parsers can be
// built on their own for fuzzing. Every result is UTF-8; invalid input becomes U+FFFD, never an
// error.

void AppendUtf8(std::string& out, char32_t codePoint);
std::string Latin1ToUtf8(const unsigned char* data, std::size_t size);
// Decodes UTF-16 code units in the given byte order; an odd last byte is ignored.
std::string Utf16ToUtf8(const unsigned char* data, std::size_t size, bool bigEndian);
// Cuts a UTF-8 text to at most maxBytes without splitting a character.
std::string CutUtf8(const std::string& text, std::size_t maxBytes);
// Removes leading and trailing bytes 0 to 32 (blanks and control characters).
std::string TrimBlanks(const std::string& text);
// Copies UTF-8, replacing every invalid or overlong sequence by U+FFFD.
std::string SanitiseUtf8(const unsigned char* data, std::size_t size);
