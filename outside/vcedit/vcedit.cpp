#include "outside/vcedit/vcedit.h"

#include <ogg/ogg.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "outside/vcedit/ogg_page_writer.h"

using Bytes = std::vector<unsigned char>;

struct vcedit_private {
    vcedit_read_func read = nullptr;
    vcedit_write_func write = nullptr;
    void* in = nullptr;
    ogg_sync_state sync{};
    bool syncReady = false;
    vorbis_comment comments{};
    bool commentsReady = false;
    bool opened = false;

    int serial = 0;
    Bytes packets[3];  // identification, comment, setup
    std::string vendor;
    // Bytes before the first page (an ID3 tag some programs put there), written back as they were.
    Bytes leading;
    // Pages of other logical streams met before our headers were complete, in file order: their
    // first pages, how many of them came before ours, and their other pages. Every first page
    // must stay ahead of every other page.
    std::vector<Bytes> foreignFirstPages;
    size_t firstPagesBeforeOurs = 0;
    std::vector<Bytes> foreignPages;
    bool sawOtherPage = false;
    // Audio data that shared a page with the end of the setup header (rare): its segments, body,
    // granule position and end-of-stream flag, put on a page of their own when writing.
    Bytes tailLacing;
    Bytes tailBody;
    ogg_int64_t tailGranule = -1;
    bool tailEos = false;
    bool headerEos = false;  // the stream ends with its headers
    std::uint64_t bytesRead = 0;
};

