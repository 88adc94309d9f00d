#include "tags/asf_legacy_parse.h"

#include <cstring>
#include <vector>

#include "tags/tag_text.h"

namespace {

// {D6E229D1-35DA-11D1-9034-00A0C90349BE} and {D6E229D5-...}, as stored (first three fields
// little-endian).
constexpr unsigned char kOuterGuid[16] = {0xD1, 0x29, 0xE2, 0xD6, 0xDA, 0x35, 0xD1, 0x11,
                                          0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE};
constexpr unsigned char kDescriptionGuid[16] = {0xD5, 0x29, 0xE2, 0xD6, 0xDA, 0x35, 0xD1, 0x11,
                                                0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE};
constexpr std::uint64_t kObjectHeaderSize = 24;
constexpr std::uint64_t kEntryHeaderSize = 9;
// Of a longer text only this many UTF-16 units are kept.
constexpr std::uint64_t kMaxTextUnits = 511;

std::uint64_t Little64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

std::uint16_t Little16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// A text of units UTF-16 units at offset: its first kMaxTextUnits units up to the first zero.
bool ReadText(AsfByteSource& source, std::uint64_t offset, std::uint64_t units, std::string& out) {
    const std::uint64_t kept = units < kMaxTextUnits ? units : kMaxTextUnits;
    std::vector<unsigned char> bytes(static_cast<std::size_t>(kept * 2));
    if (kept > 0 && !source.ReadAt(offset, bytes.data(), bytes.size())) {
        return false;
    }
    std::size_t end = 0;
    while (end + 1 < bytes.size() && (bytes[end] != 0 || bytes[end + 1] != 0)) {
        end += 2;
    }
    out = Utf16ToUtf8(bytes.data(), end, false);
    return true;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    const std::size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y) {
            return false;
        }
    }
    return true;
}

// A decimal number with optional surrounding blanks and sign, else 0; low 16 bits kept.
std::uint16_t DecimalOrZero(const std::string& text) {
    const std::string trimmed = TrimBlanks(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) {
        negative = trimmed[i] == '-';
        ++i;
    }
    if (i == trimmed.size()) {
        return 0;
    }
    std::uint32_t value = 0;
    for (; i < trimmed.size(); ++i) {
        if (trimmed[i] < '0' || trimmed[i] > '9' || value > 100000000) {
            return 0;
        }
        value = value * 10 + static_cast<std::uint32_t>(trimmed[i] - '0');
    }
    return static_cast<std::uint16_t>(negative ? 0u - value : value);
}

// The entries of a description object whose content spans [begin, end).
void ReadDescription(AsfByteSource& source, std::uint64_t begin, std::uint64_t end,
                     AsfLegacyTags& tags) {
    unsigned char countBytes[2];
    if (end - begin < 2 || !source.ReadAt(begin, countBytes, 2)) {
        return;
    }
    const std::uint16_t count = Little16(countBytes);
    std::uint64_t pos = begin + 2;
    for (std::uint16_t i = 0; i < count; ++i) {
        unsigned char fixed[kEntryHeaderSize];
        if (end - pos < kEntryHeaderSize || !source.ReadAt(pos, fixed, kEntryHeaderSize)) {
            return;
        }
        const unsigned type = fixed[0];
        const std::uint64_t nameBytes = std::uint64_t(Little16(fixed + 5)) * 2;
        const std::uint64_t valueBytes = std::uint64_t(Little16(fixed + 7)) * 2;
        pos += kEntryHeaderSize;
        if (end - pos < nameBytes + valueBytes) {
            return;  // the entry claims more than its object holds
        }
        std::string name;
        std::string value;
        if (!ReadText(source, pos, nameBytes / 2, name) ||
            !ReadText(source, pos + nameBytes, valueBytes / 2, value)) {
            return;
        }
        pos += nameBytes + valueBytes;
        switch (type) {
            case 1:
                tags.author = value;
                break;
            case 2:
                tags.title = value;
                break;
            case 3:
                tags.type3Text = value;
                break;
            case 4:
                tags.description = value;
                break;
            default:
                if (type < 100) {
                    break;
                }
                if (EqualsIgnoringCase(name, "WM/Track")) {
                    tags.track = DecimalOrZero(value);
                } else if (EqualsIgnoringCase(name, "WM/Year")) {
                    tags.year = value;
                } else if (EqualsIgnoringCase(name, "WM/AlbumTitle")) {
                    tags.album = value;
                }
                break;
        }
    }
}

}  // namespace

bool AsfMemorySource::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    if (offset > size_ || size > size_ - offset) {
        return false;
    }
    if (size > 0) {
        std::memcpy(buffer, data_ + offset, size);
    }
    return true;
}

AsfLegacyTags ParseAsfLegacyHeader(AsfByteSource& source) {
    AsfLegacyTags tags;
    unsigned char header[kObjectHeaderSize];
    if (!source.ReadAt(0, header, kObjectHeaderSize) || std::memcmp(header, kOuterGuid, 16) != 0) {
        return tags;
    }
    tags.found = true;
    // The outer size counts its own header and bounds the sub-objects. A file cut short keeps
    // what stands before the cut: a description object that runs past the end of the file still
    // gives the entries that are whole.
    const std::uint64_t end = Little64(header + 16);
    const std::uint64_t fileSize = source.Size();
    std::uint64_t pos = kObjectHeaderSize;
    while (pos < end && end - pos >= kObjectHeaderSize) {
        if (!source.ReadAt(pos, header, kObjectHeaderSize)) {
            break;
        }
        const std::uint64_t size = Little64(header + 16);
        if (size < kObjectHeaderSize || size > end - pos) {
            break;
        }
        if (std::memcmp(header, kDescriptionGuid, 16) == 0) {
            const std::uint64_t objectEnd = pos + size < fileSize ? pos + size : fileSize;
            ReadDescription(source, pos + kObjectHeaderSize, objectEnd, tags);
        }
        pos += size;
    }
    return tags;
}
