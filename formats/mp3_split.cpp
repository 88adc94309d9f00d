// MP3 written in parts: every part is encoded from a whole number of frames before its start, so
// LAME's fixed delay puts its frames on the one-job frame grid; the join keeps each part's own
// frames, mends the bit reservoir where one part's frames meet the next's, and writes one
// LAME/Xing header frame for the whole stream.
#include <QString>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "formats/output_split.h"
#include "formats/split_support.h"
#include "outside/audio/audio_error.h"
#include "platform/native_name.h"

namespace {

// An MPEG-1 Layer III frame (two MPEG-2 ones). LAME delays its output by a fixed number of
// samples, so a part fed from a multiple of this many frames has the one-job's frame boundaries.
constexpr std::int64_t kGrid = 1152;
// At 44.1 kHz and its halves LAME pads frames to a pattern that repeats every 49 frames, counted
// from the first. A part started in step with it has the one-job's frame sizes, so its bit
// reservoir can come to the same state; out of step, a CBR part differed from the one-job in
// bursts at and between the joins. (48 and 32 kHz frames are never padded.)
constexpr std::int64_t kPaddingCycle = 49;
// Before a part's first kept frame: the encoder's look-ahead, its block-switching and masking
// history, and time for its reservoir to reach the one-job's state. Measured on music with
// transients, silence and a sine at the joins: one frame is not enough; from two, a VBR part's
// kept frames were the one-job's bit for bit; a CBR part's were so at every join from 98 (49
// left a small difference at one join), for 2.6 s of extra encoding per part.
constexpr std::int64_t kLeadInFrames = 2 * kPaddingCycle;
// After its last kept frame: that frame's MDCT window and LAME's look-ahead reach into the next
// one, and the flush pads the end with silence. None is not enough; one already gives the same
// kept frames as three.
constexpr std::int64_t kLeadOutFrames = 2;
// Frames after a join that may have to be moved before the layout is the part's own again (at
// the highest bit rate only a padding byte or a gap in the layout takes the move up).
constexpr std::size_t kMostMovedFrames = 4096;

constexpr int kKbps[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},  // MPEG-1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};     // MPEG-2 and 2.5
constexpr int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

struct Header {
    bool mpeg1 = true;
    int bitrateIndex = 0;
    int rate = 0;
    bool crc = false;
    bool mono = false;
    int bytes = 0;    // of the whole frame
    int samples = 0;  // per channel
    int side = 0;     // side information bytes
    int SideAt() const { return crc ? 6 : 4; }
    int SlotAt() const { return SideAt() + side; }  // where the frame's main data slot starts
    bool SameStream(const Header& o) const {
        return mpeg1 == o.mpeg1 && rate == o.rate && mono == o.mono && crc == o.crc;
    }
};

int FrameBytes(const Header& h, int bitrateIndex, bool padding) {
    const int kbps = kKbps[h.mpeg1 ? 0 : 1][bitrateIndex];
    return (h.mpeg1 ? 144000 : 72000) * kbps / h.rate + (padding ? 1 : 0);
}

std::optional<Header> ParseHeader(const unsigned char* p, std::size_t available) {
    if (available < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) {
        return std::nullopt;
    }
    const int version = (p[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int layer = (p[1] >> 1) & 3;    // 1 is Layer III
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    // A free-format frame (bitrate index 0) has no size in its header.
    if (version == 1 || layer != 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
        return std::nullopt;
    }
    Header h;
    h.mpeg1 = version == 3;
    h.bitrateIndex = bitrateIndex;
    h.rate = kRates[version == 3 ? 0 : version == 2 ? 1 : 2][rateIndex];
    h.crc = (p[1] & 1) == 0;
    h.mono = (p[3] >> 6) == 3;
    h.samples = h.mpeg1 ? 1152 : 576;
    h.side = h.mpeg1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    h.bytes = FrameBytes(h, bitrateIndex, ((p[2] >> 1) & 1) != 0);
    if (static_cast<std::size_t>(h.bytes) > available || h.bytes < h.SlotAt()) {
        return std::nullopt;
    }
    return h;
}

std::uint32_t Bits(const unsigned char* p, int at, int count) {
    std::uint32_t v = 0;
    for (int i = at; i < at + count; ++i) {
        v = (v << 1) | ((p[i >> 3] >> (7 - (i & 7))) & 1u);
    }
    return v;
}

int MainDataBegin(const unsigned char* frame, const Header& h) {
    return static_cast<int>(Bits(frame + h.SideAt(), 0, h.mpeg1 ? 9 : 8));
}

void SetMainDataBegin(unsigned char* frame, const Header& h, int value) {
    unsigned char* side = frame + h.SideAt();
    const int width = h.mpeg1 ? 9 : 8;
    for (int i = 0; i < width; ++i) {
        const int bit = (value >> (width - 1 - i)) & 1;
        side[i >> 3] = static_cast<unsigned char>((side[i >> 3] & ~(0x80 >> (i & 7))) |
                                                  (bit << (7 - (i & 7))));
    }
}

// The bytes of main data the frame's granules take (part2_3_length summed, to whole bytes: the
// next frame's data starts on a byte).
int MainDataBytes(const unsigned char* frame, const Header& h) {
    const unsigned char* side = frame + h.SideAt();
    const int channels = h.mono ? 1 : 2;
    int at = h.mpeg1 ? 9 + (h.mono ? 5 : 3) + 4 * channels : 8 + (h.mono ? 1 : 2);
    const int granules = h.mpeg1 ? 2 : 1;
    const int perChannel = h.mpeg1 ? 59 : 63;
    int bits = 0;
    for (int i = 0; i < granules * channels; ++i, at += perChannel) {
        bits += static_cast<int>(Bits(side, at, 12));
    }
    return (bits + 7) / 8;
}

// The frame's own CRC (ISO 11172-3: polynomial 0x8005 over the header's last two bytes and the
// side information), after a change to either.
void UpdateFrameCrc(unsigned char* frame, const Header& h) {
    if (!h.crc) {
        return;
    }
    std::uint32_t crc = 0xFFFF;
    auto feed = [&crc](unsigned char byte) {
        for (int i = 7; i >= 0; --i) {
            const bool top = ((crc >> 15) & 1u) != ((byte >> i) & 1u);
            crc = (crc << 1) & 0xFFFF;
            if (top) {
                crc ^= 0x8005;
            }
        }
    };
    feed(frame[2]);
    feed(frame[3]);
    for (int i = 0; i < h.side; ++i) {
        feed(frame[4 + 2 + i]);
    }
    frame[4] = static_cast<unsigned char>(crc >> 8);
    frame[5] = static_cast<unsigned char>(crc);
}

// The smallest bit rate (with or without the padding byte) at or above the frame's own that
// makes it at least `bytes` long, or the largest there is.
std::pair<int, bool> GrownRate(const Header& h, int bytes) {
    std::pair<int, bool> best{h.bitrateIndex, false};
    for (int index = h.bitrateIndex; index <= 14; ++index) {
        for (const bool padding : {false, true}) {
            best = {index, padding};
            if (FrameBytes(h, index, padding) >= bytes) {
                return best;
            }
        }
    }
    return best;
}

void SetRate(unsigned char* frame, Header& h, std::pair<int, bool> rate) {
    frame[2] =
        static_cast<unsigned char>((rate.first << 4) | (frame[2] & 0x0D) | (rate.second ? 2 : 0));
    h.bitrateIndex = rate.first;
    h.bytes = FrameBytes(h, rate.first, rate.second);
}

// The CRC-16 of the LAME tag (polynomial 0xA001, reflected, from 0), for the music and the tag;
// eight bytes a step, since the whole stream passes through it on the join's critical path.
class TagCrc {
  public:
    TagCrc() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? (c >> 1) ^ 0xA001 : c >> 1;
            }
            table_[0][i] = static_cast<std::uint16_t>(c);
        }
        for (std::size_t t = 1; t < 8; ++t) {
            for (std::size_t i = 0; i < 256; ++i) {
                const std::uint16_t c = table_[t - 1][i];
                table_[t][i] = static_cast<std::uint16_t>((c >> 8) ^ table_[0][c & 0xFF]);
            }
        }
    }
    std::uint16_t Update(std::uint16_t crc, const unsigned char* p, std::size_t n) const {
        std::uint32_t c = crc;
        for (; n >= 8; n -= 8, p += 8) {
            c ^= p[0] | (p[1] << 8);
            c = table_[7][c & 0xFF] ^ table_[6][c >> 8] ^ table_[5][p[2]] ^ table_[4][p[3]] ^
                table_[3][p[4]] ^ table_[2][p[5]] ^ table_[1][p[6]] ^ table_[0][p[7]];
        }
        for (; n > 0; --n, ++p) {
            c = (c >> 8) ^ table_[0][(c ^ *p) & 0xFF];
        }
        return static_cast<std::uint16_t>(c);
    }