namespace {

// The headers (with any cover art in the comments) must be found within this much input.
constexpr std::uint64_t kHeaderScanLimit = 64u << 20;
constexpr long kReadChunk = 65536;

int Fail(vcedit_state* state, const char* message) {
    state->lasterror = message;
    return -1;
}

// 1 with the next page, 0 at the end of the input, 2 when skipped holds at least kReadChunk
// bytes (empty it and call again). Bytes that are not part of a page go to skipped when it is
// given, else they are dropped; at the end of the input, so do those of an incomplete last page.
int NextPage(vcedit_private* p, ogg_page* page, Bytes* skipped = nullptr) {
    for (;;) {
        const long start = p->sync.returned;
        const long result = ogg_sync_pageseek(&p->sync, page);
        if (result > 0) {
            return 1;
        }
        if (result < 0) {
            if (skipped != nullptr) {
                skipped->insert(skipped->end(), p->sync.data + start,
                                p->sync.data + start - result);
                if (skipped->size() >= static_cast<size_t>(kReadChunk)) {
                    return 2;
                }
            }
            continue;
        }
        char* buffer = ogg_sync_buffer(&p->sync, kReadChunk);
        if (buffer == nullptr) {
            return 0;
        }
        const size_t got = p->read(buffer, 1, kReadChunk, p->in);
        if (got == 0 || got > static_cast<size_t>(kReadChunk)) {
            if (skipped != nullptr && p->sync.fill > p->sync.returned) {
                skipped->insert(skipped->end(), p->sync.data + p->sync.returned,
                                p->sync.data + p->sync.fill);
                p->sync.returned = p->sync.fill;
            }
            return 0;
        }
        ogg_sync_wrote(&p->sync, static_cast<long>(got));
        p->bytesRead += got;
    }
}

Bytes PageBytes(const ogg_page& page) {
    Bytes out(page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
    return out;
}

bool IsVorbisHeader(const Bytes& packet, unsigned char type) {
    return packet.size() >= 7 && packet[0] == type && std::memcmp(&packet[1], "vorbis", 6) == 0;
}

// Adds the segments of one page of our stream to the header packets. Returns false on a page
// that does not fit the packets assembled so far.
bool TakeHeaderSegments(vcedit_private* p, const ogg_page& page, Bytes& partial, int& complete) {
    const unsigned char* header = page.header;
    const int segments = header[26];
    const bool continued = (header[5] & 0x01) != 0;
    if (continued != !partial.empty()) {
        return false;
    }
    long offset = 0;
    for (int i = 0; i < segments; ++i) {
        const unsigned char lace = header[27 + i];
        if (offset + lace > page.body_len) {
            return false;
        }
        partial.insert(partial.end(), page.body + offset, page.body + offset + lace);
        offset += lace;
        if (lace < 255) {
            p->packets[complete++] = std::move(partial);
            partial.clear();
            if (complete == 3) {
                const bool eos = ogg_page_eos(&page) != 0;
                if (i + 1 < segments) {
                    p->tailLacing.assign(header + 27 + i + 1, header + 27 + segments);
                    p->tailBody.assign(page.body + offset, page.body + page.body_len);
                    // The page's position belongs to the last packet finished on it, which is in
                    // the tail unless the tail only starts a packet.
                    p->tailGranule = p->tailLacing.back() < 255 ? ogg_page_granulepos(&page) : -1;
                    p->tailEos = eos;
                } else {
                    p->headerEos = eos;
                }
                return true;
            }
        }
    }
    return true;
}

const char* ValidateHeaders(vcedit_private* p) {
    static const char* const kErrors[3] = {"Corrupt Vorbis identification header",
                                           "Corrupt Vorbis comment header",
                                           "Corrupt Vorbis setup header"};
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_comment_init(&p->comments);
    p->commentsReady = true;
    const char* error = nullptr;
    for (int i = 0; i < 3 && error == nullptr; ++i) {
        if (!IsVorbisHeader(p->packets[i], static_cast<unsigned char>(1 + 2 * i))) {
            error = i == 0 ? "Input is not an Ogg Vorbis stream" : kErrors[i];
            break;
        }
        ogg_packet packet{};
        packet.packet = p->packets[i].data();
        packet.bytes = static_cast<long>(p->packets[i].size());
        packet.b_o_s = i == 0 ? 1 : 0;
        packet.packetno = i;
        if (vorbis_synthesis_headerin(&info, &p->comments, &packet) != 0) {
            error = kErrors[i];
        }
    }
    vorbis_info_clear(&info);
    if (error == nullptr && p->comments.vendor != nullptr) {
        p->vendor = p->comments.vendor;
    }
    return error;
}

}  // namespace

extern "C" {

vcedit_state* vcedit_new_state(void) {
    auto* state = new (std::nothrow) vcedit_state{};
    if (state == nullptr) {
        return nullptr;
    }
    state->priv = new (std::nothrow) vcedit_private;
    if (state->priv == nullptr) {
        delete state;
        return nullptr;
    }
    return state;
}

int vcedit_open_callbacks(vcedit_state* state, void* in, vcedit_read_func read_func,
                          vcedit_write_func write_func) {
    if (state == nullptr || state->priv == nullptr) {
        return -1;
    }
    vcedit_private* p = state->priv;
    if (p->syncReady || read_func == nullptr) {
        return Fail(state, "The editing state is already in use");
    }
    p->read = read_func;
    p->write = write_func;
    p->in = in;
    ogg_sync_init(&p->sync);
    p->syncReady = true;

    ogg_page page;
    bool found = false;
    Bytes partial;
    int complete = 0;
    try {
        while (complete < 3) {
            if (p->bytesRead > kHeaderScanLimit) {
                return Fail(state, "The Vorbis headers are missing or too large");
            }
            const bool beforeFirstPage = !found && p->foreignFirstPages.empty();
            const int next = NextPage(p, &page, beforeFirstPage ? &p->leading : nullptr);
            if (next == 2) {
                continue;  // more leading bytes; the scan limit above bounds them
            }
            if (next != 1) {
                return Fail(state, found ? "The stream ends inside the Vorbis headers"
                                         : "Input is not an Ogg Vorbis stream");
            }
            const bool firstPage = ogg_page_bos(&page) != 0;
            if (firstPage && p->sawOtherPage) {
                // The rewrite could not keep every first page ahead: refuse rather than damage.
                return Fail(state,
                            "The Ogg streams are not laid out as the format requires "
                            "(a stream begins after other pages)");
            }
            p->sawOtherPage = p->sawOtherPage || !firstPage;
            if (!found) {
                if (!firstPage) {
                    return Fail(state, "Input is not an Ogg Vorbis stream");
                }
                // The first packet of a Vorbis stream's first page is its identification header.
                const bool vorbis = page.header[26] > 0 && page.header[27] < 255 &&
                                    page.body_len >= 7 && page.body[0] == 0x01 &&
                                    std::memcmp(page.body + 1, "vorbis", 6) == 0;
                if (!vorbis) {
                    p->foreignFirstPages.push_back(PageBytes(page));
                    continue;
                }
                found = true;
                p->serial = ogg_page_serialno(&page);
                p->firstPagesBeforeOurs = p->foreignFirstPages.size();
            } else if (ogg_page_serialno(&page) != p->serial) {
                (firstPage ? p->foreignFirstPages : p->foreignPages).push_back(PageBytes(page));
                continue;
            }
            if (!TakeHeaderSegments(p, page, partial, complete)) {
                return Fail(state, "Corrupt Ogg page in the Vorbis headers");
            }
        }
        if (const char* error = ValidateHeaders(p)) {
            return Fail(state, error);
        }
    } catch (const std::bad_alloc&) {
        return Fail(state, "Out of memory while reading the Vorbis headers");
    }
    state->vc = &p->comments;
    p->opened = true;
    state->lasterror = nullptr;
    return 0;
}

vorbis_comment* vcedit_comments(vcedit_state* state) {
    return state != nullptr ? state->vc : nullptr;
}

int vcedit_write(vcedit_state* state, void* out) {
    if (state == nullptr || state->priv == nullptr) {
        return -1;
    }
    vcedit_private* p = state->priv;
    if (!p->opened) {
        return Fail(state, "No Ogg Vorbis stream is open");
    }
    if (p->write == nullptr) {
        return Fail(state, "No write function was given");
    }
    p->opened = false;  // the input is consumed by this pass
    try {
        OggPageWriter writer(p->write, out, p->serial);
        const Bytes comment = BuildCommentPacket(p->vendor, state->vc);
        auto writeAll = [&writer](auto begin, auto end) {
            for (auto page = begin; page != end; ++page) {
                if (!writer.WriteRaw(page->data(), page->size())) {
                    return false;
                }
            }
            return true;
        };
        // First pages in their order (ours among them), then our other header pages, then the
        // other streams' pages in their order.
        const auto split =
            p->foreignFirstPages.begin() + static_cast<std::ptrdiff_t>(p->firstPagesBeforeOurs);
        bool ok = writer.WriteRaw(p->leading.data(), p->leading.size()) &&
                  writeAll(p->foreignFirstPages.begin(), split) &&
                  writer.WriteHeaders(p->packets[0], comment, p->packets[2], p->headerEos,
                                      [&] { return writeAll(split, p->foreignFirstPages.end()); });
        ok = ok && writeAll(p->foreignPages.begin(), p->foreignPages.end());
        if (ok && !p->tailLacing.empty()) {
            ok = writer.WriteSegments(p->tailLacing, p->tailBody, p->tailGranule, p->tailEos);
        }
        ogg_page page;
        bool ended = p->headerEos || p->tailEos;
        // Bytes between or after pages (a trailing tag, a damaged page) are kept where they were.
        Bytes skipped;
        while (ok) {
            const int more = NextPage(p, &page, &skipped);
            ok = writer.WriteRaw(skipped.data(), skipped.size());
            skipped.clear();
            if (more == 2) {
                continue;
            }
            if (more != 1) {
                break;
            }
            if (!ended && ogg_page_serialno(&page) == p->serial) {
                ended = ogg_page_eos(&page) != 0;
                ok = writer.WriteRenumbered(page);
            } else {
                ok = writer.WriteRaw(page.header, static_cast<size_t>(page.header_len)) &&
                     writer.WriteRaw(page.body, static_cast<size_t>(page.body_len));
            }
        }
        if (!ok) {
            return Fail(state, "Cannot write the output stream");
        }
    } catch (const std::bad_alloc&) {
        return Fail(state, "Out of memory while writing the stream");
    }
    state->lasterror = nullptr;
    return 0;
}

void vcedit_clear(vcedit_state* state) {
    if (state == nullptr) {
        return;
    }
    if (vcedit_private* p = state->priv) {
        if (p->commentsReady) {
            vorbis_comment_clear(&p->comments);
        }
        if (p->syncReady) {
            ogg_sync_clear(&p->sync);
        }
        delete p;
    }
    delete state;
}

}  // extern "C"
