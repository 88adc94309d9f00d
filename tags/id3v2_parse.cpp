#include "tags/id3v2_parse.h"

#include <cstring>
#include <vector>

#include "tags/tag_text.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kUnsyncFlag = 0x80;
constexpr unsigned char kExtendedHeaderFlag = 0x40;
constexpr unsigned char kFooterFlag = 0x10;

bool IsSyncsafe(const unsigned char* p) {
    return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0;
}

std::uint32_t Syncsafe(const unsigned char* p) {
    return (std::uint32_t(p[0] & 0x7F) << 21) | (std::uint32_t(p[1] & 0x7F) << 14) |
           (std::uint32_t(p[2] & 0x7F) << 7) | std::uint32_t(p[3] & 0x7F);
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

// Unsynchronisation put a zero after every 0xFF; this takes those zeros out again.
Bytes Resynchronise(const unsigned char* data, std::size_t size) {
    Bytes out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(data[i]);
        if (data[i] == 0xFF && i + 1 < size && data[i + 1] == 0x00) {
            ++i;
        }
    }
    return out;
}

bool IsFrameIdChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsFrameId(const unsigned char* p) {
    return IsFrameIdChar(p[0]) && IsFrameIdChar(p[1]) && IsFrameIdChar(p[2]) && IsFrameIdChar(p[3]);
}

// Whether a frame that ends at end is followed by what may follow a frame: the end of the tag,
// padding, or the header of another frame.
bool FrameEndsWell(const Bytes& body, std::uint64_t end) {
    if (end > body.size()) {
        return false;
    }
    if (end == body.size() || body[end] == 0) {
        return true;
    }
    return end + kId3HeaderSize <= body.size() && IsFrameId(body.data() + end);
}

// The data size the frame whose header starts at pos declares (it may leave the tag).
// Version 2.4 sizes are syncsafe, but some taggers (older iTunes among them) wrote plain 32-bit
// sizes there: the plain reading is taken when it, and not the syncsafe one, lands on the next
// frame, the padding or the end of the tag.
std::uint64_t FrameDataSize(const Bytes& body, std::size_t pos, unsigned char major) {
    const unsigned char* sizeBytes = body.data() + pos + 4;
    const std::uint64_t start = pos + kId3HeaderSize;
    const std::uint64_t plain = BigEndian32(sizeBytes);
    std::uint64_t size = plain;
    if (major == 4) {
        const bool syncsafeValid = IsSyncsafe(sizeBytes);
        const std::uint64_t syncsafe = Syncsafe(sizeBytes);
        if (syncsafeValid && (syncsafe == plain || FrameEndsWell(body, start + syncsafe) ||
                              !FrameEndsWell(body, start + plain))) {
            size = syncsafe;
        }
    }
    return size;
}

// The end of a text that starts at data[0] in the given encoding: the first terminator, or size.
std::size_t TextEnd(const unsigned char* data, std::size_t size, unsigned char encoding) {
    if (encoding == 1 || encoding == 2) {
        for (std::size_t i = 0; i + 1 < size; i += 2) {
            if (data[i] == 0 && data[i + 1] == 0) {
                return i;
            }
        }
        return size - size % 2;
    }
    const void* zero = std::memchr(data, 0, size);
    return zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - data) : size;
}

// The length of data[0, size) without an incomplete character at its end.
std::size_t CompleteTextEnd(const unsigned char* data, std::size_t size, unsigned char encoding) {
    if (encoding == 1 || encoding == 2) {
        std::size_t end = size - size % 2;
        if (end >= 2) {
            // A high surrogate whose partner was cut off.
            const bool big = encoding == 2 || (data[0] == 0xFE && data[1] == 0xFF);
            const unsigned char high = big ? data[end - 2] : data[end - 1];
            if (high >= 0xD8 && high <= 0xDB) {
                end -= 2;
            }
        }
        return end;
    }
    if (encoding == 3) {
        // Step back to the lead byte of the last character and keep it only when it is whole.
        std::size_t lead = size;
        while (lead > 0 && size - lead < 4 && (data[lead - 1] & 0xC0) == 0x80) {
            --lead;
        }
        if (lead > 0) {
            const unsigned char c = data[lead - 1];
            const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (size - (lead - 1) < need) {
                return lead - 1;
            }
        }
        return size;
    }
    return size;
}

std::size_t TerminatorSize(unsigned char encoding) {
    return (encoding == 1 || encoding == 2) ? 2 : 1;
}

// cut: the data was cut off by the read cap, so a character at its end may be incomplete and is
// dropped rather than shown as U+FFFD.
std::string DecodeText(const unsigned char* data, std::size_t size, unsigned char encoding,
                       bool cut) {
    std::size_t end = TextEnd(data, size, encoding);
    if (cut) {
        end = CompleteTextEnd(data, end, encoding);
    }
    switch (encoding) {
        case 1: {
            // UTF-16 with a byte-order mark; without one, little-endian as Windows writers do.
            if (end >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
                return Utf16ToUtf8(data + 2, end - 2, true);
            }
            if (end >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
                return Utf16ToUtf8(data + 2, end - 2, false);
            }
            return Utf16ToUtf8(data, end, false);
        }
        case 2:
            if (end >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
                return Utf16ToUtf8(data + 2, end - 2, true);
            }
            return Utf16ToUtf8(data, end, true);
        case 3:
            return SanitiseUtf8(data, end);
        default:
            return Latin1ToUtf8(data, end);
    }
}

