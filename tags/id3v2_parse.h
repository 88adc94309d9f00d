#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The ID3v2 byte format, without Qt, so that a fuzzer can drive it on its own.

inline constexpr int kId3FrameCount = 7;
// The seven frames handled, in the order of the tag record's frame table.
inline constexpr std::array<const char*, kId3FrameCount> kId3FrameIds = {
    "TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "COMM"};
// The same frames as a version 2.2 tag names them.
inline constexpr std::array<const char*, kId3FrameCount> kId3v22FrameIds = {
    "TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM"};
inline constexpr int kId3CommentField = 6;
inline constexpr int kId3YearField = 4;
inline constexpr std::size_t kId3HeaderSize = 10;
// Only this many bytes of each frame's data are kept.
inline constexpr std::size_t kId3ValueCap = 250;

// The length of the tag that header (kId3HeaderSize bytes) opens, header included, footer
// excluded; 0 when the bytes are not an ID3v2.2, 2.3 or 2.4 header.
std::uint64_t Id3v2TagLength(const unsigned char* header);

// The number of bytes an ID3v2 tag of any version (2.2 to 2.4) occupies at the start of a file
// whose first bytes are header, footer included; 0 when there is no such tag.
std::uint64_t Id3v2ExistingTagLength(const unsigned char* header);

// One frame as the tag stores it, so that a rewrite can put it back unchanged.
struct Id3v2Frame {
    std::string id;                   // four characters (three in a version 2.2 tag)
    unsigned char flags[2] = {0, 0};  // as stored; always 0 in version 2.2
    std::vector<unsigned char> data;  // as stored, tag-wide unsynchronisation undone
};

struct Id3v2Frames {
    unsigned char major = 0;  // 2, 3 or 4; 0 when there is no tag that can be read
    std::vector<Id3v2Frame> frames;
};

// Splits a whole tag (header first) into its frames. Version 2.3 tag-wide and version 2.4 tag-wide
// unsynchronisation are undone (the 2.4 frames then carry no unsynchronisation flag); per-frame
// unsynchronisation and other frame flags stay as stored. Never reads outside data[0, size).
Id3v2Frames SplitId3v2Tag(const unsigned char* data, std::size_t size);

// What a reader shows of the seven fields: each text UTF-8 with its leading and trailing blanks
// removed (the genre as stored, not yet named), and the index of the frame it came from (-1 when
// none did).
struct Id3v2Reading {
    std::array<std::string, kId3FrameCount> texts;
    std::array<int, kId3FrameCount> source{-1, -1, -1, -1, -1, -1, -1};
};
// The year is TDRC's year, else TYER (TYE); the comment is the first COMM without a description,
// else the first whose description is not one of iTunes' ("iTun..."); for the other fields a
// later frame of the same identifier wins.
Id3v2Reading ReadId3v2Fields(const Id3v2Frames& tag);

// The field (0 to 6) whose value the frame carries in a rewrite, -1 for none. Every TYER and TDRC
// (TYE) counts as the year; only the frame the comment was read from counts as the comment.
int Id3v2FieldOfFrame(const Id3v2Frames& tag, const Id3v2Reading& reading, std::size_t frame);

// Reads the seven fields from a whole tag (header first). Never reads outside data[0, size).
std::array<std::string, kId3FrameCount> ParseId3v2Tag(const unsigned char* data, std::size_t size);
