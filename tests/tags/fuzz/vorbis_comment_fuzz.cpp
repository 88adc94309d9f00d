// libFuzzer target: the vcedit module (Ogg pages, Vorbis headers, comment rewrite) and the
// splitting of comments. An input that starts with "OggS" is a whole stream; any other input is
// used as the comment header packet of a stream built around it with real identification and
// setup headers.
#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "outside/vcedit/vcedit.h"
#include "tags/vorbis_comment_split.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Reader {
    const Bytes* bytes;
    std::size_t pos = 0;
};

size_t ReadMemory(void* buffer, size_t size, size_t count, void* source) {
    auto* r = static_cast<Reader*>(source);
    if (size == 0) {
        return 0;
    }
    const std::size_t n = std::min(size * count, r->bytes->size() - r->pos) / size * size;
    std::memcpy(buffer, r->bytes->data() + r->pos, n);
    r->pos += n;
    return n / size;
}

size_t WriteMemory(const void* buffer, size_t size, size_t count, void* target) {
    auto* out = static_cast<Bytes*>(target);
    const auto* b = static_cast<const std::uint8_t*>(buffer);
    out->insert(out->end(), b, b + size * count);
    return count;
}

Bytes identification;
Bytes setup;

void MakeHeaders() {
    vorbis_info vi;
    vorbis_info_init(&vi);
    vorbis_encode_init_vbr(&vi, 1, 8000, 0.0f);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &vi);
    ogg_packet id, comment, code;
    vorbis_analysis_headerout(&dsp, &vc, &id, &comment, &code);
    identification.assign(id.packet, id.packet + id.bytes);
    setup.assign(code.packet, code.packet + code.bytes);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
}

Bytes Stream(const std::uint8_t* comment, std::size_t size) {
    Bytes out;
    ogg_stream_state os;
    ogg_stream_init(&os, 7);
    const Bytes commentPacket(comment, comment + size);
    const Bytes audio(40, 0x2A);
    const Bytes* packets[] = {&identification, &commentPacket, &setup, &audio, &audio};
    for (int i = 0; i < 5; ++i) {
        ogg_packet p{};
        p.packet = const_cast<std::uint8_t*>(packets[i]->data());
        p.bytes = static_cast<long>(packets[i]->size());
        p.b_o_s = i == 0;
        p.e_o_s = i == 4;
        p.granulepos = i < 3 ? 0 : 64 * (i - 2);
        p.packetno = i;
        ogg_stream_packetin(&os, &p);
        ogg_page page;
        while ((i == 0 || i == 2 || i == 4) ? ogg_stream_flush(&os, &page)
                                            : ogg_stream_pageout(&os, &page)) {
            out.insert(out.end(), page.header, page.header + page.header_len);
            out.insert(out.end(), page.body, page.body + page.body_len);
        }
    }
    ogg_stream_clear(&os);
    return out;
}

// Opens bytes, splits every comment, adds one, and writes the stream; returns the comment count
// seen, -1 when the stream does not open.
int EditOnce(const Bytes& bytes, Bytes* written) {
    Reader reader{&bytes};
    vcedit_state* state = vcedit_new_state();
    int count = -1;
    if (vcedit_open_callbacks(state, &reader, ReadMemory, WriteMemory) == 0) {
        vorbis_comment* vc = vcedit_comments(state);
        count = vc->comments;
        for (int i = 0; i < vc->comments; ++i) {
            SplitVorbisComment(vc->user_comments[i],
                               static_cast<std::size_t>(vc->comment_lengths[i]));
        }
        if (written != nullptr) {
            vorbis_comment_add(vc, "Title=fuzz");
            if (vcedit_write(state, written) != 0) {
                written->clear();
            }
        }
    }
    vcedit_clear(state);
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (identification.empty()) {
        MakeHeaders();
    }
    const bool whole = size >= 4 && std::memcmp(data, "OggS", 4) == 0;
    const Bytes input = whole ? Bytes(data, data + size) : Stream(data, size);
    Bytes written;
    const int count = EditOnce(input, &written);
    // What the module wrote must open again with the added comment.
    if (count >= 0 && !written.empty() && EditOnce(written, nullptr) != count + 1) {
        __builtin_trap();
    }
    return 0;
}
