#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The ID3v2 byte format, without Qt, so that a fuzzer can drive it on its own.

inline constexpr int kId3FrameCount = 7;
// The seven frames handled, in the order of the tag record's frame table.
inline constexpr std::array<const char*, kId3FrameCount> kId3FrameIds = {
    "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};
inline constexpr std::size_t kId3HeaderSize = 10;
// Only this many bytes of each frame's data are kept.
inline constexpr std::size_t kId3ValueCap = 250;

// The length of the tag that header (kId3HeaderSize bytes) opens, header included, footer
// excluded; 0 when the bytes are not an ID3v2.3 or ID3v2.4 header.
std::uint64_t Id3v2TagLength(const unsigned char* header);

// The number of bytes an ID3v2 tag of any version (2.2 to 2.4) occupies at the start of a file
// whose first bytes are header, footer included; 0 when there is no such tag.
std::uint64_t Id3v2ExistingTagLength(const unsigned char* header);

// Reads the seven frames from a whole tag (header first). Each text is UTF-8 with its leading and
// trailing blanks removed; a frame that is missing gives an empty text; a later frame of the same
// identifier wins. Never reads outside data[0, size).
std::array<std::string, kId3FrameCount> ParseId3v2Tag(const unsigned char* data, std::size_t size);
