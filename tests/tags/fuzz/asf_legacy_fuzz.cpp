// libFuzzer target: the legacy ASF header walk on arbitrary bytes.
#include <cstdint>
#include <vector>

#include "tags/asf_legacy_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    AsfMemorySource raw(data, size);
    ParseAsfLegacyHeader(raw);
    // The same bytes behind a valid outer object header whose size is taken from the input.
    static const std::uint8_t kOuter[16] = {0xD1, 0x29, 0xE2, 0xD6, 0xDA, 0x35, 0xD1, 0x11,
                                            0x90, 0x34, 0x00, 0xA0, 0xC9, 0x03, 0x49, 0xBE};
    if (size >= 1) {
        std::vector<std::uint8_t> wrapped(kOuter, kOuter + 16);
        const std::uint64_t claimed =
            (data[0] & 1) ? 24 + size - 1 : ~std::uint64_t(0) >> (data[0] % 64);
        for (int i = 0; i < 8; ++i) {
            wrapped.push_back(std::uint8_t(claimed >> (8 * i)));
        }
        wrapped.insert(wrapped.end(), data + 1, data + size);
        AsfMemorySource source(wrapped.data(), wrapped.size());
        ParseAsfLegacyHeader(source);
    }
    return 0;
}
