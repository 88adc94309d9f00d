// WavPack in parts: WavPack blocks stand alone and say where they lie (their first sample's
// index in the stream), so every chunk's blocks are renumbered in place as soon as it is
// written, and the join copies the chunks' audio blocks one after the other, the whole's length
// in the first block and one MD5 block of the whole stream after them. Each renumbered block's
// checksum is worked out from the old one: it is linear in the block's 16-bit words.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/output_split.h"
#include "formats/split_support.h"
#include "outside/audio/audio_error.h"
#include "platform/native_name.h"

namespace {

constexpr std::size_t kHeader = 32;
constexpr std::uint32_t kFinalBlock = 1u << 12;  // the last block of a multichannel group
constexpr int kIdMd5 = 0x26;
constexpr int kIdChecksum = 0x2F;
// What the writer leaves in the blocks after the first, whose length it does not yet know.
constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;

[[noreturn]] void Broken(const QString& shownPath, const QString& why) {
    JoinFailed(shownPath, why);
}

QString Reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

struct Fd {
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int fd_;
};

std::uint32_t Pow3(std::uint64_t e) {
    std::uint32_t r = 1;
    std::uint32_t b = 3;
    for (; e != 0; e >>= 1, b *= b) {
        if (e & 1) {
            r *= b;
        }
    }
    return r;
}

// A block's checksum sub-block: the sum of the 16-bit words before it, each time three times
// what it was (from all ones), so changing word k by d changes it by d * 3^(words - 1 - k).
struct Checksum {
    std::size_t at = 0;  // of its four bytes in the block; 0: the block has none
    std::size_t words = 0;
};

// Where the sub-blocks of `block` (`size` bytes) put the checksum, and whether it holds an MD5.
bool ReadSubBlocks(const unsigned char* block, std::size_t size, Checksum& sum, std::size_t* md5,
                   const QString& shown) {
    for (std::size_t j = kHeader; j < size;) {
        if (j + 2 > size) {
            return false;
        }
        const int id = block[j];
        std::size_t length = std::size_t{block[j + 1]} * 2;
        std::size_t head = 2;
        if ((id & 0x80) != 0) {
            if (j + 4 > size) {
                return false;
            }
            length = (std::size_t{block[j + 1]} | std::size_t{block[j + 2]} << 8 |
                      std::size_t{block[j + 3]} << 16) *
                     2;
            head = 4;
        }
        if (j + head + length > size) {
            return false;
        }
        if ((id & 0x3F) == kIdChecksum) {
            if (length != 4) {
                Broken(shown,
                       QStringLiteral("a part has a block checksum of %1 bytes").arg(length));
            }
            sum.at = j + head;
            sum.words = j / 2;
        } else if ((id & 0x3F) == kIdMd5 && md5 != nullptr && length >= 16) {
            *md5 = j + head;
        }
        j += head + length;
    }
    return true;
}

// Sets a block's index and total and its checksum with them.
void Renumber(unsigned char* block, const Checksum& sum, std::uint64_t index, std::uint32_t total,
              std::uint8_t totalHigh) {
    unsigned char old[10];
    std::memcpy(old, block + 10, 10);
    block[10] = static_cast<unsigned char>(index >> 32);
    block[11] = totalHigh;
    qToLittleEndian(total, block + 12);
    qToLittleEndian(static_cast<std::uint32_t>(index), block + 16);
    if (sum.at == 0) {
        return;
    }
    std::uint32_t value = qFromLittleEndian<std::uint32_t>(block + sum.at);
    for (std::size_t k = 5; k < 10; ++k) {
        const auto was = qFromLittleEndian<std::uint16_t>(old + 2 * (k - 5));
        const auto now = qFromLittleEndian<std::uint16_t>(block + 2 * k);
        value += (static_cast<std::uint32_t>(now) - was) * Pow3(sum.words - 1 - k);
    }
    qToLittleEndian(value, block + sum.at);
}

// What preparing a chunk learnt: where its audio blocks end (its MD5 block and whatever else
// follows are left out), its first block's header for the whole's length, and the MD5 block.
struct WavPackChunk {
    std::uint64_t audioBytes = 0;
    QByteArray firstBlock;  // the chunk's first block, renumbered
    Checksum firstSum;
    QByteArray md5Block;  // renumbered; empty when the chunk had none
    Checksum md5Sum;
    std::size_t md5At = 0;
};

class WavPackSplitter : public OutputSplit {
  public:
    SplitRule Rule(int sourceRate, const PcmFormat& output) const override {
        // Blocks hold any number of samples and carry their own index, so a chunk may start
        // anywhere; cut on whole seconds, a chunk ends on the library's own blocks (a quarter
        // of a second at 44.1 kHz stereo).
        // Block indexes of parts count in 32 bits: a longer row is written whole.
        return output.rate == sourceRate && sourceRate > 0
                   ? SplitRule{sourceRate, 0, 0, std::int64_t{kUnknown} - 1}
                   : SplitRule{};
    }

