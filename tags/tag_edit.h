#pragma once

#include <QString>
#include <array>
#include <optional>

// The seven fields of `quorvel-cli tags` for the formats that have no reader of our own, through
// TagLib: FLAC, Opus, FLAC in Ogg, MP4, WavPack, Monkey's Audio and AIFF.

enum class TagEditFormat { Flac, OggOpus, OggFlac, Mp4, WavPack, Ape, Aiff };

// Title, Artist, Album, Year, Track, Comment, Genre, in this order.
inline constexpr std::size_t kTagEditFieldCount = 7;
using TagEditValues = std::array<QString, kTagEditFieldCount>;
using TagEditChanges = std::array<std::optional<QString>, kTagEditFieldCount>;

// The format the file's name claims (.flac, .opus, .m4a .m4b .mp4, .wv, .ape, .aif .aiff .aifc).
// For .ogg and .oga the content decides: Opus or FLAC inside; Vorbis, anything else or no
// readable file gives nullopt, as does every other name.
std::optional<TagEditFormat> TagEditFormatOf(const QString& path);

// The seven fields as the file holds them: several values joined with "; ", Track with its total
// after a slash ("3/12") however the format keeps it. Throws TagError naming the file and the
// cause (not a file of that format, damaged, unreadable). The file is only read.
TagEditValues ReadTagEdit(const QString& path, TagEditFormat format);

// Gives each field named in changes its one value (an empty value removes the field); every other
// field, the pictures and the audio stay. The new file is written beside the old one, read back
// and then put in its place by one rename, so that a failure leaves the file as it was. Throws
// TagError naming the file and the cause.
void WriteTagEdit(const QString& path, TagEditFormat format, const TagEditChanges& changes);
