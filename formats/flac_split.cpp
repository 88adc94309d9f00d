// FLAC in parts: every chunk is a stream of full blocks (its start and length on a grid every
// block size divides), its frames renumbered to their place in the whole stream as soon as it is
// written, and the join is one set of metadata (the whole length, the whole stream's MD5, a seek
// table) before the chunks' frames as they are. libFLAC encodes each block on its own, so the
// frames are those a one-job encode writes.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <QtEndian>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/output_split.h"
#include "formats/split_support.h"
#include "outside/audio/audio_error.h"
#include "platform/native_name.h"

namespace {

// Every level's block size (1152 at levels 0 to 2, 4096 above) divides it.
constexpr std::int64_t kGrid = 36864;
constexpr int kSeekSeconds = 10;
// More than any frame of 65535 samples of 8 channels of 24 bits, verbatim.
constexpr std::size_t kLastFrameBytes = 65535u * 8 * 3 + 64;
constexpr std::uint32_t kPaddingBytes = 8192;  // room for the tags written afterwards

using File = SplitFile;

[[noreturn]] void Broken(const QString& shownPath, const QString& why) {
    JoinFailed(shownPath, why);
}

// A chunk's file mapped read-only: its frames are scanned and copied from the page cache
// without being read into memory of their own.
class Mapped {
  public:
    Mapped(const QString& path, const QString& shownPath) {
        const int fd = ::open(NativeName(path).constData(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            const int error = errno;
            if (fd >= 0) {
                ::close(fd);
            }
            Broken(shownPath, QString::fromLocal8Bit(std::strerror(error)));
        }
        size_ = static_cast<std::size_t>(st.st_size);
        if (size_ > 0) {
            void* at = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (at == MAP_FAILED) {
                const int error = errno;
                ::close(fd);
                Broken(shownPath, QString::fromLocal8Bit(std::strerror(error)));
            }
            data_ = static_cast<const unsigned char*>(at);
        }
        ::close(fd);
    }
    ~Mapped() {
        if (data_ != nullptr) {
            ::munmap(const_cast<unsigned char*>(data_), size_);
        }
    }
    Mapped(const Mapped&) = delete;
    Mapped& operator=(const Mapped&) = delete;
    const unsigned char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

  private:
    const unsigned char* data_ = nullptr;
    std::size_t size_ = 0;
};

std::array<std::uint16_t, 256> Crc16Table() {
    std::array<std::uint16_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i << 8;
        for (int b = 0; b < 8; ++b) {
            c = (c & 0x8000) ? (c << 1) ^ 0x8005 : c << 1;
        }
        t[i] = static_cast<std::uint16_t>(c);
    }
    return t;
}
const std::array<std::uint16_t, 256> kCrc16 = Crc16Table();

std::array<std::uint8_t, 256> Crc8Table() {
    std::array<std::uint8_t, 256> t{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned c = i;
        for (int b = 0; b < 8; ++b) {
            c = (c & 0x80) ? ((c << 1) ^ 0x07) & 0xFF : (c << 1) & 0xFF;
        }
        t[i] = static_cast<std::uint8_t>(c);
    }
    return t;
}
const std::array<std::uint8_t, 256> kCrc8 = Crc8Table();

// Every frame header is checked and made with it, on the copy too.
std::uint8_t Crc8(const unsigned char* p, std::size_t n) {
    std::uint8_t c = 0;
    for (std::size_t i = 0; i < n; ++i) {
        c = kCrc8[c ^ p[i]];
    }
    return c;
}

inline std::uint16_t Crc16Step(std::uint16_t s, unsigned char b) {
    return static_cast<std::uint16_t>((s << 8) ^ kCrc16[((s >> 8) ^ b) & 0xFF]);
}

// CRC-16 arithmetic: the register after a message is the message times x^16 modulo the
// polynomial, so a frame whose header changes gets its new CRC from the old one without a pass
// over its body: new = old + (crc(old header) + crc(new header)) * x^(8 * body bytes).
std::uint16_t MulMod(std::uint16_t a, std::uint16_t b) {
    std::uint32_t r = 0;
    for (int i = 15; i >= 0; --i) {
        r <<= 1;
        if ((r & 0x10000) != 0) {
            r ^= 0x18005;
        }
        if (((b >> i) & 1) != 0) {
            r ^= a;
        }
    }
    return static_cast<std::uint16_t>(r);
}

// x^(8 * 2^k) modulo the polynomial, for k = 0, 1, ...
std::array<std::uint16_t, 48> ShiftPowers() {
    std::array<std::uint16_t, 48> p{};
    p[0] = 0x0100;  // x^8
    for (std::size_t k = 1; k < p.size(); ++k) {
        p[k] = MulMod(p[k - 1], p[k - 1]);
    }
    return p;
}
const std::array<std::uint16_t, 48> kShift = ShiftPowers();

// The register `crc` carried on over `bytes` zero bytes.
std::uint16_t ShiftCrc(std::uint16_t crc, std::uint64_t bytes) {
    for (std::size_t k = 0; bytes != 0 && k < kShift.size(); ++k, bytes >>= 1) {
        if ((bytes & 1) != 0) {
            crc = MulMod(crc, kShift[k]);
        }
    }
    return crc;
}

std::uint16_t Crc16(const unsigned char* p, std::size_t n) {
    std::uint16_t s = 0;
    for (std::size_t i = 0; i < n; ++i) {
        s = Crc16Step(s, p[i]);
    }
    return s;
}

// A frame header as it stands: its length, its frame number, its sample count.
struct FrameHeader {
    int length = 0;  // with its CRC-8
    std::uint64_t number = 0;
    int samples = 0;
};

// The header of a fixed-block-size frame at `p`, or length 0 when there is none.
FrameHeader ParseHeader(const unsigned char* p, std::size_t left, int streamBlock) {
    FrameHeader h;
    if (left < 6 || p[0] != 0xFF || p[1] != 0xF8 || (p[3] & 1) != 0) {
        return h;
    }
    std::size_t at = 4;
    int extra = 0;
    const unsigned lead = p[at];
    if (lead < 0x80) {
        h.number = lead;
    } else {
        int more = 0;
        unsigned mask = 0x40;
        while ((lead & mask) != 0 && more < 6) {
            ++more;
            mask >>= 1;
        }
        if (more == 0 || more > 5) {
            return h;
        }
        h.number = lead & (mask - 1);
        if (left < at + 1 + static_cast<std::size_t>(more) + 3) {
            return h;
        }
        for (int i = 1; i <= more; ++i) {
            if ((p[at + i] & 0xC0) != 0x80) {
                return h;
            }
            h.number = (h.number << 6) | (p[at + i] & 0x3F);
        }
        at += static_cast<std::size_t>(more);
    }
    ++at;
    const unsigned blockCode = p[2] >> 4;
    const unsigned rateCode = p[2] & 0x0F;
    if (blockCode == 0 || rateCode == 15) {
        return h;
    }
    if (blockCode == 6) {
        extra = 1;
    } else if (blockCode == 7) {
        extra = 2;
    }
    if (left < at + static_cast<std::size_t>(extra) + 3) {
        return h;
    }
    if (blockCode == 1) {
        h.samples = 192;
    } else if (blockCode <= 5) {
        h.samples = 576 << (blockCode - 2);
    } else if (blockCode == 6) {
        h.samples = p[at] + 1;
    } else if (blockCode == 7) {
        h.samples = (p[at] << 8 | p[at + 1]) + 1;
    } else {
        h.samples = 256 << (blockCode - 8);
    }
    at += static_cast<std::size_t>(extra);
    if (rateCode == 12) {
        at += 1;
    } else if (rateCode == 13 || rateCode == 14) {
        at += 2;
    }
    if (left < at + 1 || Crc8(p, at) != p[at] || h.samples > streamBlock) {
        return h;
    }
    h.length = static_cast<int>(at + 1);
    return h;
}

// The frame number as FLAC codes it (UTF-8 stretched to 31 bits); returns its bytes.
int PutFrameNumber(unsigned char* out, std::uint64_t n) {
    if (n < 0x80) {
        out[0] = static_cast<unsigned char>(n);
        return 1;
    }
    int more = 1;
    while (more < 5 && n >= (std::uint64_t{1} << (5 * more + 6))) {
        ++more;
    }
    out[0] = static_cast<unsigned char>((0xFF00 >> (more + 1)) | (n >> (6 * more)));
    for (int i = 1; i <= more; ++i) {
        out[i] = static_cast<unsigned char>(0x80 | ((n >> (6 * (more - i))) & 0x3F));
    }
    return more + 1;
}

// The header `old` (`length` bytes, its frame number `numberLength` of them) numbered `number`,
// its CRC-8 made anew, into `out` (16 bytes at most); returns its length.
int Renumbered(const unsigned char* old, int length, int numberLength, std::uint64_t number,
               unsigned char* out) {
    std::memcpy(out, old, 4);
    int at = 4 + PutFrameNumber(out + 4, number);
    const int rest = length - 5 - numberLength;
    std::memcpy(out + at, old + 4 + numberLength, static_cast<std::size_t>(rest));
    at += rest;
    out[at] = Crc8(out, static_cast<std::size_t>(at));
    return at + 1;
}

struct SeekPoint {
    std::uint64_t sample = 0;
    std::uint64_t offset = 0;  // from the chunk's first frame (the stream's after the join)
    std::uint16_t samples = 0;
};

// What preparing a chunk learnt: its metadata (from the first chunk), its frames' sizes and
// where its seek points lie.
struct FlacChunk {
    QByteArray streamInfo;                // the 34 bytes of its STREAMINFO
    std::vector<QByteArray> otherBlocks;  // the vendor's comment block and the like, as written
    // Each frame as the join writes it: its header renumbered, then its body as the chunk
    // file has it, then its new CRC-16.
    // Twelve bytes a frame (an hour of level 0 has two million frames): the new header is
    // made again on the copy.
    struct Frame {
        std::uint32_t at = 0;  // of the header in the chunk's file (a part is far below 4 GiB)
        std::uint32_t body = 0;
        std::uint16_t crc = 0;
        std::uint8_t header = 0;  // the old header's bytes, its CRC-8 with them
        std::uint8_t number = 0;  // of them, the old frame number's
    };
    std::vector<Frame> frames;
    std::uint64_t firstNumber = 0;  // the chunk's first frame's in the whole stream
    std::uint64_t bytes = 0;        // as joined
    std::uint32_t minFrame = 0xFFFFFF;
    std::uint32_t maxFrame = 0;
    std::vector<SeekPoint> points;
};

std::uint32_t Be24(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return std::uint32_t{u[0]} << 16 | std::uint32_t{u[1]} << 8 | u[2];
}

void PutBe(QByteArray& out, std::uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

// The joined output, written straight from the chunks' mappings in gathered writes: a small
// piece of our own for each frame (the frame before's new CRC-16 and the new header), then the
// frame's body as the chunk has it.
class FramesOut {
  public:
    FramesOut(const QString& path, const QString& shownPath) : shownPath_(shownPath) {
        fd_ = ::open(NativeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    ~FramesOut() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FramesOut(const FramesOut&) = delete;
    FramesOut& operator=(const FramesOut&) = delete;

    void Write(const void* data, std::size_t size) {
        iovec piece{const_cast<void*>(data), size};
        WriteAll(&piece, 1);
    }

    void Frame(const unsigned char* old, const FlacChunk::Frame& f, std::uint64_t number) {
        if (used_ + 2 > kPieces) {
            Flush();
        }
        Own& own = own_[static_cast<std::size_t>(used_ / 2)];
        own.length = 0;
        if (crcPending_) {
            own.bytes[0] = static_cast<unsigned char>(crc_ >> 8);
            own.bytes[1] = static_cast<unsigned char>(crc_ & 0xFF);
            own.length = 2;
        }
        own.length += static_cast<std::size_t>(
            Renumbered(old, f.header, f.number, number, own.bytes + own.length));
        pieces_[static_cast<std::size_t>(used_++)] = {own.bytes, own.length};
        pieces_[static_cast<std::size_t>(used_++)] = {const_cast<unsigned char*>(old) + f.header,
                                                      f.body};
        crc_ = f.crc;
        crcPending_ = true;
    }

    // Writes what is gathered; the last frame's CRC-16 waits for the next frame or the close.
    void Flush() {
        WriteAll(pieces_.data(), used_);
        used_ = 0;
    }

    void Close() {
        Flush();
        if (crcPending_) {
            const unsigned char last[2] = {static_cast<unsigned char>(crc_ >> 8),
                                           static_cast<unsigned char>(crc_ & 0xFF)};
            Write(last, 2);
        }
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            ThrowWriteError(shownPath_, QString::fromLocal8Bit(std::strerror(errno)));
        }
    }

  private:
    static constexpr int kPieces = 1024;  // the most one writev takes on Linux
    struct Own {
        unsigned char bytes[18];  // a CRC-16 and a header of 16 bytes at most
        std::size_t length = 0;
    };

    void WriteAll(iovec* pieces, int count) {
        while (count > 0) {
            ssize_t done = ::writev(fd_, pieces, count);
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                ThrowWriteError(shownPath_,
                                QString::fromLocal8Bit(std::strerror(done < 0 ? errno : ENOSPC)));
            }
            // A short write leaves the rest, the first piece perhaps in part.
            while (count > 0 && static_cast<std::size_t>(done) >= pieces->iov_len) {
                done -= static_cast<ssize_t>(pieces->iov_len);
                ++pieces;
                --count;
            }
            if (count > 0) {
                pieces->iov_base = static_cast<char*>(pieces->iov_base) + done;
                pieces->iov_len -= static_cast<std::size_t>(done);
            }
        }
    }

    QString shownPath_;
    int fd_ = -1;
    std::array<iovec, kPieces> pieces_{};
    std::array<Own, kPieces / 2> own_{};
    int used_ = 0;
    std::uint16_t crc_ = 0;
    bool crcPending_ = false;
};

class FlacSplitter : public OutputSplit {
  public:
    SplitRule Rule(int sourceRate, const PcmFormat& output) const override {
        if (output.rate != sourceRate || sourceRate <= 0) {
            return {};
        }
        return {kGrid, 0, 0};
    }

    void PrepareChunk(OutputChunk& chunk, const JoinFacts& facts) const override {
        const QString& shown = facts.shownPath;
        const Mapped file(chunk.path, shown);
        const unsigned char* u = file.Data();
        const std::size_t size = file.Size();
        const QByteArray bytes =
            QByteArray::fromRawData(reinterpret_cast<const char*>(u), static_cast<qsizetype>(size));
        if (size < 42 || size > 0xFFFFFFFFu || std::memcmp(u, "fLaC", 4) != 0) {
            Broken(shown, QStringLiteral("a part is not a FLAC stream"));
        }
        FlacChunk c;
        std::size_t at = 4;
        for (bool last = false; !last;) {
            if (at + 4 > size) {
                Broken(shown, QStringLiteral("a part's metadata is cut short"));
            }
            last = (u[at] & 0x80) != 0;
            const int type = u[at] & 0x7F;
            const std::uint32_t length = Be24(bytes.constData() + at + 1);
            if (at + 4 + length > size) {
                Broken(shown, QStringLiteral("a part's metadata is cut short"));
            }
            const QByteArray body = bytes.mid(static_cast<qsizetype>(at + 4), length);
            if (type == 0 && length == 34) {
                c.streamInfo = body;
            } else if (type != 1 && type != 3 && chunk.index == 0) {
                // Padding and seek tables are made anew for the whole.
                c.otherBlocks.push_back(bytes.mid(static_cast<qsizetype>(at), 4 + length));
            }
            at += 4 + length;
        }
        if (c.streamInfo.size() != 34) {
            Broken(shown, QStringLiteral("a part has no STREAMINFO"));
        }
        const int block = qFromBigEndian<std::uint16_t>(c.streamInfo.constData() + 2);
        const std::uint32_t rate = Be24(c.streamInfo.constData() + 10) >> 4;
        if (block <= 0 || chunk.start % block != 0 || rate == 0) {
            Broken(shown, QStringLiteral("a part's block size does not fit its place"));
        }
        const std::uint64_t seekEvery = std::uint64_t{rate} * kSeekSeconds;

        // Frames end where the next one's header starts: a sync code whose header checks,
        // numbered as the next, and before it a CRC-16 that checks the frame just passed.
        std::uint64_t written = 0;   // bytes of the renumbered frames so far
        std::uint64_t expected = 0;  // the chunk's own frame number
        const std::uint64_t first = static_cast<std::uint64_t>(chunk.start / block);
        std::uint64_t sample = static_cast<std::uint64_t>(chunk.start);
        std::size_t p = at;
        FrameHeader h = ParseHeader(u + p, size - p, block);
        if (h.length == 0 || h.number != 0) {
            Broken(shown, QStringLiteral("a part's first frame is not where it should be"));
        }
        while (p < size) {
            // The frame from p ends where the next header starts: a sync code whose header
            // checks, numbered as the next and coded as this one (the stereo decorrelation
            // aside, which the encoder chooses frame by frame). A header coded otherwise (the
            // last, shorter block) is taken only where it and the frame before it check to the
            // end. A false sync would cut a frame in two, which the count of samples below
            // finds; the check reads the output back besides.
            std::size_t end = size;
            FrameHeader next;
            for (std::size_t q = p + static_cast<std::size_t>(h.length) + 2; q + 1 < size; ++q) {
                const void* found = std::memchr(u + q, 0xFF, size - 1 - q);
                if (found == nullptr) {
                    break;
                }
                q = static_cast<std::size_t>(static_cast<const unsigned char*>(found) - u);
                if (u[q + 1] != 0xF8) {
                    continue;
                }
                next = ParseHeader(u + q, size - q, block);
                if (next.length == 0 || next.number != expected + 1) {
                    continue;
                }
                // Block size, rate and depth as this frame (its channel coding may change
                // from frame to frame); else the last frame, which ends the file.
                const bool coded = u[q + 2] == u[p + 2] && (u[q + 3] & 0x0E) == (u[p + 3] & 0x0E);
                if (coded || (size - q <= kLastFrameBytes && Crc16(u + p, q - p) == 0 &&
                              Crc16(u + q, size - q) == 0)) {
                    end = q;
                    break;
                }
            }
            if (end == size && Crc16(u + p, size - p) != 0) {
                Broken(shown, QStringLiteral("a part's frame %1 does not check").arg(expected));
            }
            // The same frame, numbered in the whole stream.
            std::size_t numberLength = 1;  // the old number's bytes: its lead's leading ones
            for (unsigned lead = u[p + 4]; lead >= 0x80 && (lead & 0x40) != 0; lead <<= 1) {
                ++numberLength;
            }
            FlacChunk::Frame f;
            unsigned char header[16];
            const int length = Renumbered(u + p, h.length, static_cast<int>(numberLength),
                                          first + expected, header);
            f.at = static_cast<std::uint32_t>(p);
            f.header = static_cast<std::uint8_t>(h.length);
            f.number = static_cast<std::uint8_t>(numberLength);
            f.body = static_cast<std::uint32_t>(end - p - static_cast<std::size_t>(h.length) - 2);
            const std::uint16_t old = static_cast<std::uint16_t>(u[end - 2] << 8 | u[end - 1]);
            const std::uint16_t change = Crc16(u + p, static_cast<std::size_t>(h.length)) ^
                                         Crc16(header, static_cast<std::size_t>(length));
            f.crc = old ^ ShiftCrc(change, f.body);
            const auto frameBytes = static_cast<std::uint32_t>(length) + f.body + 2;
            c.minFrame = std::min(c.minFrame, frameBytes);
            c.maxFrame = std::max(c.maxFrame, frameBytes);
            if (c.points.empty() || sample / seekEvery != c.points.back().sample / seekEvery) {
                c.points.push_back({sample, written, static_cast<std::uint16_t>(h.samples)});
            }
            written += frameBytes;
            c.frames.push_back(std::move(f));
            sample += static_cast<std::uint64_t>(h.samples);
            if (end == size) {
                break;
            }
            p = end;
            h = next;
            ++expected;
        }
        // The last chunk's end is what its reading found; libFLAC's count of what it was given
        // still finds one cut short on a frame's end.
        const auto* info = reinterpret_cast<const unsigned char*>(c.streamInfo.constData());
        const std::uint64_t recorded =
            std::uint64_t{info[13] & 0x0Fu} << 32 | qFromBigEndian<std::uint32_t>(info + 14);
        const std::uint64_t held = sample - static_cast<std::uint64_t>(chunk.start);
        const bool last = chunk.index == chunk.count - 1;
        if ((!last && sample != static_cast<std::uint64_t>(chunk.end)) ||
            (recorded != 0 && held != recorded)) {
            Broken(shown,
                   QStringLiteral("a part holds %1 samples, not %2")
                       .arg(held)
                       .arg(last ? recorded : static_cast<std::uint64_t>(chunk.end - chunk.start)));
        }
        c.bytes = written;
        c.firstNumber = first;
        chunk.prepared = std::make_shared<FlacChunk>(std::move(c));
    }

    void Join(std::vector<OutputChunk>& chunks, const JoinFacts& facts,
              const QString& path) const override {
        const QString& shown = facts.shownPath;
        const std::vector<std::shared_ptr<FlacChunk>> parts =
            PreparedParts<FlacChunk>(chunks, shown);
        QByteArray info = parts.front()->streamInfo;
        std::uint32_t minFrame = 0xFFFFFF;
        std::uint32_t maxFrame = 0;
        std::vector<SeekPoint> points;
        std::uint64_t offset = 0;
        for (const auto& part : parts) {
            minFrame = std::min(minFrame, part->minFrame);
            maxFrame = std::max(maxFrame, part->maxFrame);
            for (SeekPoint point : part->points) {
                point.offset += offset;
                points.push_back(point);
            }
            offset += part->bytes;
        }
        auto* i = reinterpret_cast<unsigned char*>(info.data());
        i[4] = static_cast<unsigned char>(minFrame >> 16);
        i[5] = static_cast<unsigned char>(minFrame >> 8);
        i[6] = static_cast<unsigned char>(minFrame);
        i[7] = static_cast<unsigned char>(maxFrame >> 16);
        i[8] = static_cast<unsigned char>(maxFrame >> 8);
        i[9] = static_cast<unsigned char>(maxFrame);
        const auto total = static_cast<std::uint64_t>(facts.frames);
        i[13] = static_cast<unsigned char>((i[13] & 0xF0) | ((total >> 32) & 0x0F));
        i[14] = static_cast<unsigned char>(total >> 24);
        i[15] = static_cast<unsigned char>(total >> 16);
        i[16] = static_cast<unsigned char>(total >> 8);
        i[17] = static_cast<unsigned char>(total);
        if (facts.md5.size() == 16) {
            std::memcpy(i + 18, facts.md5.constData(), 16);
        } else {
            std::memset(i + 18, 0, 16);  // unknown, as the format allows
        }

        QByteArray head("fLaC");
        const auto block = [&head](int type, const QByteArray& body, bool last) {
            head.append(static_cast<char>((last ? 0x80 : 0) | type));
            PutBe(head, static_cast<std::uint64_t>(body.size()), 3);
            head.append(body);
        };
        block(0, info, false);
        QByteArray table;
        for (const SeekPoint& point : points) {
            PutBe(table, point.sample, 8);
            PutBe(table, point.offset, 8);
            PutBe(table, point.samples, 2);
        }
        block(3, table, false);
        for (const QByteArray& other : parts.front()->otherBlocks) {
            QByteArray copy = other;
            copy[0] = static_cast<char>(copy[0] & 0x7F);
            head.append(copy);
        }
        block(1, QByteArray(static_cast<qsizetype>(kPaddingBytes), '\0'), true);

        FramesOut out(path, shown);
        out.Write(head.constData(), static_cast<std::size_t>(head.size()));
        for (std::size_t k = 0; k < chunks.size(); ++k) {
            const Mapped bytes(chunks[k].path, shown);
            std::uint64_t number = parts[k]->firstNumber;
            for (const FlacChunk::Frame& f : parts[k]->frames) {
                if (std::uint64_t{f.at} + f.header + f.body + 2 > bytes.Size()) {
                    Broken(shown, QStringLiteral("a part changed after it was prepared"));
                }
                out.Frame(bytes.Data() + f.at, f, number++);
            }
            out.Flush();  // before the chunk's mapping goes
        }
        out.Close();
    }

    void RecordMd5(const QString& path, const QByteArray& md5,
                   const JoinFacts& facts) const override {
        if (md5.size() != 16) {
            return;
        }
        // STREAMINFO comes first: its MD5 is 18 bytes into its body.
        File f(std::fopen(NativeName(path).constData(), "r+b"));
        if (!f || std::fseek(f.get(), 4 + 4 + 18, SEEK_SET) != 0) {
            ThrowWriteError(facts.shownPath, QString::fromLocal8Bit(std::strerror(errno)));
        }
        PutBytes(f.get(), md5.constData(), 16, facts.shownPath);
        CloseOutputStream(f.release(), facts.shownPath);
    }
};

}  // namespace

const OutputSplit* FlacSplit() {
    static const FlacSplitter split;
    return &split;
}