  private:
    std::array<std::array<std::uint16_t, 256>, 8> table_{};
};

const TagCrc& Crc() {
    static const TagCrc crc;
    return crc;
}

void PutBe(unsigned char* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        p[i] = static_cast<unsigned char>(v >> (8 * (bytes - 1 - i)));
    }
}

[[noreturn]] void Fail(const JoinFacts& facts, const QString& cause) {
    JoinFailed(facts.shownPath, cause);
}

QString PartName(const OutputChunk& chunk) {
    return QStringLiteral("part %1 of %2").arg(chunk.index + 1).arg(chunk.count);
}

std::vector<unsigned char> ReadPart(const OutputChunk& chunk, const JoinFacts& facts) {
    errno = 0;
    SplitFile file(std::fopen(NativeName(chunk.path).constData(), "rb"));
    std::vector<unsigned char> bytes;
    bool ok = file != nullptr && std::fseek(file.get(), 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file.get()) : -1;
    ok = ok && size >= 0 && std::fseek(file.get(), 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    }
    if (!ok) {
        const int error = errno;
        Fail(facts,
             QStringLiteral("%1 cannot be read (%2)")
                 .arg(PartName(chunk), error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                                  : QStringLiteral("it ended early")));
    }
    return bytes;
}

// Where the Xing/Info fields of a header frame are, or -1: after the side information, where
// LAME writes them and readers look, not counting a CRC (which then covers their first bytes).
int XingAt(const unsigned char* frame, const Header& h) {
    const int at = 4 + h.side;
    if (h.bytes - at < 8 ||
        (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0)) {
        return -1;
    }
    return at;
}

