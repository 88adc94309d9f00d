#include "outside/audio/mpeg_stream_start.h"

#include <array>

namespace {

// Real encoders leave a few hundred bytes at most between the tag and the first frame (zero
// padding not counted in the tag, a stray partial frame); 16 KiB is generous.
constexpr std::int64_t kJunkWindow = 16 * 1024;
// Consecutive frames that must agree: a chance sync in other data almost never chains this far.
// Layer I gets a longer run: its header with no CRC begins FF FF, the commonest pair of bytes
// in executables and tables, and its short frames chain through any table of repeated values.
constexpr int kFramesToConfirm = 4;
constexpr int kLayer1FramesToConfirm = 12;
// The longest MPEG frame (layer II at 384 kbps and 8 kHz would be longer, but cannot occur:
// MPEG 2.5 tops out at 160 kbps) with room to spare.
constexpr std::int64_t kMaxFrameBytes = 4096;
constexpr std::int64_t kMaxChainFrames = 12;

struct FrameHeader {
    int version = 0;  // 1 MPEG 1, 2 MPEG 2, 3 MPEG 2.5
    int layer = 0;
    int sampleRate = 0;
    int channels = 0;
    int bytes = 0;
};

std::uint8_t At(const QByteArray& b, std::int64_t i) {
    return static_cast<std::uint8_t>(b[static_cast<qsizetype>(i)]);
}

// Parses the 4-byte header at `i`; false when it is not a valid, fixed-rate frame header.
bool ParseHeader(const QByteArray& b, std::int64_t i, FrameHeader* h) {
    if (i + 4 > b.size()) {
        return false;
    }
    const std::uint8_t b1 = At(b, i + 1);
    const std::uint8_t b2 = At(b, i + 2);
    const std::uint8_t b3 = At(b, i + 3);
    if (At(b, i) != 0xFF || (b1 & 0xE0) != 0xE0) {
        return false;
    }
    const int versionBits = (b1 >> 3) & 3;
    const int layerBits = (b1 >> 1) & 3;
    const int bitrateIndex = b2 >> 4;
    const int rateIndex = (b2 >> 2) & 3;
    // Reserved version, layer, sample rate and emphasis; free format and the forbidden bit rate.
    if (versionBits == 1 || layerBits == 0 || rateIndex == 3 || (b3 & 3) == 2 ||
        bitrateIndex == 0 || bitrateIndex == 15) {
        return false;
    }
    static constexpr std::array<std::array<int, 15>, 5> kKbps = {{
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // 1, I
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // 1, II
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // 1, III
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // 2, I
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},          // 2, II/III
    }};
    static constexpr std::array<int, 3> kRates = {44100, 48000, 32000};
    h->version = versionBits == 3 ? 1 : (versionBits == 2 ? 2 : 3);
    h->layer = 4 - layerBits;
    h->sampleRate = kRates[rateIndex] >> (h->version - 1);
    h->channels = (b3 >> 6) == 3 ? 1 : 2;
    const int table = h->version == 1 ? h->layer - 1 : (h->layer == 1 ? 3 : 4);
    const int bitsPerSecond = kKbps[table][bitrateIndex] * 1000;
    const int padding = (b2 >> 1) & 1;
    if (h->layer == 1) {
        h->bytes = (12 * bitsPerSecond / h->sampleRate + padding) * 4;
    } else {
        const int factor = (h->layer == 3 && h->version != 1) ? 72 : 144;
        h->bytes = factor * bitsPerSecond / h->sampleRate + padding;
    }
    return h->bytes >= 4;
}

bool SameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// Frames from `start` chained by their lengths: enough of them, or a shorter run that ends
// exactly where the audio ends (the end of the file or an ID3v1 tag).
bool ChainHolds(const QByteArray& b, std::int64_t start, std::int64_t fileSize,
                const FrameHeader& first) {
    const int needed = first.layer == 1 ? kLayer1FramesToConfirm : kFramesToConfirm;
    std::int64_t at = start;
    FrameHeader h = first;
    bool allAlike = true;  // every frame a byte-for-byte copy of the first: a table, not audio
    for (int n = 1;; ++n) {
        if (n > 1 && allAlike &&
            b.mid(static_cast<qsizetype>(at), h.bytes) !=
                b.mid(static_cast<qsizetype>(start), first.bytes)) {
            allAlike = false;
        }
        at += h.bytes;
        if (n >= needed) {
            return !(allAlike && first.layer == 1);
        }
        const bool atEnd = at == fileSize || (at + 128 == fileSize && at + 3 <= b.size() &&
                                              b.mid(static_cast<qsizetype>(at), 3) == "TAG");
        if (atEnd) {
            return n >= 2;
        }
        FrameHeader next;
        if (!ParseHeader(b, at, &next) || !SameStream(first, next)) {
            return false;
        }
        h = next;
    }
}

// The end of the ID3v2 tags at the start (several may follow one another).
std::int64_t SkipId3v2(const QByteArray& b) {
    std::int64_t at = 0;
    while (at + 10 <= b.size() && b.mid(static_cast<qsizetype>(at), 3) == "ID3") {
        std::int64_t size = 0;
        for (int i = 6; i < 10; ++i) {
            const std::uint8_t byte = At(b, at + i);
            if (byte & 0x80) {
                return at;  // not a sync-safe size: not a tag
            }
            size = (size << 7) | byte;
        }
        const bool footer = (At(b, at + 5) & 0x10) != 0;
        at += 10 + size + (footer ? 10 : 0);
    }
    return at;
}

}  // namespace

std::int64_t MpegScanBytes(const QByteArray& head) {
    return SkipId3v2(head) + kJunkWindow + kMaxChainFrames * kMaxFrameBytes;
}

MpegStreamStart FindMpegStream(const QByteArray& head, std::int64_t fileSize) {
    MpegStreamStart result;
    const std::int64_t audio = SkipId3v2(head);
    const std::int64_t last = std::min<std::int64_t>(audio + kJunkWindow, head.size() - 4);
    for (std::int64_t at = audio; at <= last; ++at) {
        FrameHeader h;
        if (ParseHeader(head, at, &h) && ChainHolds(head, at, fileSize, h)) {
            result.found = true;
            result.offset = at;
            result.sampleRate = h.sampleRate;
            result.channels = h.channels;
            return result;
        }
    }
    return result;
}
