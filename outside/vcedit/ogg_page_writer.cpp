#include "outside/vcedit/ogg_page_writer.h"

#include <algorithm>
#include <cstdint>

namespace {

void Put32(std::vector<unsigned char>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
}

void PutLittleEndian(unsigned char* at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

ogg_packet Packet(const std::vector<unsigned char>& bytes, int number, bool first, bool last) {
    ogg_packet packet{};
    packet.packet = const_cast<unsigned char*>(bytes.data());
    packet.bytes = static_cast<long>(bytes.size());
    packet.b_o_s = first ? 1 : 0;
    packet.e_o_s = last ? 1 : 0;
    packet.granulepos = 0;
    packet.packetno = number;
    return packet;
}

}  // namespace

OggPageWriter::OggPageWriter(vcedit_write_func write, void* target, int serial)
    : write_(write), target_(target), serial_(serial) {}

bool OggPageWriter::WriteRaw(const unsigned char* data, size_t size) {
    return size == 0 || write_(data, 1, size, target_) == size;
}

bool OggPageWriter::WritePage(const ogg_page& page) {
    return WriteRaw(page.header, static_cast<size_t>(page.header_len)) &&
           WriteRaw(page.body, static_cast<size_t>(page.body_len));
}

bool OggPageWriter::WriteHeaders(const std::vector<unsigned char>& identification,
                                 const std::vector<unsigned char>& comment,
                                 const std::vector<unsigned char>& setup, bool endOfStream,
                                 const std::function<bool()>& afterFirstPage) {
    ogg_stream_state stream;
    if (ogg_stream_init(&stream, serial_) != 0) {
        return false;
    }
    bool ok = true;
    ogg_page page;
    ogg_packet packet = Packet(identification, 0, true, false);
    ogg_stream_packetin(&stream, &packet);
    while (ok && ogg_stream_flush(&stream, &page) != 0) {
        ok = WritePage(page);
    }
    ok = ok && afterFirstPage();
    packet = Packet(comment, 1, false, false);
    ogg_stream_packetin(&stream, &packet);
    packet = Packet(setup, 2, false, endOfStream);
    ogg_stream_packetin(&stream, &packet);
    while (ok && ogg_stream_flush(&stream, &page) != 0) {
        ok = WritePage(page);
    }
    ok = ok && ogg_stream_check(&stream) == 0;
    nextPageNo_ = stream.pageno;
    ogg_stream_clear(&stream);
    return ok;
}

bool OggPageWriter::WriteSegments(const std::vector<unsigned char>& lacing,
                                  const std::vector<unsigned char>& body, ogg_int64_t granule,
                                  bool endOfStream) {
    std::vector<unsigned char> header(27 + lacing.size(), 0);
    header[0] = 'O';
    header[1] = 'g';
    header[2] = 'g';
    header[3] = 'S';
    header[5] = endOfStream ? 0x04 : 0x00;
    PutLittleEndian(&header[6], static_cast<std::uint64_t>(granule), 8);
    PutLittleEndian(&header[14], static_cast<std::uint32_t>(serial_), 4);
    PutLittleEndian(&header[18], static_cast<std::uint32_t>(nextPageNo_++), 4);
    header[26] = static_cast<unsigned char>(lacing.size());
    std::copy(lacing.begin(), lacing.end(), header.begin() + 27);
    ogg_page page{};
    page.header = header.data();
    page.header_len = static_cast<long>(header.size());
    page.body = const_cast<unsigned char*>(body.data());
    page.body_len = static_cast<long>(body.size());
    ogg_page_checksum_set(&page);
    return WritePage(page);
}

bool OggPageWriter::WriteRenumbered(ogg_page& page) {
    PutLittleEndian(page.header + 18, static_cast<std::uint32_t>(nextPageNo_++), 4);
    ogg_page_checksum_set(&page);
    return WritePage(page);
}

std::vector<unsigned char> BuildCommentPacket(const std::string& vendor, const vorbis_comment* vc) {
    std::vector<unsigned char> out = {0x03, 'v', 'o', 'r', 'b', 'i', 's'};
    Put32(out, static_cast<std::uint32_t>(vendor.size()));
    out.insert(out.end(), vendor.begin(), vendor.end());
    const bool usable = vc != nullptr && vc->comments > 0 && vc->user_comments != nullptr &&
                        vc->comment_lengths != nullptr;
    const int count = usable ? vc->comments : 0;
    Put32(out, static_cast<std::uint32_t>(count));
    for (int i = 0; i < count; ++i) {
        const char* text = vc->user_comments[i];
        const int length =
            text != nullptr && vc->comment_lengths[i] > 0 ? vc->comment_lengths[i] : 0;
        Put32(out, static_cast<std::uint32_t>(length));
        if (length > 0) {
            out.insert(out.end(), text, text + length);
        }
    }
    out.push_back(0x01);  // framing bit
    return out;
}
