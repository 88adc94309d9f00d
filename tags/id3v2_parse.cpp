#include "tags/id3v2_parse.h"

#include <cstring>
#include <vector>

#include "tags/tag_text.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr unsigned char kUnsyncFlag = 0x80;
constexpr unsigned char kExtendedHeaderFlag = 0x40;
constexpr unsigned char kFooterFlag = 0x10;
constexpr unsigned char kV22CompressionFlag = 0x40;

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

// The value bytes of a frame as a reader decodes them: frame-format prefixes skipped,
// unsynchronisation undone; false when the data is compressed or encrypted.
bool FrameValue(const Id3v2Frame& frame, unsigned char major, Bytes& value) {
    const std::size_t size = frame.data.size();
    const unsigned char format = frame.flags[1];
    std::size_t skip = 0;
    bool unsync = false;
    if (major == 3) {
        if (format & 0xC0) {
            return false;
        }
        skip = (format & 0x20) ? 1 : 0;
    } else if (major == 4) {
        if (format & 0x0C) {
            return false;
        }
        skip = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
        unsync = (format & 0x02) != 0;
    }
    if (skip > size) {
        return false;
    }
    value = unsync
                ? Resynchronise(frame.data.data() + skip, size - skip)
                : Bytes(frame.data.begin() + static_cast<std::ptrdiff_t>(skip), frame.data.end());
    return true;
}

// The COMM content description, decoded; empty when the frame has none.
std::string CommentDescription(const Bytes& value) {
    if (value.size() <= 4) {
        return {};
    }
    const std::size_t end = TextEnd(value.data() + 4, value.size() - 4, value[0]);
    return DecodeText(value.data() + 4, end, value[0], false);
}

