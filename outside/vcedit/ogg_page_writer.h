#pragma once

#include <ogg/ogg.h>
#include <vorbis/codec.h>

#include <functional>
#include <string>
#include <vector>

#include "outside/vcedit/vcedit.h"

// Writes the pages of one logical Ogg stream through a vcedit write function, numbering the pages
// of that stream in order. Every Write* returns false when the output refused bytes.
class OggPageWriter {
  public:
    OggPageWriter(vcedit_write_func write, void* target, int serial);

    // The three header packets: the identification header alone on the first page, comment and
    // setup headers on the pages after it, the last of them ending with the setup header.
    // afterFirstPage runs between the two, so that the first pages of other streams can follow
    // ours before any page that is not a first page.
    bool WriteHeaders(const std::vector<unsigned char>& identification,
                      const std::vector<unsigned char>& comment,
                      const std::vector<unsigned char>& setup, bool endOfStream,
                      const std::function<bool()>& afterFirstPage);
    // One page of this stream made of the given segments (they start a fresh packet).
    bool WriteSegments(const std::vector<unsigned char>& lacing,
                       const std::vector<unsigned char>& body, ogg_int64_t granule,
                       bool endOfStream);
    // A page of this stream copied with the next sequence number and a new checksum.
    bool WriteRenumbered(ogg_page& page);
    bool WriteRaw(const unsigned char* data, size_t size);

  private:
    bool WritePage(const ogg_page& page);

    vcedit_write_func write_;
    void* target_;
    int serial_;
    long nextPageNo_ = 0;
};

// A Vorbis comment header packet holding vendor and the comments of vc (vc may be null or
// emptied by vorbis_comment_clear).
std::vector<unsigned char> BuildCommentPacket(const std::string& vendor, const vorbis_comment* vc);
