#include "tags/tag_text.h"

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        cp = 0xFFFD;
    }
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Latin1ToUtf8(const unsigned char* data, std::size_t size) {
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        AppendUtf8(out, data[i]);
    }
    return out;
}

std::string Utf16ToUtf8(const unsigned char* data, std::size_t size, bool bigEndian) {
    std::string out;
    out.reserve(size);
    const std::size_t units = size / 2;
    auto unitAt = [&](std::size_t i) -> char32_t {
        const unsigned char a = data[2 * i];
        const unsigned char b = data[2 * i + 1];
        return bigEndian ? static_cast<char32_t>((a << 8) | b)
                         : static_cast<char32_t>((b << 8) | a);
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, u);  // an unpaired surrogate becomes U+FFFD there
    }
    return out;
}

std::string CutUtf8(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = maxBytes;
    // Step back over continuation bytes so that no character is split.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

std::string TrimBlanks(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string SanitiseUtf8(const unsigned char* data, std::size_t size) {
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    std::string out;
    out.reserve(size);
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        const int extra = lead < 0x80           ? 0
                          : (lead >> 5) == 0x06 ? 1
                          : (lead >> 4) == 0x0E ? 2
                          : (lead >> 3) == 0x1E ? 3
                                                : -1;
        if (extra < 0 || size - i <= static_cast<std::size_t>(extra)) {
            AppendUtf8(out, extra == 0 ? lead : 0xFFFD);
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char next = data[i + static_cast<std::size_t>(k)];
            valid = valid && (next & 0xC0) == 0x80;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (!valid || cp < kMinimum[extra]) {
            AppendUtf8(out, 0xFFFD);
            ++i;
            continue;
        }
        AppendUtf8(out, cp);  // surrogates and values past U+10FFFF become U+FFFD there
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}
