#include "outside/wmaudsdk/asf_main_values.h"

#include <taglib/tbytevector.h>

#include <QByteArray>
#include <QFile>
#include <cstdint>
#include <cstring>
#include "platform/native_name.h"

namespace {

// {75B22630-668E-11CF-A6D9-00AA0062CE6C} and {D2D0A440-E307-11D2-97F0-00A0C95EA850}, as stored.
constexpr unsigned char kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                           0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr unsigned char kExtendedContentGuid[16] = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                                    0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
constexpr qint64 kMainHeaderSize = 30;
constexpr qint64 kObjectHeaderSize = 24;
// Cover art can sit in this object; past this size it is left to TagLib's reading.
constexpr std::uint64_t kMaxObjectSize = 64u << 20;

std::uint64_t Little(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

TagLib::String Utf16Text(const unsigned char* data, std::size_t size) {
    std::size_t end = 0;
    while (end + 1 < size && (data[end] != 0 || data[end + 1] != 0)) {
        end += 2;
    }
    if (end == 0) {
        return TagLib::String();
    }
    return TagLib::String(
        TagLib::ByteVector(reinterpret_cast<const char*>(data), static_cast<unsigned>(end)),
        TagLib::String::UTF16LE);
}

// Builds the attribute of one descriptor; false for a type or size that does not fit.
bool MakeAttribute(unsigned type, const unsigned char* value, std::size_t size,
                   TagLib::ASF::Attribute* out) {
    switch (type) {
        case 0:
            *out = TagLib::ASF::Attribute(Utf16Text(value, size));
            return true;
        case 1:
            *out = TagLib::ASF::Attribute(TagLib::ByteVector(reinterpret_cast<const char*>(value),
                                                             static_cast<unsigned>(size)));
            return true;
        case 2:
            if (size < 4)
                return false;
            *out = TagLib::ASF::Attribute(Little(value, 4) != 0);
            return true;
        case 3:
            if (size < 4)
                return false;
            *out = TagLib::ASF::Attribute(static_cast<unsigned int>(Little(value, 4)));
            return true;
        case 4:
            if (size < 8)
                return false;
            *out = TagLib::ASF::Attribute(static_cast<unsigned long long>(Little(value, 8)));
            return true;
        case 5:
            if (size < 2)
                return false;
            *out = TagLib::ASF::Attribute(static_cast<unsigned short>(Little(value, 2)));
            return true;
        default:
            return false;
    }
}

void ReadDescriptors(const QByteArray& content,
                     TagLib::Map<TagLib::String, TagLib::ASF::Attribute>& values) {
    const auto* data = reinterpret_cast<const unsigned char*>(content.constData());
    const std::size_t size = static_cast<std::size_t>(content.size());
    if (size < 2) {
        return;
    }
    const std::size_t count = Little(data, 2);
    std::size_t pos = 2;
    for (std::size_t i = 0; i < count; ++i) {
        if (size - pos < 2) {
            return;
        }
        const std::size_t nameBytes = Little(data + pos, 2);
        pos += 2;
        if (size - pos < nameBytes + 4) {
            return;
        }
        const TagLib::String name = Utf16Text(data + pos, nameBytes);
        pos += nameBytes;
        const unsigned type = static_cast<unsigned>(Little(data + pos, 2));
        const std::size_t valueBytes = Little(data + pos + 2, 2);
        pos += 4;
        if (size - pos < valueBytes) {
            return;
        }
        TagLib::ASF::Attribute attribute;
        if (!name.isEmpty() && !values.contains(name) &&
            MakeAttribute(type, data + pos, valueBytes, &attribute)) {
            values.insert(name, attribute);
        }
        pos += valueBytes;
    }
}

}  // namespace

TagLib::Map<TagLib::String, TagLib::ASF::Attribute> ReadAsfMainValues(const std::string& path) {
    TagLib::Map<TagLib::String, TagLib::ASF::Attribute> values;
    QFile file(NameFromNative(path.c_str()));
    if (!file.open(QIODevice::ReadOnly)) {
        return values;
    }
    const QByteArray main = file.read(kMainHeaderSize);
    const auto* header = reinterpret_cast<const unsigned char*>(main.constData());
    if (main.size() < kMainHeaderSize || std::memcmp(header, kHeaderGuid, 16) != 0) {
        return values;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(file.size());
    std::uint64_t end = Little(header + 16, 8);
    end = end < fileSize ? end : fileSize;
    std::uint64_t pos = kMainHeaderSize;
    while (end - pos >= kObjectHeaderSize && pos < end) {
        if (!file.seek(static_cast<qint64>(pos))) {
            break;
        }
        const QByteArray object = file.read(kObjectHeaderSize);
        if (object.size() < kObjectHeaderSize) {
            break;
        }
        const auto* p = reinterpret_cast<const unsigned char*>(object.constData());
        const std::uint64_t size = Little(p + 16, 8);
        if (size < kObjectHeaderSize || size > end - pos) {
            break;
        }
        if (std::memcmp(p, kExtendedContentGuid, 16) == 0) {
            if (size <= kMaxObjectSize) {
                ReadDescriptors(file.read(static_cast<qint64>(size - kObjectHeaderSize)), values);
            }
            break;
        }
        pos += size;
    }
    return values;
}
