// Ogg Opus in parts: libopusenc codes 20 ms packets on a 48 kHz timeline that starts at the
// first sample it is given, with the same pre-skip (the coder's look-ahead) in every stream. A
// chunk fed from a start that is a whole number of packets on that timeline therefore codes the
// packets a one-job encode codes there, once a pre-roll has let the coder's state settle; the join
// keeps each chunk's own packets and pages them anew as one stream.
#include <ogg/ogg.h>
#include <opus/opus.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <numeric>

#include "formats/output_split.h"
#include "formats/split_support.h"
#include "outside/audio/audio_error.h"
#include "platform/native_name.h"

namespace {

constexpr std::int64_t kOpusRate = 48000;
constexpr std::int64_t kPacket = 960;  // libopusenc's frame: 20 ms at 48 kHz
// Fed before a chunk's start, so that the coder's state is the one-job encode's by then: its band
// energies and pitch filter settle in a few frames, its signal analysis (tonality, music or
// speech, bandwidth) and VBR in seconds. Measured on music with transients, silence and a sine
// at the joins, 12 to 256 Kbps: with 2 s a join on a transient was coded unlike the one-job
// encode at 32 Kbps, with 5 s one at 96 kHz was, with 10 s every join decoded to exactly the
// one-job encode's samples.
constexpr std::int64_t kPreRollMs = 10000;
// Fed after a chunk's end: the coder looks 6.5 ms ahead and its analysis three frames more.
constexpr std::int64_t kLeadOutMs = 100;
// libopusenc's pages span this many samples.
constexpr std::int64_t kPageSpan = kOpusRate;
constexpr int kPageBytes = 255 * 255;
constexpr std::size_t kReadBlock = 1 << 18;

QString Text(const char* text) {
    return QString::fromUtf8(text);
}

[[noreturn]] void Fail(const QString& shownPath, const QString& cause) {
    ThrowAudioError(Text("Cannot write"), shownPath, cause);
}

// Source frames per chunk step: the fewest that are a whole number of 20 ms packets at 48 kHz.
std::int64_t Grid(int rate) {
    return rate > 0 ? rate / std::gcd(rate, 50) : 0;
}

std::int64_t To48k(std::int64_t frames, int rate) {
    return frames * kOpusRate / rate;
}

// What PrepareChunk learnt of a chunk: its audio packets [skip, skip + count) are its own.
struct OpusChunk {
    std::int64_t skip = 0;
    std::int64_t count = 0;
    int preSkip = 0;
    int channels = 0;
};

using File = SplitFile;

// The packets of one Ogg Opus stream, in order.
class PacketReader {
  public:
    PacketReader(const OutputChunk& chunk, const QString& shownPath)
        : shownPath_(shownPath), part_(chunk.index + 1) {
        file_.reset(std::fopen(NativeName(chunk.path).constData(), "rb"));
        if (!file_) {
            Fail(shownPath_, Text("its part %1 cannot be read: %2")
                                 .arg(part_)
                                 .arg(QString::fromLocal8Bit(std::strerror(errno))));
        }
        ogg_sync_init(&sync_);
    }
    ~PacketReader() {
        ogg_sync_clear(&sync_);
        if (streamOpen_) {
            ogg_stream_clear(&stream_);
        }
    }
    PacketReader(const PacketReader&) = delete;
    PacketReader& operator=(const PacketReader&) = delete;