    void PrepareChunk(OutputChunk& chunk, const JoinFacts& facts) const override {
        const QString& shown = facts.shownPath;
        const Fd fd(::open(NativeName(chunk.path).constData(), O_RDWR | O_CLOEXEC));
        struct stat st {};
        if (fd.fd_ < 0 || ::fstat(fd.fd_, &st) != 0) {
            Broken(shown, Reason(errno));
        }
        // The file is read whole and its blocks renumbered; only their headers and checksums
        // are written back.
        std::vector<unsigned char> bytes(static_cast<std::size_t>(st.st_size));
        if (!bytes.empty() &&
            ::pread(fd.fd_, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
            Broken(shown, Reason(errno != 0 ? errno : EIO));
        }
        WavPackChunk c;
        struct Patch {
            std::size_t at;
            std::size_t sum;
        };
        std::vector<Patch> patched;
        const std::uint64_t start = static_cast<std::uint64_t>(chunk.start);
        std::uint64_t local = 0;     // samples of the chunk's audio blocks so far
        std::uint64_t recorded = 0;  // the chunk's length as its first block has it
        bool audio = true;
        const std::size_t size = bytes.size();
        for (std::size_t at = 0; at < size;) {
            unsigned char* b = bytes.data() + at;
            if (at + kHeader > size || std::memcmp(b, "wvpk", 4) != 0) {
                Broken(shown, QStringLiteral("a part's blocks are cut short or damaged"));
            }
            const std::size_t length = std::size_t{qFromLittleEndian<std::uint32_t>(b + 4)} + 8;
            if (length < kHeader || at + length > size) {
                Broken(shown, QStringLiteral("a part's blocks are cut short or damaged"));
            }
            const std::uint64_t index =
                std::uint64_t{b[10]} << 32 | qFromLittleEndian<std::uint32_t>(b + 16);
            const std::uint32_t samples = qFromLittleEndian<std::uint32_t>(b + 20);
            const std::uint32_t flags = qFromLittleEndian<std::uint32_t>(b + 24);
            Checksum sum;
            std::size_t md5 = 0;
            if (!ReadSubBlocks(b, length, sum, &md5, shown)) {
                Broken(shown, QStringLiteral("a part's blocks are cut short or damaged"));
            }
            if (at == 0) {
                recorded = qFromLittleEndian<std::uint32_t>(b + 12);
            }
            if (samples == 0) {
                // The MD5 block after the audio (and whatever else follows it) is the chunk's:
                // the join puts one of the whole's in its place.
                if (md5 != 0 && c.md5Block.isEmpty()) {
                    Renumber(b, sum, start + local, kUnknown, 0);
                    c.md5Block = QByteArray(reinterpret_cast<const char*>(b),
                                            static_cast<qsizetype>(length));
                    c.md5Sum = sum;
                    c.md5At = md5;
                }
                audio = false;
                at += length;
                continue;
            }
            if (!audio || index != local) {
                Broken(shown,
                       QStringLiteral("a part's block at sample %1 is out of place").arg(index));
            }
            if (start + local + samples >= kUnknown) {
                Broken(shown, QStringLiteral("the output is too long to be joined from parts"));
            }
            Renumber(b, sum, start + local, kUnknown, 0);
            patched.push_back({at, sum.at});
            if (at == 0) {
                c.firstBlock =
                    QByteArray(reinterpret_cast<const char*>(b), static_cast<qsizetype>(length));
                c.firstSum = sum;
            }
            if ((flags & kFinalBlock) != 0) {
                local += samples;
            }
            c.audioBytes = at + length;
            at += length;
        }
        const bool last = chunk.index == chunk.count - 1;
        if (c.firstBlock.isEmpty() ||
            (!last && local != static_cast<std::uint64_t>(chunk.end - chunk.start)) ||
            (recorded != kUnknown && local != recorded)) {
            Broken(shown,
                   QStringLiteral("a part holds %1 samples, not %2")
                       .arg(local)
                       .arg(last ? recorded : static_cast<std::uint64_t>(chunk.end - chunk.start)));
        }
        for (const Patch& p : patched) {
            const unsigned char* b = bytes.data() + p.at;
            if (::pwrite(fd.fd_, b, kHeader, static_cast<off_t>(p.at)) !=
                    static_cast<ssize_t>(kHeader) ||
                (p.sum != 0 &&
                 ::pwrite(fd.fd_, b + p.sum, 4, static_cast<off_t>(p.at + p.sum)) != 4)) {
                ThrowWriteError(shown, Reason(errno != 0 ? errno : ENOSPC));
            }
        }
        chunk.prepared = std::make_shared<WavPackChunk>(std::move(c));
    }

    void Join(std::vector<OutputChunk>& chunks, const JoinFacts& facts,
              const QString& path) const override {
        const QString& shown = facts.shownPath;
        const std::vector<std::shared_ptr<WavPackChunk>> parts =
            PreparedParts<WavPackChunk>(chunks, shown);
        if (parts.back()->md5Block.isEmpty()) {
            Broken(shown, QStringLiteral("a part has no MD5 block"));
        }
        const auto total = static_cast<std::uint64_t>(facts.frames);
        if (total >= kUnknown) {
            Broken(shown, QStringLiteral("the output is too long to be joined from parts"));
        }
        Fd out(
            ::open(NativeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (out.fd_ < 0) {
            ThrowWriteError(shown, Reason(errno));
        }
        // The first block with the whole's length, then the rest as the chunks have it.
        QByteArray first = parts.front()->firstBlock;
        auto* f = reinterpret_cast<unsigned char*>(first.data());
        Renumber(f, parts.front()->firstSum, 0, static_cast<std::uint32_t>(total), 0);
        Put(out.fd_, first.constData(), static_cast<std::size_t>(first.size()), shown);
        for (std::size_t k = 0; k < chunks.size(); ++k) {
            const std::uint64_t skip = k == 0 ? static_cast<std::uint64_t>(first.size()) : 0;
            Copy(out.fd_, chunks[k].path, skip, parts[k]->audioBytes - skip, shown);
        }
        QByteArray md5 = parts.back()->md5Block;
        WriteMd5(reinterpret_cast<unsigned char*>(md5.data()), *parts.back(),
                 facts.md5.size() == 16 ? facts.md5 : QByteArray(16, '\0'));
        Put(out.fd_, md5.constData(), static_cast<std::size_t>(md5.size()), shown);
        const int fd = out.fd_;
        out.fd_ = -1;
        if (::close(fd) != 0) {
            ThrowWriteError(shown, Reason(errno));
        }
    }

    void RecordMd5(const QString& path, const QByteArray& md5,
                   const JoinFacts& facts) const override {
        if (md5.size() != 16) {
            return;
        }
        // The MD5 block is the last block the join wrote; the tags come after it.
        const QString& shown = facts.shownPath;
        const Fd fd(::open(NativeName(path).constData(), O_RDWR | O_CLOEXEC));
        if (fd.fd_ < 0) {
            ThrowWriteError(shown, Reason(errno));
        }
        unsigned char header[kHeader];
        for (off_t at = 0;;) {
            if (::pread(fd.fd_, header, kHeader, at) != static_cast<ssize_t>(kHeader) ||
                std::memcmp(header, "wvpk", 4) != 0) {
                Broken(shown, QStringLiteral("the joined output has no MD5 block"));
            }
            const std::size_t length =
                std::size_t{qFromLittleEndian<std::uint32_t>(header + 4)} + 8;
            if (qFromLittleEndian<std::uint32_t>(header + 20) == 0) {
                std::vector<unsigned char> block(length);
                WavPackChunk c;
                if (::pread(fd.fd_, block.data(), length, at) != static_cast<ssize_t>(length) ||
                    !ReadSubBlocks(block.data(), length, c.md5Sum, &c.md5At, shown) ||
                    c.md5At == 0) {
                    Broken(shown, QStringLiteral("the joined output has no MD5 block"));
                }
                WriteMd5(block.data(), c, md5);
                if (::pwrite(fd.fd_, block.data(), length, at) != static_cast<ssize_t>(length)) {
                    ThrowWriteError(shown, Reason(errno != 0 ? errno : ENOSPC));
                }
                break;
            }
            at += static_cast<off_t>(length);
        }
    }

  private:
    // The MD5 into the block, its checksum made anew over the whole block (a small one).
    static void WriteMd5(unsigned char* block, const WavPackChunk& c, const QByteArray& md5) {
        std::memcpy(block + c.md5At, md5.constData(), 16);
        if (c.md5Sum.at != 0) {
            std::uint32_t sum = 0xFFFFFFFFu;
            for (std::size_t k = 0; k < c.md5Sum.words; ++k) {
                sum = sum * 3 + qFromLittleEndian<std::uint16_t>(block + 2 * k);
            }
            qToLittleEndian(sum, block + c.md5Sum.at);
        }
    }

    static void Put(int fd, const char* data, std::size_t size, const QString& shown) {
        while (size > 0) {
            const ssize_t done = ::write(fd, data, size);
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                ThrowWriteError(shown, Reason(done < 0 ? errno : ENOSPC));
            }
            data += done;
            size -= static_cast<std::size_t>(done);
        }
    }

    // Bytes [from, from + size) of a chunk, copied by the kernel where it can.
    static void Copy(int out, const QString& path, std::uint64_t from, std::uint64_t size,
                     const QString& shown) {
        const Fd in(::open(NativeName(path).constData(), O_RDONLY | O_CLOEXEC));
        struct stat st {};
        if (in.fd_ < 0 || ::fstat(in.fd_, &st) != 0) {
            Broken(shown, Reason(errno));
        }
        if (static_cast<std::uint64_t>(st.st_size) < from + size) {
            Broken(shown, QStringLiteral("a part changed after it was prepared"));
        }
        auto at = static_cast<off_t>(from);
        std::vector<char> buffer;
        while (size > 0) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size, 1 << 30));
            ssize_t done =
                buffer.empty() ? ::copy_file_range(in.fd_, &at, out, nullptr, want, 0) : -1;
            if (done < 0 && buffer.empty() && errno != EINTR) {
                buffer.resize(1 << 22);  // a file system that cannot: read and write
            }
            if (done < 0 && !buffer.empty()) {
                done = ::pread(in.fd_, buffer.data(), std::min(want, buffer.size()), at);
                if (done > 0) {
                    Put(out, buffer.data(), static_cast<std::size_t>(done), shown);
                    at += done;
                }
            }
            if (done < 0 && errno == EINTR) {
                continue;
            }
            if (done <= 0) {
                Broken(shown, done == 0 ? QStringLiteral("a part changed after it was prepared")
                                        : Reason(errno));
            }
            size -= static_cast<std::uint64_t>(done);
        }
    }
};

}  // namespace

const OutputSplit* WavPackSplit() {
    static const WavPackSplitter split;
    return &split;
}