// Where the LAME extension follows the Xing fields, or -1.
int LameAt(const unsigned char* frame, const Header& h) {
    const int xing = XingAt(frame, h);
    if (xing < 0) {
        return -1;
    }
    const std::uint32_t flags = Bits(frame + xing + 4, 0, 32);
    const int at = xing + 8 + ((flags & 1) != 0 ? 4 : 0) + ((flags & 2) != 0 ? 4 : 0) +
                   ((flags & 4) != 0 ? 100 : 0) + ((flags & 8) != 0 ? 4 : 0);
    if (at + 36 > h.bytes || std::memcmp(frame + at, "LAME", 4) != 0) {
        return -1;
    }
    return at;
}

// What PrepareChunk learns of a part.
struct Mp3Part {
    std::vector<unsigned char> tag;     // its LAME/Xing header frame; empty without one
    std::vector<std::int64_t> offsets;  // every music frame's offset in the file, and the end
    std::size_t first = 0;              // its kept frames [first, last)
    std::size_t last = 0;
};

// A part's frames in memory, read as one main-data stream (each frame's slot after its side
// information, in order).
class PartFrames {
  public:
    PartFrames(const std::vector<unsigned char>& bytes, const Mp3Part& part)
        : bytes_(bytes), part_(part) {}
    const unsigned char* Frame(std::size_t i) const { return bytes_.data() + part_.offsets[i]; }
    Header HeaderOf(std::size_t i) const {
        return *ParseHeader(Frame(i),
                            static_cast<std::size_t>(part_.offsets[i + 1] - part_.offsets[i]));
    }
    int SlotBytes(std::size_t i) const { return HeaderOf(i).bytes - HeaderOf(i).SlotAt(); }
    // Copies `count` stream bytes starting `from` bytes after the start of frame i's slot
    // (negative: in earlier frames' slots); false when that reaches before the first frame.
    bool Copy(std::size_t i, std::int64_t from, std::size_t count, unsigned char* out) const {
        while (from < 0) {
            if (i == 0) {
                return false;
            }
            --i;
            from += SlotBytes(i);
        }
        while (count > 0) {
            if (i + 1 >= part_.offsets.size()) {
                return false;
            }
            const Header h = HeaderOf(i);
            const std::int64_t slot = h.bytes - h.SlotAt();
            if (from < slot) {
                const std::size_t n =
                    std::min<std::size_t>(count, static_cast<std::size_t>(slot - from));
                std::memcpy(out, Frame(i) + h.SlotAt() + from, n);
                out += n;
                count -= n;
                from = 0;
            } else {
                from -= slot;
            }
            ++i;
        }
        return true;
    }