    // The next packet, false at the stream's end. The packet's bytes last until the next call.
    bool Next(ogg_packet& packet) {
        for (;;) {
            if (streamOpen_) {
                const int got = ogg_stream_packetout(&stream_, &packet);
                if (got == 1) {
                    return true;
                }
                if (got < 0) {
                    Broken(Text("a packet is missing"));
                }
                if (ended_) {
                    return false;
                }
            }
            ogg_page page;
            const int synced = ogg_sync_pageout(&sync_, &page);
            if (synced < 0) {
                Broken(Text("bytes that are not a page"));
            }
            if (synced == 0) {
                char* into = ogg_sync_buffer(&sync_, static_cast<long>(kReadBlock));
                const std::size_t n = std::fread(into, 1, kReadBlock, file_.get());
                if (n == 0) {
                    if (std::ferror(file_.get()) != 0) {
                        Fail(shownPath_, Text("its part %1 cannot be read: %2")
                                             .arg(part_)
                                             .arg(QString::fromLocal8Bit(std::strerror(errno))));
                    }
                    Broken(Text("it ends before its last page"));
                }
                ogg_sync_wrote(&sync_, static_cast<long>(n));
                continue;
            }
            if (!streamOpen_) {
                ogg_stream_init(&stream_, ogg_page_serialno(&page));
                streamOpen_ = true;
                serial_ = ogg_page_serialno(&page);
            }
            if (ogg_stream_pagein(&stream_, &page) != 0) {
                Broken(Text("a page of another stream"));
            }
            granule_ = ogg_page_granulepos(&page) >= 0 ? ogg_page_granulepos(&page) : granule_;
            ended_ = ogg_page_eos(&page) != 0;
        }
    }
    // Header packets 0 and 1; returns the pre-skip and channel count of the OpusHead.
    void Headers(ogg_packet& head, int& preSkip, int& channels) {
        if (!Next(head) || head.bytes < 19 || std::memcmp(head.packet, "OpusHead", 8) != 0) {
            Broken(Text("no Opus header"));
        }
        channels = head.packet[9];
        preSkip = head.packet[10] | (head.packet[11] << 8);
    }
    void Tags(ogg_packet& tags) {
        if (!Next(tags) || tags.bytes < 8 || std::memcmp(tags.packet, "OpusTags", 8) != 0) {
            Broken(Text("no Opus comment header"));
        }
    }
    // The samples one audio packet decodes to at 48 kHz; libopusenc codes them all alike.
    int Samples(const ogg_packet& packet) {
        const int n = packet.bytes > 0 ? opus_packet_get_nb_samples(
                                             packet.packet, static_cast<opus_int32>(packet.bytes),
                                             static_cast<opus_int32>(kOpusRate))
                                       : -1;
        if (n != kPacket) {
            Broken(Text("a packet of %1 samples, not %2").arg(n).arg(kPacket));
        }
        return n;
    }
    [[noreturn]] void Broken(const QString& why) const {
        Fail(shownPath_, Text("its part %1 is not a whole Opus stream (%2)").arg(part_).arg(why));
    }
    std::int64_t Granule() const { return granule_; }
    int Serial() const { return serial_; }

  private:
    QString shownPath_;
    int part_;
    File file_;
    ogg_sync_state sync_{};
    ogg_stream_state stream_{};
    bool streamOpen_ = false;
    bool ended_ = false;
    std::int64_t granule_ = -1;
    int serial_ = 0;
};

// The joined stream's pages, written as they fill.
class PageWriter {
  public:
    PageWriter(const QString& path, const QString& shownPath, int serial)
        : path_(path), shownPath_(shownPath) {
        file_.reset(std::fopen(NativeName(path).constData(), "wb"));
        if (!file_) {
            ThrowAudioError(Text("Cannot create"), shownPath_,
                            QString::fromLocal8Bit(std::strerror(errno)));
        }
        std::setvbuf(file_.get(), nullptr, _IOFBF, kReadBlock);
        ogg_stream_init(&stream_, serial);
    }
    ~PageWriter() {
        ogg_stream_clear(&stream_);
        if (file_) {
            file_.reset();
            // A failed join leaves no half-written output behind (a device stays).
            if (QFileInfo(path_).isFile()) {
                QFile::remove(path_);
            }
        }
    }
    PageWriter(const PageWriter&) = delete;
    PageWriter& operator=(const PageWriter&) = delete;

    // A header packet, on a page of its own as libopusenc writes them.
    void Header(ogg_packet packet, bool first) {
        packet.b_o_s = first ? 1 : 0;
        packet.e_o_s = 0;
        packet.granulepos = 0;
        packet.packetno = packetNo_++;
        ogg_stream_packetin(&stream_, &packet);
        Flush();
    }
    void Audio(ogg_packet packet, std::int64_t granule, bool last) {
        packet.b_o_s = 0;
        packet.e_o_s = last ? 1 : 0;
        packet.granulepos = granule;
        packet.packetno = packetNo_++;
        ogg_stream_packetin(&stream_, &packet);
        // A page a second, as libopusenc writes them (libogg splits one of over 255 segments).
        if (last || granule - pageGranule_ >= kPageSpan) {
            Flush();
            pageGranule_ = granule;
        }
    }
    void Close() { CloseOutputStream(file_.release(), shownPath_); }

  private:
    void Flush() {
        ogg_page page;
        // No byte limit (libogg's own is 4 kB): the 255 segments of a page are the limit.
        while (ogg_stream_flush_fill(&stream_, &page, kPageBytes) != 0) {
            Put(page);
        }
    }
    void Put(const ogg_page& page) {
        PutBytes(file_.get(), page.header, static_cast<std::size_t>(page.header_len), shownPath_);
        PutBytes(file_.get(), page.body, static_cast<std::size_t>(page.body_len), shownPath_);
    }

