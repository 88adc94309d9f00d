#include "tags/wma_tag.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "outside/wmaudsdk/wm_audio_info.h"
#include "platform/small_regular_file.h"
#include "tags/asf_legacy_parse.h"
#include "tags/tag_modules.h"
#include "tags/tag_text.h"

namespace {

// Loaded once for the run (window thread).
std::unique_ptr<LoadedModule> wmaModule;
WMAudioCreateInfoFn createInfo = nullptr;
// Set by the first InitWmaAudioInfo(): a caller that reads or writes before start-up loaded the
// module gets it loaded then, once.
bool everInitialised = false;

constexpr std::uint16_t kReadBuffer = 256;
constexpr std::size_t kYearSize = 128;
constexpr std::size_t kTextSize = 128;
constexpr std::size_t kDescriptionSize = 255;
constexpr std::size_t kGenreSize = 32;

// A field's text: up to its first zero character, at most size - 1 bytes of UTF-8.
QString Fit(const QString& text, std::size_t size) {
    const qsizetype zero = text.indexOf(QChar(0));
    const QString cut = zero >= 0 ? text.left(zero) : text;
    return QString::fromStdString(CutUtf8(cut.toStdString(), size - 1));
}

QString Fit(const std::string& utf8, std::size_t size) {
    return QString::fromStdString(CutUtf8(utf8, size - 1));
}

// The attribute object of one file, released on every path.
struct InfoHandle {
    IWMAudioInfo* info = nullptr;
    ~InfoHandle() {
        if (info != nullptr) {
            info->Release();
        }
    }
};

bool CreateInfo(const QString& fileName, InfoHandle& handle) {
    if (!everInitialised) {
        InitWmaAudioInfo();
    }
    if (createInfo == nullptr || fileName.isEmpty()) {
        return false;
    }
    if (!IsRegularFile(fileName)) {
        return false;  // a FIFO or device would block the open
    }
    return createInfo(reinterpret_cast<const char16_t*>(fileName.utf16()), &handle.info) ==
               kWmaOk &&
           handle.info != nullptr;
}

// A text attribute cut to its field's size; nullopt when it is missing or not a text.
std::optional<QString> TextAttribute(IWMAudioInfo* info, const char16_t* name, std::size_t size) {
    std::uint8_t buffer[kReadBuffer] = {};
    std::uint16_t length = kReadBuffer;
    std::uint32_t type = 0;
    if (info->GetAttributeByName(name, &type, buffer, &length) != kWmaOk ||
        type != kWmaTypeString) {
        return std::nullopt;
    }
    const std::size_t units = std::min<std::size_t>(length, kReadBuffer) / 2;
    std::u16string text(units, u'\0');
    std::memcpy(text.data(), buffer, units * 2);
    return Fit(QString::fromUtf16(text.c_str()), size);
}

QString GetText(IWMAudioInfo* info, const char16_t* name, std::size_t size) {
    return TextAttribute(info, name, size).value_or(QString());
}

// A number attribute: a 32-bit number, or a text whose leading digits are the number (many
// taggers store "6" or "6/15"). nullopt when missing or of another type.
struct NumberValue {
    std::uint32_t number = 0;
    bool text = false;
};
std::optional<NumberValue> NumberAttribute(IWMAudioInfo* info, const char16_t* name) {
    std::uint8_t buffer[kReadBuffer] = {};
    std::uint16_t length = kReadBuffer;
    std::uint32_t type = 0;
    if (info->GetAttributeByName(name, &type, buffer, &length) != kWmaOk) {
        return std::nullopt;
    }
    if (type == kWmaTypeDword && length >= 4) {
        return NumberValue{std::uint32_t(buffer[0]) | (std::uint32_t(buffer[1]) << 8) |
                               (std::uint32_t(buffer[2]) << 16) | (std::uint32_t(buffer[3]) << 24),
                           false};
    }
    if (type == kWmaTypeString) {
        std::uint32_t number = 0;
        const std::size_t units = std::min<std::size_t>(length, kReadBuffer) / 2;
        for (std::size_t i = 0; i < units; ++i) {
            const unsigned unit = buffer[2 * i] | (unsigned(buffer[2 * i + 1]) << 8);
            if (unit < '0' || unit > '9' || number > 0xFFFFFFF) {
                break;
            }
            number = number * 10 + (unit - '0');
        }
        return NumberValue{number, true};
    }
    return std::nullopt;
}

std::uint32_t GetNumber(IWMAudioInfo* info, const char16_t* name) {
    const auto value = NumberAttribute(info, name);
    return value ? value->number : 0;
}

void SetText(IWMAudioInfo* info, const char16_t* name, const QString& text, std::size_t size) {
    const QString value = Fit(text, size);
    // UTF-16 with its terminating zero; an empty text is the two zero bytes.
    const std::size_t bytes = (static_cast<std::size_t>(value.size()) + 1) * 2;
    if (bytes > 0xFFFF) {
        return;
    }
    info->SetAttribute(name, kWmaTypeString, reinterpret_cast<const std::uint8_t*>(value.utf16()),
                       static_cast<std::uint16_t>(bytes));
}

class QFileSource : public AsfByteSource {
  public:
    explicit QFileSource(QFile& file)
        : file_(file), size_(static_cast<std::uint64_t>(file.size())) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        if (offset > size_ || size > size_ - offset || !file_.seek(static_cast<qint64>(offset))) {
            return false;
        }
        return file_.read(static_cast<char*>(buffer), static_cast<qint64>(size)) ==
               static_cast<qint64>(size);
    }