  private:
    const std::vector<unsigned char>& bytes_;
    const Mp3Part& part_;
};

// The joined output: a large buffered stream that counts its bytes, the music CRC, and where
// every music frame starts.
class Output {
  public:
    Output(const QString& path, const QString& shownPath) : shownPath_(shownPath) {
        file_ = std::fopen(NativeName(path).constData(), "wb");
        if (file_ == nullptr) {
            ThrowAudioError(QStringLiteral("Cannot create"), shownPath_,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    }
    ~Output() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    void Tag(const std::vector<unsigned char>& tag) {
        PutBytes(file_, tag.data(), tag.size(), shownPath_);
        size_ += static_cast<std::int64_t>(tag.size());
    }
    // Whole music frames, their offsets relative to `bytes` in `frameOffsets`.
    void Music(const unsigned char* bytes, std::size_t size, const std::int64_t* frameOffsets,
               std::size_t frames) {
        for (std::size_t i = 0; i < frames; ++i) {
            frames_.push_back(size_ + frameOffsets[i] - frameOffsets[0]);
        }
        PutBytes(file_, bytes, size, shownPath_);
        musicCrc_ = Crc().Update(musicCrc_, bytes, size);
        size_ += static_cast<std::int64_t>(size);
    }
    void Frame(const std::vector<unsigned char>& frame) {
        const std::int64_t zero = 0;
        Music(frame.data(), frame.size(), &zero, 1);
    }
    void Rewrite(const std::vector<unsigned char>& tag) {
        if (std::fseek(file_, 0, SEEK_SET) != 0) {
            ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
        }
        PutBytes(file_, tag.data(), tag.size(), shownPath_);
    }
    void Close() {
        std::FILE* file = file_;
        file_ = nullptr;
        CloseOutputStream(file, shownPath_);
    }
    std::int64_t Size() const { return size_; }
    std::uint16_t MusicCrc() const { return musicCrc_; }
    const std::vector<std::int64_t>& Frames() const { return frames_; }

  private:
    QString shownPath_;
    std::FILE* file_ = nullptr;
    std::int64_t size_ = 0;
    std::uint16_t musicCrc_ = 0;
    std::vector<std::int64_t> frames_;
};

// One frame held for the join: its header and side information, as a whole frame's bytes.
struct HeldFrame {
    std::vector<unsigned char> bytes;
    Header header;
};

// The last kept frames of the previous part, from the one whose slot holds the end of the last
// frame's main data: what follows that end may be given to the next part's reservoir.
struct Tail {
    std::vector<HeldFrame> frames;
    std::int64_t dataEnd = 0;  // in the stream of their slots
};

Tail TakeTail(const PartFrames& part, const Mp3Part& p) {
    const std::size_t m = p.last - 1;
    const Header hm = part.HeaderOf(m);
    // The data end relative to the start of frame m's slot; earlier slots are walked back.
    std::int64_t end = -MainDataBegin(part.Frame(m), hm) + MainDataBytes(part.Frame(m), hm);
    std::size_t from = m;
    while (end < 0 && from > 0) {
        --from;
        end += part.SlotBytes(from);
    }
    Tail tail;
    tail.dataEnd = std::max<std::int64_t>(end, 0);
    for (std::size_t i = from; i <= m; ++i) {
        const Header h = part.HeaderOf(i);
        tail.frames.push_back({{part.Frame(i), part.Frame(i) + h.bytes}, h});
    }
    return tail;
}

// Joins the previous part's tail to this part's first kept frames so that each frame's main data
// is the bytes its encoder made: the bytes the first frame borrows from its own lead-in are put
// in the free end of the tail (grown by a higher bit rate when short); where even that is not
// room enough, the following frames' data move later until a gap in the layout takes them up.
// Writes the tail and the moved frames; returns the first frame to be copied as it is.
std::size_t MendJoin(Tail& tail, const PartFrames& part, const Mp3Part& p, Output& out,
                     const JoinFacts& facts, const OutputChunk& chunk) {
    std::vector<unsigned char> stream;
    for (const HeldFrame& f : tail.frames) {
        stream.insert(stream.end(), f.bytes.begin() + f.header.SlotAt(), f.bytes.end());
    }
    std::int64_t end = tail.dataEnd;
    const std::size_t f = p.first;
    const int borrowed = MainDataBegin(part.Frame(f), part.HeaderOf(f));
    const std::int64_t room = static_cast<std::int64_t>(stream.size()) - end;
    if (room < borrowed) {
        HeldFrame& m = tail.frames.back();
        const auto rate = GrownRate(m.header, m.header.bytes + static_cast<int>(borrowed - room));
        const int before = m.header.bytes;
        SetRate(m.bytes.data(), m.header, rate);
        UpdateFrameCrc(m.bytes.data(), m.header);
        stream.resize(stream.size() + static_cast<std::size_t>(m.header.bytes - before), 0);
        m.bytes.resize(static_cast<std::size_t>(m.header.bytes), 0);
    }
    std::vector<HeldFrame> moved;
    std::size_t j = f;
    for (;; ++j) {
        if (j >= p.last || j - f > kMostMovedFrames) {
            Fail(facts, QStringLiteral("the bit reservoir at the start of %1 cannot be joined")
                            .arg(PartName(chunk)));
        }
        const Header h = part.HeaderOf(j);
        const int mdb = MainDataBegin(part.Frame(j), h);
        const auto at = static_cast<std::int64_t>(stream.size());
        if (at - mdb >= end) {
            // The frame's reservoir fits where it was: from here on the part's own layout holds.
            if (!part.Copy(j, -mdb, static_cast<std::size_t>(mdb), stream.data() + (at - mdb))) {
                Fail(facts, QStringLiteral("%1 is not a whole MP3 stream").arg(PartName(chunk)));
            }
            break;
        }
        const int size = MainDataBytes(part.Frame(j), h);
        std::vector<unsigned char> data(static_cast<std::size_t>(size));
        if (!part.Copy(j, -mdb, data.size(), data.data())) {
            Fail(facts, QStringLiteral("%1 is not a whole MP3 stream").arg(PartName(chunk)));
        }
        HeldFrame frame{{part.Frame(j), part.Frame(j) + h.SlotAt()}, h};
        const std::int64_t slotEnd = end + size;  // the frame's data now ends here
        // Grown by what its data moved, the frame lets the next one keep its own place.
        const auto moveBy = static_cast<int>(end - (at - mdb));
        const int fit = static_cast<int>(slotEnd - at) + h.SlotAt();
        SetRate(frame.bytes.data(), frame.header, GrownRate(h, std::max(fit, h.bytes + moveBy)));
        if (frame.header.bytes < fit) {
            Fail(facts, QStringLiteral("the bit reservoir at the start of %1 cannot be joined")
                            .arg(PartName(chunk)));
        }
        SetMainDataBegin(frame.bytes.data(), frame.header, static_cast<int>(at - end));
        UpdateFrameCrc(frame.bytes.data(), frame.header);
        stream.resize(static_cast<std::size_t>(at + frame.header.bytes - h.SlotAt()), 0);
        std::memcpy(stream.data() + end, data.data(), data.size());
        end = slotEnd;
        moved.push_back(std::move(frame));
    }
    // The tail and the moved frames get their slots from the mended stream.
    std::size_t at = 0;
    auto put = [&](HeldFrame& frame) {
        const std::size_t slot =
            static_cast<std::size_t>(frame.header.bytes - frame.header.SlotAt());
        frame.bytes.resize(static_cast<std::size_t>(frame.header.SlotAt()));
        frame.bytes.insert(frame.bytes.end(), stream.begin() + static_cast<std::ptrdiff_t>(at),
                           stream.begin() + static_cast<std::ptrdiff_t>(at + slot));
        at += slot;
        out.Frame(frame.bytes);
    };
    for (HeldFrame& frame : tail.frames) {
        put(frame);
    }
    for (HeldFrame& frame : moved) {
        put(frame);
    }
    return j;
}

class Mp3SplitImpl : public OutputSplit {
  public:
    SplitRule Rule(int sourceRate, const PcmFormat& output) const override {
        // A resampling writer has no fixed frame grid in source frames.
        if (output.rate != sourceRate || sourceRate <= 0) {
            return {};
        }
        const std::int64_t grid = sourceRate % 11025 == 0 ? kPaddingCycle * kGrid : kGrid;
        return {grid, kLeadInFrames * kGrid, kLeadOutFrames * kGrid};
    }

    void PrepareChunk(OutputChunk& chunk, const JoinFacts& facts) const override {
        chunk.prepared = Parse(chunk, facts);
    }

    void Join(std::vector<OutputChunk>& chunks, const JoinFacts& facts,
              const QString& path) const override {
        if (chunks.empty()) {
            Fail(facts, QStringLiteral("there are no parts"));
        }
        for (OutputChunk& chunk : chunks) {
            if (std::any_cast<Mp3Part>(&chunk.prepared) == nullptr) {
                PrepareChunk(chunk, facts);
            }
        }
        const Mp3Part& firstPart = std::any_cast<const Mp3Part&>(chunks.front().prepared);
        Output out(path, facts.shownPath);
        out.Tag(firstPart.tag);
        Tail tail;
        for (std::size_t k = 0; k < chunks.size(); ++k) {
            const Mp3Part& p = std::any_cast<const Mp3Part&>(chunks[k].prepared);
            if (p.tag.empty() != firstPart.tag.empty()) {
                Fail(facts,
                     QStringLiteral("%1 was written with other settings").arg(PartName(chunks[k])));
            }
            const std::vector<unsigned char> bytes = ReadPart(chunks[k], facts);
            if (bytes.size() != static_cast<std::size_t>(p.offsets.back())) {
                Fail(
                    facts,
                    QStringLiteral("%1 has changed since it was written").arg(PartName(chunks[k])));
            }
            const PartFrames part(bytes, p);
            if (k > 0 && !part.HeaderOf(p.first).SameStream(tail.frames.front().header)) {
                Fail(facts,
                     QStringLiteral("%1 was written with other settings").arg(PartName(chunks[k])));
            }
            const std::size_t from =
                k == 0 ? p.first : MendJoin(tail, part, p, out, facts, chunks[k]);
            // The last frames wait for the next part, which may need their free end.
            std::size_t to = p.last;
            if (k + 1 < chunks.size()) {
                tail = TakeTail(part, p);
                to = p.last - tail.frames.size();
                if (to < from) {
                    Fail(facts,
                         QStringLiteral("%1 is too short to be joined").arg(PartName(chunks[k])));
                }
            }
            if (to > from) {
                out.Music(bytes.data() + p.offsets[from],
                          static_cast<std::size_t>(p.offsets[to] - p.offsets[from]),
                          p.offsets.data() + from, to - from);
            }
        }
        if (!firstPart.tag.empty()) {
            const Mp3Part& lastPart = std::any_cast<const Mp3Part&>(chunks.back().prepared);
            out.Rewrite(WholeTag(firstPart.tag, lastPart.tag, out));
        }
        out.Close();
    }

  private:
    static Mp3Part Parse(const OutputChunk& chunk, const JoinFacts& facts) {
        const std::vector<unsigned char> bytes = ReadPart(chunk, facts);
        const QString broken = QStringLiteral("%1 is not a whole MP3 stream").arg(PartName(chunk));
        Mp3Part part;
        std::size_t at = 0;
        std::optional<Header> first;
        while (at < bytes.size()) {
            const std::optional<Header> h = ParseHeader(bytes.data() + at, bytes.size() - at);
            if (!h || (first && !h->SameStream(*first))) {
                Fail(facts, broken);
            }
            if (!first) {
                first = h;
                if (XingAt(bytes.data() + at, *h) >= 0) {
                    part.tag.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                    bytes.begin() + static_cast<std::ptrdiff_t>(at + h->bytes));
                    at += static_cast<std::size_t>(h->bytes);
                    continue;
                }
            }
            part.offsets.push_back(static_cast<std::int64_t>(at));
            at += static_cast<std::size_t>(h->bytes);
        }
        part.offsets.push_back(static_cast<std::int64_t>(at));
        const std::size_t frames = part.offsets.size() - 1;
        if (!first || frames == 0) {
            Fail(facts, broken);
        }
        const std::int64_t samples = first->samples;
        if (chunk.leadIn % samples != 0 || (chunk.start - chunk.leadIn) % kGrid != 0) {
            Fail(facts, QStringLiteral("%1 does not start on a frame").arg(PartName(chunk)));
        }
        part.first = static_cast<std::size_t>(chunk.leadIn / samples);
        if (chunk.index + 1 < chunk.count) {
            if ((chunk.end - chunk.start) % samples != 0) {
                Fail(facts, QStringLiteral("%1 does not end on a frame").arg(PartName(chunk)));
            }
            part.last = part.first + static_cast<std::size_t>((chunk.end - chunk.start) / samples);
        } else {
            part.last = frames;  // the last part keeps its end and the encoder's padding
        }
        if (part.last > frames || part.last <= part.first) {
            Fail(facts, QStringLiteral("%1 holds %2 frames, fewer than its samples need")
                            .arg(PartName(chunk))
                            .arg(frames));
        }
        return part;
    }

    // The header frame of the whole: the first part's, with the whole stream's frame and byte
    // counts, a seek table over it, the last part's padding and the CRCs over the joined bytes.
    // Replay gain, measured by a part on its own samples only, is left unknown.
    static std::vector<unsigned char> WholeTag(std::vector<unsigned char> tag,
                                               const std::vector<unsigned char>& lastTag,
                                               const Output& out) {
        const Header h = *ParseHeader(tag.data(), tag.size());
        const int xing = XingAt(tag.data(), h);
        const std::uint32_t flags = Bits(tag.data() + xing + 4, 0, 32);
        const auto frames = static_cast<std::int64_t>(out.Frames().size());
        const std::int64_t total = out.Size();
        int at = xing + 8;
        if ((flags & 1) != 0) {
            PutBe(tag.data() + at, static_cast<std::uint32_t>(frames), 4);
            at += 4;
        }
        if ((flags & 2) != 0) {
            PutBe(tag.data() + at, static_cast<std::uint32_t>(total), 4);
            at += 4;
        }
        if ((flags & 4) != 0) {
            for (int i = 0; i < 100; ++i) {
                const std::int64_t offset =
                    out.Frames()[static_cast<std::size_t>(i * frames / 100)];
                tag[static_cast<std::size_t>(at + i)] =
                    static_cast<unsigned char>(std::min<std::int64_t>(offset * 256 / total, 255));
            }
        }
        const int lame = LameAt(tag.data(), h);
        if (lame < 0) {
            return tag;
        }
        std::fill(tag.begin() + lame + 11, tag.begin() + lame + 19, 0);  // peak and both gains
        const Header lastHeader = *ParseHeader(lastTag.data(), lastTag.size());
        const int lastLame = LameAt(lastTag.data(), lastHeader);
        if (lastLame >= 0) {
            // Delay (12 bits) and padding (12 bits): the padding is the last part's.
            tag[static_cast<std::size_t>(lame + 22)] = static_cast<unsigned char>(
                (tag[static_cast<std::size_t>(lame + 22)] & 0xF0) |
                (lastTag[static_cast<std::size_t>(lastLame + 22)] & 0x0F));
            tag[static_cast<std::size_t>(lame + 23)] =
                lastTag[static_cast<std::size_t>(lastLame + 23)];
        }
        PutBe(tag.data() + lame + 28, static_cast<std::uint32_t>(total), 4);
        PutBe(tag.data() + lame + 32, out.MusicCrc(), 2);
        PutBe(tag.data() + lame + 34,
              Crc().Update(0, tag.data(), static_cast<std::size_t>(lame + 34)), 2);
        return tag;
    }
};

}  // namespace

const OutputSplit* Mp3Split() {
    static const Mp3SplitImpl split;
    return &split;
}