    QString path_;
    QString shownPath_;
    File file_;
    ogg_stream_state stream_{};
    std::int64_t packetNo_ = 0;
    std::int64_t pageGranule_ = 0;
};

class OpusSplitter : public OutputSplit {
  public:
    SplitRule Rule(int sourceRate, const PcmFormat& output) const override {
        // The encoder must see the source's own frames.
        if (sourceRate <= 0 || output.rate != sourceRate || output.channels < 1 ||
            output.channels > 8) {
            return {};
        }
        const std::int64_t grid = Grid(sourceRate);
        const auto roundUp = [&](std::int64_t ms) {
            const std::int64_t frames = (ms * sourceRate + 999) / 1000;
            return (frames + grid - 1) / grid * grid;
        };
        return {grid, roundUp(kPreRollMs), roundUp(kLeadOutMs)};
    }

    void PrepareChunk(OutputChunk& chunk, const JoinFacts& facts) const override {
        const std::int64_t grid = Grid(facts.sourceRate);
        const std::int64_t from = chunk.start - chunk.leadIn;
        const bool last = chunk.index + 1 == chunk.count;
        if (grid == 0 || from < 0 || from % grid != 0 || chunk.start % grid != 0 ||
            (!last && chunk.end % grid != 0)) {
            Fail(facts.shownPath,
                 Text("its part %1 does not start on a whole Opus packet").arg(chunk.index + 1));
        }
        PacketReader reader(chunk, facts.shownPath);
        OpusChunk kept;
        ogg_packet packet;
        reader.Headers(packet, kept.preSkip, kept.channels);
        reader.Tags(packet);
        std::int64_t packets = 0;
        while (reader.Next(packet)) {
            reader.Samples(packet);
            ++packets;
        }
        kept.skip = To48k(chunk.leadIn, facts.sourceRate) / kPacket;
        kept.count =
            last ? packets - kept.skip : To48k(chunk.end - chunk.start, facts.sourceRate) / kPacket;
        if (kept.count <= 0 || kept.skip + kept.count > packets) {
            reader.Broken(Text("%1 packets, not %2").arg(packets).arg(kept.skip + kept.count));
        }
        if (last) {
            // The chunk's own end trimming must say the whole's, counted from the chunk's start.
            const std::int64_t whole = End48k(facts) + kept.preSkip;
            const std::int64_t own = reader.Granule();
            if (own + To48k(from, facts.sourceRate) != whole || own <= (packets - 1) * kPacket ||
                own > packets * kPacket) {
                reader.Broken(Text("it ends at %1, not %2")
                                  .arg(own + To48k(from, facts.sourceRate))
                                  .arg(whole));
            }
        }
        chunk.prepared = kept;
    }

    void Join(std::vector<OutputChunk>& chunks, const JoinFacts& facts,
              const QString& path) const override {
        if (chunks.empty()) {
            Fail(facts.shownPath, Text("no parts to join"));
        }
        std::unique_ptr<PageWriter> out;
        int preSkip = 0;
        int channels = 0;
        std::int64_t granule = 0;
        std::int64_t end = 0;
        for (std::size_t c = 0; c < chunks.size(); ++c) {
            const auto* kept = std::any_cast<OpusChunk>(&chunks[c].prepared);
            if (kept == nullptr) {
                Fail(facts.shownPath, Text("its part %1 was not prepared").arg(c + 1));
            }
            PacketReader reader(chunks[c], facts.shownPath);
            ogg_packet packet;
            if (c == 0) {
                reader.Headers(packet, preSkip, channels);
                out = std::make_unique<PageWriter>(path, facts.shownPath, reader.Serial());
                out->Header(packet, true);
                reader.Tags(packet);
                out->Header(packet, false);
                end = End48k(facts) + preSkip;
            } else {
                int p = 0;
                int ch = 0;
                reader.Headers(packet, p, ch);
                if (p != preSkip || ch != channels) {
                    reader.Broken(Text("a header unlike the first part's"));
                }
                reader.Tags(packet);
            }
            for (std::int64_t i = 0; i < kept->skip; ++i) {
                if (!reader.Next(packet)) {
                    reader.Broken(Text("fewer packets than prepared"));
                }
            }
            const bool lastChunk = c + 1 == chunks.size();
            for (std::int64_t i = 0; i < kept->count; ++i) {
                if (!reader.Next(packet)) {
                    reader.Broken(Text("fewer packets than prepared"));
                }
                granule += reader.Samples(packet);
                const bool last = lastChunk && i + 1 == kept->count;
                if (last && (end > granule || end <= granule - kPacket)) {
                    reader.Broken(Text("its packets end at %1, not %2").arg(granule).arg(end));
                }
                out->Audio(packet, last ? end : granule, last);
            }
        }
        out->Close();
    }

  private:
    // The whole stream's length at 48 kHz as libopusenc gives it: rounded up, since decoders
    // round down.
    static std::int64_t End48k(const JoinFacts& facts) {
        return (facts.frames * kOpusRate + facts.sourceRate - 1) / facts.sourceRate;
    }
};

}  // namespace

const OutputSplit* OpusSplit() {
    static const OpusSplitter split;
    return &split;
}
