#include <taglib/asfattribute.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/tbytevector.h>
#include <taglib/tstring.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "outside/wmaudsdk/asf_main_values.h"
#include "outside/wmaudsdk/wm_audio_info.h"
#include "platform/file_replacement.h"
#include "platform/native_name.h"

namespace {

std::size_t Utf16Length(const char16_t* text, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && text[n] != 0) {
        ++n;
    }
    return n;
}

TagLib::String FromUtf16(const char16_t* text, std::size_t units) {
    if (units == 0) {
        return TagLib::String();
    }
    return TagLib::String(
        TagLib::ByteVector(reinterpret_cast<const char*>(text), static_cast<unsigned>(units * 2)),
        TagLib::String::UTF16LE);
}

// UTF-16LE bytes of text with a terminating zero.
TagLib::ByteVector ToUtf16Terminated(const TagLib::String& text) {
    TagLib::ByteVector bytes =
        text.isEmpty() ? TagLib::ByteVector() : text.data(TagLib::String::UTF16LE);
    bytes.append(TagLib::ByteVector(2, '\0'));
    return bytes;
}

// The attributes kept in the content description object rather than as named attributes.
enum class Described { None, Title, Author, Description, Copyright, Rating };

Described DescribedField(const TagLib::String& name) {
    if (name == "Title")
        return Described::Title;
    if (name == "Author")
        return Described::Author;
    if (name == "Description")
        return Described::Description;
    if (name == "Copyright")
        return Described::Copyright;
    if (name == "Rating")
        return Described::Rating;
    return Described::None;
}

struct PendingAttribute {
    TagLib::String name;
    std::uint32_t type;
    TagLib::String text;
    std::uint32_t number;
};

// Setting an attribute gives it this one value. A content description text keeps its further
// values as named attributes of the same name (mutagen and others store them so): those go too.
void Apply(TagLib::ASF::Tag* tag, const PendingAttribute& a) {
    if (DescribedField(a.name) != Described::None) {
        tag->removeItem(a.name);
    }
    if (a.type == kWmaTypeString) {
        switch (DescribedField(a.name)) {
            case Described::Title:
                tag->setTitle(a.text);
                return;
            case Described::Author:
                tag->setArtist(a.text);
                return;
            case Described::Description:
                tag->setComment(a.text);
                return;
            case Described::Copyright:
                tag->setCopyright(a.text);
                return;
            case Described::Rating:
                tag->setRating(a.text);
                return;
            case Described::None:
                tag->setAttribute(a.name, TagLib::ASF::Attribute(a.text));
                return;
        }
    }
    tag->setAttribute(a.name, TagLib::ASF::Attribute(a.number));
}

class AsfAttributeObject final : public IWMAudioInfo {
  public:
    AsfAttributeObject(std::string path, std::unique_ptr<TagLib::ASF::File> file)
        : path_(std::move(path)), file_(std::move(file)), mainValues_(ReadAsfMainValues(path_)) {}

    std::int32_t QueryInterface(const void*, void** object) override {
        if (object != nullptr) {
            *object = nullptr;
        }
        return kWmaNotImplemented;
    }
    std::uint32_t AddRef() override { return ++references_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --references_;
        if (left == 0) {
            delete this;  // attributes set without Close() are dropped
        }
        return left;
    }
    std::int32_t GetAttributeCount(std::uint16_t*) override { return kWmaNotImplemented; }
    std::int32_t GetAttributeByIndex(std::uint16_t, std::uint32_t*, std::uint8_t*,
                                     std::uint16_t*) override {
        return kWmaNotImplemented;
    }

