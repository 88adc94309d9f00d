#include "tags/vorbis_comment_split.h"

#include <cstring>

SplitComment SplitVorbisComment(const char* bytes, std::size_t length) {
    SplitComment out;
    if (bytes == nullptr || length == 0) {
        return out;
    }
    const void* found = std::memchr(bytes, '=', length);
    if (found == nullptr) {
        out.value.assign(bytes, length);
        return out;
    }
    const std::size_t equals = static_cast<std::size_t>(static_cast<const char*>(found) - bytes);
    for (std::size_t i = 0; i < equals; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x20 || c > 0x7D) {
            out.value.assign(bytes, length);
            return out;
        }
    }
    out.name.assign(bytes, equals);
    out.value.assign(bytes + equals + 1, length - equals - 1);
    return out;
}
