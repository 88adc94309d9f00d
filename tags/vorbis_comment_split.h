#pragma once

#include <cstddef>
#include <string>

// One raw Vorbis comment split at its first "=". Plain C++ so that a fuzzer can drive it.
struct SplitComment {
    std::string name;   // empty when the comment has no valid field name
    std::string value;  // UTF-8 as stored (may be invalid; the caller converts)
};

// Field names are printable ASCII without "=" (0x20 to 0x7D); a comment without "=" or with
// another byte before it has no name and its whole text is the value.
SplitComment SplitVorbisComment(const char* bytes, std::size_t length);