    std::int32_t GetAttributeByName(const char16_t* name, std::uint32_t* type, std::uint8_t* value,
                                    std::uint16_t* length) override try {
        if (name == nullptr || type == nullptr || length == nullptr || !file_) {
            return kWmaInvalidArgument;
        }
        const TagLib::String key = FromUtf16(name, Utf16Length(name, 1024));
        TagLib::ASF::Tag* tag = file_->tag();
        TagLib::ByteVector bytes;
        switch (DescribedField(key)) {
            case Described::Title:
                bytes = ToUtf16Terminated(tag->title());
                break;
            case Described::Author:
                bytes = ToUtf16Terminated(tag->artist());
                break;
            case Described::Description:
                bytes = ToUtf16Terminated(tag->comment());
                break;
            case Described::Copyright:
                bytes = ToUtf16Terminated(tag->copyright());
                break;
            case Described::Rating:
                bytes = ToUtf16Terminated(tag->rating());
                break;
            case Described::None: {
                // The main header's value first: for several values that is the first one.
                if (mainValues_.contains(key)) {
                    return Copy(mainValues_[key], type, value, length);
                }
                if (!tag->contains(key) || tag->attribute(key).isEmpty()) {
                    return kWmaNotFound;
                }
                return Copy(tag->attribute(key).front(), type, value, length);
            }
        }
        *type = kWmaTypeString;
        return CopyText(bytes, value, length);
    } catch (...) {
        return kWmaFailed;
    }

    std::int32_t SetAttribute(const char16_t* name, std::uint32_t type, const std::uint8_t* value,
                              std::uint16_t length) override try {
        if (name == nullptr || (value == nullptr && length > 0) || closed_) {
            return kWmaInvalidArgument;
        }
        PendingAttribute a{FromUtf16(name, Utf16Length(name, 1024)), type, {}, 0};
        if (a.name.isEmpty()) {
            return kWmaInvalidArgument;
        }
        if (type == kWmaTypeString) {
            std::vector<char16_t> units(length / 2);
            if (!units.empty()) {
                std::memcpy(units.data(), value, units.size() * 2);
            }
            a.text = FromUtf16(units.data(), Utf16Length(units.data(), units.size()));
        } else if (type == kWmaTypeDword && length == 4) {
            a.number = std::uint32_t(value[0]) | (std::uint32_t(value[1]) << 8) |
                       (std::uint32_t(value[2]) << 16) | (std::uint32_t(value[3]) << 24);
        } else {
            return kWmaNotImplemented;
        }
        pending_.push_back(std::move(a));
        return kWmaOk;
    } catch (...) {
        return kWmaFailed;
    }

    std::int32_t Close() override try {
        if (closed_) {
            return kWmaOk;
        }
        closed_ = true;
        file_.reset();
        if (pending_.empty()) {
            return kWmaOk;
        }
        return StoreThroughCopy() ? kWmaOk : kWmaFailed;
    } catch (...) {
        return kWmaFailed;
    }

  private:
    ~AsfAttributeObject() = default;

    static std::int32_t CopyText(const TagLib::ByteVector& bytes, std::uint8_t* value,
                                 std::uint16_t* length) {
        std::size_t fit = bytes.size();
        if (value == nullptr) {
            *length = static_cast<std::uint16_t>(std::min<std::size_t>(fit, 0xFFFF));
            return kWmaOk;
        }
        if (*length < 2) {
            return kWmaBufferTooSmall;
        }
        if (fit > *length) {
            // Cut to whole UTF-16 units, not inside a surrogate pair, and terminate.
            std::size_t units = *length / 2 - 1;
            if (units > 0) {
                const unsigned char hi = static_cast<unsigned char>(bytes[units * 2 - 1]);
                if (hi >= 0xD8 && hi <= 0xDB) {
                    --units;
                }
            }
            std::memcpy(value, bytes.data(), units * 2);
            value[units * 2] = 0;
            value[units * 2 + 1] = 0;
            *length = static_cast<std::uint16_t>(units * 2 + 2);
            return kWmaOk;
        }
        std::memcpy(value, bytes.data(), fit);
        *length = static_cast<std::uint16_t>(fit);
        return kWmaOk;
    }