  private:
    QFile& file_;
    std::uint64_t size_;
};

}  // namespace

void InitWmaAudioInfo() {
    everInitialised = true;
    if (wmaModule) {
        return;
    }
    wmaModule = std::make_unique<LoadedModule>(TagModule::WmAudSdk);
    createInfo = wmaModule->Resolve<WMAudioCreateInfoFn>("WMAudioCreateInfo");
}

void ShutdownWmaAudioInfo() {
    createInfo = nullptr;
    wmaModule.reset();
}

bool WmaInfoAvailable() {
    return createInfo != nullptr;
}

void ReadWmaTag(const QString& fileName, WmaTagInfo& tag) {
    try {
        WmaTagInfo local;
        InfoHandle handle;
        if (CreateInfo(fileName, handle)) {
            IWMAudioInfo* info = handle.info;
            local.Found = -1;
            local.Title = GetText(info, u"Title", kTextSize);
            local.Author = GetText(info, u"Author", kTextSize);
            local.Album = GetText(info, u"WM/AlbumTitle", kTextSize);
            local.Year = GetText(info, u"WM/Year", kYearSize);
            std::uint32_t track = GetNumber(info, u"WM/TrackNumber");
            if ((track & 0xFFFF) == 0) {
                track = GetNumber(info, u"WM/Track");
            }
            local.Track = static_cast<std::uint16_t>(track);
            local.Description = GetText(info, u"Description", kDescriptionSize);
            local.Genre = GetText(info, u"WM/Genre", kGenreSize);
            info->Close();
            tag = local;
            return;
        }
        QFile file(fileName);
        if (!IsRegularFile(fileName) || !file.open(QIODevice::ReadOnly)) {
            return;
        }
        QFileSource source(file);
        const AsfLegacyTags legacy = ParseAsfLegacyHeader(source);
        if (!legacy.found) {
            return;
        }
        local.Found = -1;
        local.Author = Fit(legacy.author, kTextSize);
        local.Title = Fit(legacy.title, kTextSize);
        local.Type3Text = Fit(legacy.type3Text, kTextSize);
        local.Description = Fit(legacy.description, kDescriptionSize);
        local.Year = Fit(legacy.year, kYearSize);
        local.Album = Fit(legacy.album, kTextSize);
        local.Track = legacy.track;
        tag = local;
    } catch (...) {
        // A reader never fails its caller; tag keeps what it had.
    }
}

bool WriteWmaTag(const QString& fileName, const WmaTagInfo& tag, TagFields fields) {
    try {
        InfoHandle handle;
        if (!CreateInfo(fileName, handle)) {
            return false;
        }
        IWMAudioInfo* info = handle.info;
        // A named field whose attribute already reads as its value is left alone, so that what
        // is there stays as it is stored (its type, its text beyond the field's size).
        auto setText = [&](TagFields bit, const char16_t* name, const QString& value,
                           std::size_t size) {
            if ((fields & bit) == 0) {
                return;
            }
            const std::optional<QString> current = TextAttribute(info, name, size);
            if (!current || *current != Fit(value, size)) {
                SetText(info, name, value, size);
            }
        };
        setText(TagField::Artist, u"Author", tag.Author, kTextSize);
        setText(TagField::Title, u"Title", tag.Title, kTextSize);
        setText(TagField::Album, u"WM/AlbumTitle", tag.Album, kTextSize);
        setText(TagField::Year, u"WM/Year", tag.Year, kYearSize);
        setText(TagField::Comment, u"Description", tag.Description, kDescriptionSize);
        setText(TagField::Genre, u"WM/Genre", tag.Genre, kGenreSize);
        if (fields & TagField::Track) {
            const std::optional<NumberValue> number = NumberAttribute(info, u"WM/TrackNumber");
            std::uint32_t current = number ? number->number : 0;
            bool present = number.has_value();
            if ((current & 0xFFFF) == 0) {
                const std::optional<NumberValue> old = NumberAttribute(info, u"WM/Track");
                current = old ? old->number : 0;
                present = present || old.has_value();
            }
            if (!present || static_cast<std::uint16_t>(current) != tag.Track) {
                if (number && number->text) {
                    // A text track number stays a text.
                    SetText(info, u"WM/TrackNumber", QString::number(tag.Track), kTextSize);
                } else {
                    const std::uint32_t track = tag.Track;
                    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(track),
                                                   static_cast<std::uint8_t>(track >> 8),
                                                   static_cast<std::uint8_t>(track >> 16),
                                                   static_cast<std::uint8_t>(track >> 24)};
                    info->SetAttribute(u"WM/TrackNumber", kWmaTypeDword, bytes, 4);
                }
            }
        }
        // The attributes reach the file only at Close(); a failure there is a failed write.
        return info->Close() == kWmaOk;
    } catch (...) {
        return false;
    }
}
