// libFuzzer target: the ID3v2 tag parser on arbitrary bytes.
#include <cstdint>
#include <vector>

#include "tags/id3v2_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ParseId3v2Tag(data, size);
    if (size >= kId3HeaderSize) {
        Id3v2TagLength(data);
        Id3v2ExistingTagLength(data);
    }
    // Most random bytes fail the header check; also try them behind a valid header whose size
    // matches, with the version and flags taken from the first two bytes.
    if (size >= 2) {
        const std::size_t body = size - 2;
        std::vector<std::uint8_t> tag = {'I',
                                         'D',
                                         '3',
                                         std::uint8_t(2 + data[0] % 3),
                                         0,
                                         data[1],
                                         std::uint8_t((body >> 21) & 0x7F),
                                         std::uint8_t((body >> 14) & 0x7F),
                                         std::uint8_t((body >> 7) & 0x7F),
                                         std::uint8_t(body & 0x7F)};
        tag.insert(tag.end(), data + 2, data + size);
        ParseId3v2Tag(tag.data(), tag.size());
    }
    return 0;
}
