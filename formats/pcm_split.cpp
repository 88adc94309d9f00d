// WAV and AIFF in parts: the samples of every chunk one after the other under the first chunk's
// header, its sizes made the whole's (RF64 past what a RIFF size counts, as the WAV writer does).
#include <QtEndian>
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

using File = SplitFile;

[[noreturn]] void Broken(const QString& shownPath, const QString& why) {
    JoinFailed(shownPath, why);
}

// Where a chunk's samples lie in its file, and the header before them.
struct PcmChunk {
    QByteArray header;  // the first chunk's, up to its samples
    std::uint64_t at = 0;
    std::uint64_t bytes = 0;
};

// The first bytes of a chunk's file, where its header is, and the file's size.
QByteArray ReadHead(const QString& path, const QString& shownPath, std::uint64_t& size) {
    File f(std::fopen(NativeName(path).constData(), "rb"));
    if (!f) {
        Broken(shownPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
    QByteArray head(1 << 16, '\0');
    head.resize(static_cast<qsizetype>(std::fread(head.data(), 1, head.size(), f.get())));
    if (fseeko(f.get(), 0, SEEK_END) != 0) {
        Broken(shownPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
    size = static_cast<std::uint64_t>(ftello(f.get()));
    return head;
}

void Append(std::FILE* out, const OutputChunk& chunk, const PcmChunk& part,
            const QString& shownPath) {
    File in(std::fopen(NativeName(chunk.path).constData(), "rb"));
    if (!in || fseeko(in.get(), static_cast<off_t>(part.at), SEEK_SET) != 0) {
        Broken(shownPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
    std::vector<char> buffer(1 << 20);
    for (std::uint64_t left = part.bytes; left > 0;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        const std::size_t got = std::fread(buffer.data(), 1, want, in.get());
        if (got != want) {
            Broken(shownPath, QStringLiteral("a part is cut short"));
        }
        PutBytes(out, buffer.data(), got, shownPath);
        left -= got;
    }
}

const PcmChunk& Prepared(const OutputChunk& chunk, const QString& shownPath) {
    const auto* part = std::any_cast<PcmChunk>(&chunk.prepared);
    if (part == nullptr) {
        Broken(shownPath, QStringLiteral("a part was not prepared"));
    }
    return *part;
}

// Writes `header` and every chunk's samples, and the pad byte an odd count needs.
void WriteJoined(const QString& path, const QByteArray& header,
                 const std::vector<OutputChunk>& chunks, std::uint64_t total,
                 const QString& shownPath) {
    File out(std::fopen(NativeName(path).constData(), "wb"));
    if (!out) {
        ThrowWriteError(shownPath, QString::fromLocal8Bit(std::strerror(errno)));
    }
    PutBytes(out.get(), header.constData(), static_cast<std::size_t>(header.size()), shownPath);
    for (const OutputChunk& chunk : chunks) {
        Append(out.get(), chunk, Prepared(chunk, shownPath), shownPath);
    }
    if ((total & 1) != 0) {
        const char pad = 0;
        PutBytes(out.get(), &pad, 1, shownPath);
    }
    CloseOutputStream(out.release(), shownPath);
}

std::uint64_t SumOfBytes(const std::vector<OutputChunk>& chunks, const QString& shownPath) {
    std::uint64_t total = 0;
    for (const OutputChunk& chunk : chunks) {
        total += Prepared(chunk, shownPath).bytes;
    }
    return total;
}

class WavSplitter : public OutputSplit {
  public:
    SplitRule Rule(int sourceRate, const PcmFormat& output) const override {
        return output.rate == sourceRate && sourceRate > 0 ? SplitRule{1, 0, 0} : SplitRule{};
    }

    void PrepareChunk(OutputChunk& chunk, const JoinFacts& facts) const override {
        std::uint64_t fileBytes = 0;
        const QByteArray head = ReadHead(chunk.path, facts.shownPath, fileBytes);
        if (head.size() < 12 || head.left(4) != "RIFF" || head.mid(8, 4) != "WAVE") {
            Broken(facts.shownPath, QStringLiteral("a part is not a RIFF WAV file"));
        }
        PcmChunk part;
        for (qsizetype at = 12; at + 8 <= head.size();) {
            const std::uint32_t size = qFromLittleEndian<std::uint32_t>(head.constData() + at + 4);
            if (head.mid(at, 4) == "data") {
                part.at = static_cast<std::uint64_t>(at + 8);
                part.bytes = size;
                if (chunk.index == 0) {
                    part.header = head.left(at + 8);
                }
                break;
            }
            at += 8 + size + (size & 1);
        }
        if (part.at == 0 || part.at + part.bytes > fileBytes) {
            Broken(facts.shownPath, QStringLiteral("a part's samples are cut short"));
        }
        chunk.prepared = part;
    }

    void Join(std::vector<OutputChunk>& chunks, const JoinFacts& facts,
              const QString& path) const override {
        const QString& shown = facts.shownPath;
        const QByteArray& first = Prepared(chunks.front(), shown).header;
        const std::uint64_t total = SumOfBytes(chunks, shown);
        // What follows "WAVE" up to the samples: "fmt " and whatever the writer put before
        // "data", whose size is the last four bytes.
        const QByteArray middle = first.mid(12, first.size() - 16);
        const std::uint64_t riffSize =
            4 + static_cast<std::uint64_t>(middle.size()) + 4 + total + (total & 1);
        QByteArray header;
        const auto put32 = [&header](std::uint32_t v) {
            char b[4];
            qToLittleEndian(v, b);
            header.append(b, 4);
        };
        const auto put64 = [&header](std::uint64_t v) {
            char b[8];
            qToLittleEndian(v, b);
            header.append(b, 8);
        };
        if (riffSize <= 0xFFFFFFFFull) {
            header = "RIFF";
            put32(static_cast<std::uint32_t>(riffSize));
            header += "WAVE";
            header += middle;
            put32(static_cast<std::uint32_t>(total));
        } else {
            // As the WAV writer does past 4 GiB: RF64 with the sizes in a ds64 chunk.
            const std::uint16_t align =
                qFromLittleEndian<std::uint16_t>(first.constData() + 12 + 8 + 12);
            header = "RF64";
            put32(0xFFFFFFFFu);
            header += "WAVE";
            header += "ds64";
            put32(28);
            put64(riffSize + 36);
            put64(total);
            put64(align > 0 ? total / align : 0);
            put32(0);
            header += middle;
            put32(0xFFFFFFFFu);
        }
        WriteJoined(path, header, chunks, total, shown);
    }
};

std::uint32_t Be32(const char* p) {
    return qFromBigEndian<std::uint32_t>(p);
}

void PutBe32(QByteArray& bytes, qsizetype at, std::uint32_t v) {
    char b[4];
    qToBigEndian(v, b);
    bytes.replace(at, 4, b, 4);
}

class AiffSplitter : public OutputSplit {
  public:
    SplitRule Rule(int sourceRate, const PcmFormat& output) const override {
        // A float AIFF's PEAK chunk would hold the first part's peak: written whole.
        return output.rate == sourceRate && sourceRate > 0 && !output.floating ? SplitRule{1, 0, 0}
                                                                               : SplitRule{};
    }

    void PrepareChunk(OutputChunk& chunk, const JoinFacts& facts) const override {
        std::uint64_t fileBytes = 0;
        const QByteArray head = ReadHead(chunk.path, facts.shownPath, fileBytes);
        if (head.size() < 12 || head.left(4) != "FORM" ||
            (head.mid(8, 4) != "AIFF" && head.mid(8, 4) != "AIFC")) {
            Broken(facts.shownPath, QStringLiteral("a part is not an AIFF file"));
        }
        PcmChunk part;
        bool common = false;
        for (qsizetype at = 12; at + 8 <= head.size();) {
            const std::uint32_t size = Be32(head.constData() + at + 4);
            if (head.mid(at, 4) == "COMM") {
                common = true;
            } else if (head.mid(at, 4) == "SSND" && at + 16 <= head.size()) {
                const std::uint32_t offset = Be32(head.constData() + at + 8);
                part.at = static_cast<std::uint64_t>(at) + 16 + offset;
                part.bytes = size - 8 - offset;
                if (chunk.index == 0) {
                    part.header = head.left(static_cast<qsizetype>(part.at));
                }
                break;
            }
            at += 8 + size + (size & 1);
        }
        if (!common || part.at == 0 || part.at + part.bytes > fileBytes) {
            Broken(facts.shownPath, QStringLiteral("a part's samples are cut short"));
        }
        chunk.prepared = part;
    }

    void Join(std::vector<OutputChunk>& chunks, const JoinFacts& facts,
              const QString& path) const override {
        const QString& shown = facts.shownPath;
        QByteArray header = Prepared(chunks.front(), shown).header;
        const std::uint64_t total = SumOfBytes(chunks, shown);
        const std::uint64_t form =
            static_cast<std::uint64_t>(header.size()) - 8 + total + (total & 1);
        if (form > 0xFFFFFFFFull) {
            Broken(shown, QStringLiteral("AIFF cannot hold more than 4 GB"));
        }
        PutBe32(header, 4, static_cast<std::uint32_t>(form));
        for (qsizetype at = 12; at + 8 <= header.size();) {
            const std::uint32_t size = Be32(header.constData() + at + 4);
            if (header.mid(at, 4) == "COMM") {
                PutBe32(header, at + 10, static_cast<std::uint32_t>(facts.frames));
            } else if (header.mid(at, 4) == "SSND") {
                const std::uint32_t offset = Be32(header.constData() + at + 8);
                PutBe32(header, at + 4, static_cast<std::uint32_t>(8 + offset + total));
                break;
            }
            at += 8 + size + (size & 1);
        }
        WriteJoined(path, header, chunks, total, shown);
    }
};

}  // namespace

const OutputSplit* WavSplit() {
    static const WavSplitter split;
    return &split;
}

const OutputSplit* AiffSplit() {
    static const AiffSplitter split;
    return &split;
}