    static std::int32_t Copy(const TagLib::ASF::Attribute& a, std::uint32_t* type,
                             std::uint8_t* value, std::uint16_t* length) {
        TagLib::ByteVector bytes;
        switch (a.type()) {
            case TagLib::ASF::Attribute::UnicodeType:
                *type = kWmaTypeString;
                return CopyText(ToUtf16Terminated(a.toString()), value, length);
            case TagLib::ASF::Attribute::DWordType:
                *type = kWmaTypeDword;
                bytes = TagLib::ByteVector::fromUInt(a.toUInt(), false);
                break;
            case TagLib::ASF::Attribute::QWordType:
                *type = kWmaTypeQword;
                bytes = TagLib::ByteVector::fromLongLong(static_cast<long long>(a.toULongLong()),
                                                         false);
                break;
            case TagLib::ASF::Attribute::WordType:
                *type = kWmaTypeWord;
                bytes = TagLib::ByteVector::fromShort(static_cast<short>(a.toUShort()), false);
                break;
            case TagLib::ASF::Attribute::BoolType:
                *type = kWmaTypeBool;
                bytes = TagLib::ByteVector::fromUInt(a.toBool() ? 1 : 0, false);
                break;
            case TagLib::ASF::Attribute::GuidType:
                *type = kWmaTypeGuid;
                bytes = a.toByteVector();
                break;
            default:
                *type = kWmaTypeBinary;
                bytes = a.toByteVector();
                break;
        }
        if (value == nullptr) {
            *length = static_cast<std::uint16_t>(std::min<std::size_t>(bytes.size(), 0xFFFF));
            return kWmaOk;
        }
        if (bytes.size() > *length) {
            *length = static_cast<std::uint16_t>(std::min<std::size_t>(bytes.size(), 0xFFFF));
            return kWmaBufferTooSmall;
        }
        std::memcpy(value, bytes.data(), bytes.size());
        *length = static_cast<std::uint16_t>(bytes.size());
        return kWmaOk;
    }

    // The new attributes go into a copy of the file in the same folder, which then replaces the
    // file through the shared replacement (flushed to disk, one rename, the old mode and owner):
    // the original is intact until the copy is complete.
    bool StoreThroughCopy() {
        QFile source(NameFromNative(path_.c_str()));
        if (!source.open(QIODevice::ReadOnly)) {
            return false;
        }
        FileReplacement replacement(source.fileName());
        QString error;
        if (!replacement.Create(QString(), &error)) {
            return false;
        }
        QFileDevice& copy = replacement.File();
        constexpr qint64 kChunk = 1 << 20;
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(kChunk);
            if (chunk.isEmpty() || copy.write(chunk) != chunk.size()) {
                return false;  // the replacement removes its file
            }
        }
        if (!copy.flush()) {
            return false;
        }
        {
            TagLib::ASF::File file(NativeName(replacement.FileName()).constData(), false);
            if (!file.isValid() || file.readOnly()) {
                return false;
            }
            for (const PendingAttribute& a : pending_) {
                Apply(file.tag(), a);
            }
            if (!file.save()) {
                return false;
            }
        }
        return replacement.Commit(&error);
    }

    std::atomic<std::uint32_t> references_{1};
    std::string path_;
    std::unique_ptr<TagLib::ASF::File> file_;
    TagLib::Map<TagLib::String, TagLib::ASF::Attribute> mainValues_;
    std::vector<PendingAttribute> pending_;
    bool closed_ = false;
};

}  // namespace

extern "C" std::int32_t WMAudioCreateInfo(const char16_t* fileName, IWMAudioInfo** info) try {
    if (fileName == nullptr || info == nullptr) {
        return kWmaInvalidArgument;
    }
    *info = nullptr;
    const std::string path = FromUtf16(fileName, Utf16Length(fileName, 65535)).to8Bit(true);
    if (path.empty()) {
        return kWmaInvalidArgument;
    }
    auto file = std::make_unique<TagLib::ASF::File>(path.c_str(), false);
    if (!file->isOpen() || !file->isValid()) {
        return kWmaFailed;
    }
    *info = new AsfAttributeObject(path, std::move(file));
    return kWmaOk;
} catch (...) {
    return kWmaFailed;
}