int FieldIndex(const std::string& id, unsigned char major) {
    const auto& ids = major == 2 ? kId3v22FrameIds : kId3FrameIds;
    for (int i = 0; i < kId3FrameCount; ++i) {
        if (id == ids[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    return -1;
}

bool IsDateFrame(const std::string& id) {
    return id == "TDRC";
}

// The year of a recording time such as "2020-03-12T10:00": its leading digits.
std::string YearOf(const std::string& time) {
    std::size_t digits = 0;
    while (digits < time.size() && time[digits] >= '0' && time[digits] <= '9') {
        ++digits;
    }
    return digits == 0 ? time : time.substr(0, digits);
}

}  // namespace

std::uint64_t Id3v2TagLength(const unsigned char* header) {
    if (std::memcmp(header, "ID3", 3) != 0 || header[3] < 2 || header[3] > 4 ||
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

Id3v2Frames SplitId3v2Tag(const unsigned char* data, std::size_t size) {
    Id3v2Frames result;
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
    if (major == 2 && (flags & kV22CompressionFlag)) {
        return result;  // a compression scheme that was never defined: nothing can be read
    }

    // In 2.2 and 2.3 unsynchronisation covers the whole body, frame headers included; in 2.4 it
    // is undone per frame.
    Bytes body = (major != 4 && tagUnsync)
                     ? Resynchronise(data + kId3HeaderSize, tagLength - kId3HeaderSize)
                     : Bytes(data + kId3HeaderSize, data + tagLength);

    std::size_t pos = 0;
    // Some taggers set the extended-header flag without writing one: when a frame identifier
    // stands where its size would be, the frames start at once.
    if (major != 2 && (flags & kExtendedHeaderFlag) &&
        !(body.size() >= 4 && IsFrameId(body.data()))) {
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
    result.major = major;

    const std::size_t headerSize = major == 2 ? 6 : kId3HeaderSize;
    while (pos + headerSize <= body.size()) {
        const unsigned char* header = body.data() + pos;
        if (header[0] == 0) {
            break;  // padding
        }
        std::uint64_t declared;
        bool validId;
        if (major == 2) {
            declared =
                (std::uint64_t(header[3]) << 16) | (std::uint64_t(header[4]) << 8) | header[5];
            validId =
                IsFrameIdChar(header[0]) && IsFrameIdChar(header[1]) && IsFrameIdChar(header[2]);
        } else {
            declared = FrameDataSize(body, pos, major);
            validId = IsFrameId(header);
        }
        const std::size_t available = body.size() - pos - headerSize;
        if (!validId && declared > available) {
            break;  // not a frame at all: nothing after it can be trusted
        }
        // A frame that claims more than the tag holds keeps what is there.
        const std::size_t frameSize =
            declared > available ? available : static_cast<std::size_t>(declared);
        Id3v2Frame frame;
        frame.id.assign(reinterpret_cast<const char*>(header), major == 2 ? 3 : 4);
        if (major != 2) {
            frame.flags[0] = header[8];
            frame.flags[1] = header[9];
        }
        const unsigned char* start = header + headerSize;
        if (major == 4 && tagUnsync) {
            frame.data = Resynchronise(start, frameSize);
            frame.flags[1] = static_cast<unsigned char>(frame.flags[1] & ~0x02);
        } else {
            frame.data.assign(start, start + frameSize);
        }
        pos += headerSize + frameSize;
        result.frames.push_back(std::move(frame));
    }
    return result;
}

Id3v2Reading ReadId3v2Fields(const Id3v2Frames& tag) {
    Id3v2Reading reading;
    int firstBlankComment = -1;
    int firstOtherComment = -1;
    int lastDate = -1;
    std::array<Bytes, kId3FrameCount> values;
    std::array<bool, kId3FrameCount> cut{};
    Bytes dateValue;
    bool dateCut = false;
    Bytes blankComment, otherComment;
    bool blankCut = false, otherCut = false;

    for (std::size_t f = 0; f < tag.frames.size(); ++f) {
        const Id3v2Frame& frame = tag.frames[f];
        const int index = FieldIndex(frame.id, tag.major);
        const bool date = tag.major != 2 && IsDateFrame(frame.id);
        if (index < 0 && !date) {
            continue;
        }
        Bytes value;
        if (!FrameValue(frame, tag.major, value)) {
            continue;  // compressed or encrypted data is not text we can show
        }
        const bool wasCut = value.size() > kId3ValueCap;
        if (index == kId3CommentField) {
            const std::string description = CommentDescription(value);
            const bool blank = TrimBlanks(description).empty();
            if (value.size() > kId3ValueCap) {
                value.resize(kId3ValueCap);
            }
            if (blank && firstBlankComment < 0) {
                firstBlankComment = static_cast<int>(f);
                blankComment = std::move(value);
                blankCut = wasCut;
            } else if (!blank && firstOtherComment < 0 && description.rfind("iTun", 0) != 0) {
                firstOtherComment = static_cast<int>(f);
                otherComment = std::move(value);
                otherCut = wasCut;
            }
            continue;
        }
        if (value.size() > kId3ValueCap) {
            value.resize(kId3ValueCap);
        }
        if (date) {
            lastDate = static_cast<int>(f);
            dateValue = std::move(value);
            dateCut = wasCut;
            continue;
        }
        values[static_cast<std::size_t>(index)] = std::move(value);
        cut[static_cast<std::size_t>(index)] = wasCut;
        reading.source[static_cast<std::size_t>(index)] = static_cast<int>(f);
    }

    for (int i = 0; i < kId3FrameCount; ++i) {
        if (i == kId3CommentField) {
            continue;
        }
        const auto u = static_cast<std::size_t>(i);
        reading.texts[u] = TrimBlanks(TextFrameValue(values[u], cut[u]));
    }
    if (lastDate >= 0) {
        const std::string year = YearOf(TrimBlanks(TextFrameValue(dateValue, dateCut)));
        if (!year.empty()) {
            reading.texts[kId3YearField] = year;
            reading.source[kId3YearField] = lastDate;
        }
    }
    if (firstBlankComment >= 0) {
        reading.texts[kId3CommentField] = TrimBlanks(CommentFrameValue(blankComment, blankCut));
        reading.source[kId3CommentField] = firstBlankComment;
    } else if (firstOtherComment >= 0) {
        reading.texts[kId3CommentField] = TrimBlanks(CommentFrameValue(otherComment, otherCut));
        reading.source[kId3CommentField] = firstOtherComment;
    }
    return reading;
}

int Id3v2FieldOfFrame(const Id3v2Frames& tag, const Id3v2Reading& reading, std::size_t frame) {
    const std::string& id = tag.frames[frame].id;
    const int index = FieldIndex(id, tag.major);
    if (index == kId3CommentField) {
        return reading.source[kId3CommentField] == static_cast<int>(frame) ? index : -1;
    }
    if (index >= 0) {
        return index;
    }
    return tag.major != 2 && IsDateFrame(id) ? kId3YearField : -1;
}

std::array<std::string, kId3FrameCount> ParseId3v2Tag(const unsigned char* data, std::size_t size) {
    return ReadId3v2Fields(SplitId3v2Tag(data, size)).texts;
}