// A text frame: encoding byte, then the text.
std::string TextFrameValue(const Bytes& value, bool cut) {
    if (value.empty()) {
        return {};
    }
    return DecodeText(value.data() + 1, value.size() - 1, value[0], cut);
}

// COMM: encoding byte, three language bytes, a terminated content description, then the text.
std::string CommentFrameValue(const Bytes& value, bool cut) {
    if (value.size() <= 4) {
        return {};
    }
    const unsigned char encoding = value[0];
    const unsigned char* rest = value.data() + 4;
    const std::size_t restSize = value.size() - 4;
    const std::size_t descriptionEnd = TextEnd(rest, restSize, encoding);
    const std::size_t textStart = descriptionEnd + TerminatorSize(encoding);
    if (textStart >= restSize) {
        return {};
    }
    return DecodeText(rest + textStart, restSize - textStart, encoding, cut);
}

}  // namespace

std::uint64_t Id3v2TagLength(const unsigned char* header) {
    if (std::memcmp(header, "ID3", 3) != 0 || (header[3] != 3 && header[3] != 4) ||
        !IsSyncsafe(header + 6)) {
        return 0;
    }
    return kId3HeaderSize + Syncsafe(header + 6);
}

std::uint64_t Id3v2ExistingTagLength(const unsigned char* header) {
    if (std::memcmp(header, "ID3", 3) != 0 || header[3] < 2 || header[3] > 4 || header[4] == 0xFF ||
        !IsSyncsafe(header + 6)) {
        return 0;
    }
    const bool footer = header[3] == 4 && (header[5] & kFooterFlag) != 0;
    return kId3HeaderSize + Syncsafe(header + 6) + (footer ? kId3HeaderSize : 0);
}

std::array<std::string, kId3FrameCount> ParseId3v2Tag(const unsigned char* data, std::size_t size) {
    std::array<std::string, kId3FrameCount> result;
    if (size < kId3HeaderSize) {
        return result;
    }
    const std::uint64_t tagLength = Id3v2TagLength(data);
    if (tagLength == 0 || tagLength > size) {
        return result;
    }
    const unsigned char major = data[3];
    const unsigned char flags = data[5];
    const bool tagUnsync = (flags & kUnsyncFlag) != 0;

    // In 2.3 unsynchronisation covers the whole body, frame headers included; in 2.4 it is undone
    // per frame.
    Bytes body = (major == 3 && tagUnsync)
                     ? Resynchronise(data + kId3HeaderSize, tagLength - kId3HeaderSize)
                     : Bytes(data + kId3HeaderSize, data + tagLength);

    std::size_t pos = 0;
    if (flags & kExtendedHeaderFlag) {
        if (body.size() < 4) {
            return result;
        }
        // 2.3 counts the size without its own four bytes; 2.4 counts them and stores it syncsafe.
        const std::uint64_t extended =
            major == 3 ? std::uint64_t(BigEndian32(body.data())) + 4 : Syncsafe(body.data());
        if (extended > body.size()) {
            return result;
        }
        pos = static_cast<std::size_t>(extended);
    }

    std::array<Bytes, kId3FrameCount> frames;
    std::array<bool, kId3FrameCount> cut{};
    while (pos + kId3HeaderSize <= body.size()) {
        const unsigned char* header = body.data() + pos;
        if (header[0] == 0) {
            break;  // padding
        }
        const std::uint64_t declared = FrameDataSize(body, pos, major);
        const std::size_t available = body.size() - pos - kId3HeaderSize;
        if (!IsFrameId(header)) {
            if (declared > available) {
                break;  // not a frame at all: nothing after it can be trusted
            }
            // A frame some tagger named badly: skip it by its size.
            pos += kId3HeaderSize + static_cast<std::size_t>(declared);
            continue;
        }
        // A known frame that claims more than the tag holds keeps what is there.
        const std::size_t frameSize =
            declared > available ? available : static_cast<std::size_t>(declared);
        const unsigned char format = header[9];
        const unsigned char* frame = body.data() + pos + kId3HeaderSize;
        pos += kId3HeaderSize + frameSize;

        int index = -1;
        for (int i = 0; i < kId3FrameCount; ++i) {
            if (std::memcmp(header, kId3FrameIds[static_cast<std::size_t>(i)], 4) == 0) {
                index = i;
                break;
            }
        }
        if (index < 0) {
            continue;
        }

        // Compressed or encrypted data is not text we can show; skip the frame.
        std::size_t skip = 0;
        bool frameUnsync = false;
        if (major == 3) {
            if (format & 0xC0) {
                continue;
            }
            skip = (format & 0x20) ? 1 : 0;
        } else {
            if (format & 0x0C) {
                continue;
            }
            skip = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
            frameUnsync = tagUnsync || (format & 0x02) != 0;
        }
        if (skip > frameSize) {
            continue;
        }
        Bytes value = frameUnsync ? Resynchronise(frame + skip, frameSize - skip)
                                  : Bytes(frame + skip, frame + frameSize);
        cut[static_cast<std::size_t>(index)] = value.size() > kId3ValueCap;
        if (value.size() > kId3ValueCap) {
            value.resize(kId3ValueCap);
        }
        frames[static_cast<std::size_t>(index)] = std::move(value);
    }

    for (int i = 0; i < kId3FrameCount; ++i) {
        const auto& value = frames[static_cast<std::size_t>(i)];
        const bool wasCut = cut[static_cast<std::size_t>(i)];
        result[static_cast<std::size_t>(i)] =
            TrimBlanks(i == 6 ? CommentFrameValue(value, wasCut) : TextFrameValue(value, wasCut));
    }
    return result;
}
