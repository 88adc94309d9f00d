#pragma once

// The seven fields a tag write may set, as bits. A field outside the set keeps what the file
// holds, frame or comment or attribute, exactly as it is.
using TagFields = unsigned;

namespace TagField {
inline constexpr TagFields Title = 1u << 0;
inline constexpr TagFields Artist = 1u << 1;
inline constexpr TagFields Album = 1u << 2;
inline constexpr TagFields Track = 1u << 3;
inline constexpr TagFields Year = 1u << 4;
inline constexpr TagFields Genre = 1u << 5;
inline constexpr TagFields Comment = 1u << 6;
inline constexpr TagFields All = 0x7Fu;
}  // namespace TagField
