#pragma once

// The attribute object of the WMA module (libwmaudsdk): reads and writes the attributes of an
// ASF (Windows Media) file. The module is loaded by name at run time; its one export is
// WMAudioCreateInfo.

#include <cstdint>

// Attribute type codes.
enum WmaAttributeType : std::uint32_t {
    kWmaTypeDword = 0,   // 32-bit number, little-endian
    kWmaTypeString = 1,  // zero-terminated UTF-16LE text
    kWmaTypeBinary = 2,
    kWmaTypeBool = 3,
    kWmaTypeQword = 4,
    kWmaTypeWord = 5,
    kWmaTypeGuid = 6,
};

// Status codes: 0 is success.
enum WmaStatus : std::int32_t {
    kWmaOk = 0,
    kWmaFailed = -1,
    kWmaNotFound = -2,
    kWmaBufferTooSmall = -3,
    kWmaInvalidArgument = -4,
    kWmaNotImplemented = -5,
};

// Reference counted: the creator holds one reference and gives it back with Release().
class IWMAudioInfo {
  public:
    virtual std::int32_t QueryInterface(const void* interfaceId, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;
    virtual std::int32_t GetAttributeCount(std::uint16_t* count) = 0;
    virtual std::int32_t GetAttributeByIndex(std::uint16_t index, std::uint32_t* type,
                                             std::uint8_t* value, std::uint16_t* length) = 0;
    // value receives at most *length bytes; *length then holds the bytes stored. A text that does
    // not fit is cut (whole characters) and still terminated.
    virtual std::int32_t GetAttributeByName(const char16_t* name, std::uint32_t* type,
                                            std::uint8_t* value, std::uint16_t* length) = 0;
    // Types kWmaTypeDword (length 4) and kWmaTypeString (length in bytes, terminator included).
    virtual std::int32_t SetAttribute(const char16_t* name, std::uint32_t type,
                                      const std::uint8_t* value, std::uint16_t length) = 0;
    // Ends the use of the file; attributes set before are stored in the file now (the file is
    // replaced through a new copy in its folder). Not kWmaOk when they could not be stored.
    virtual std::int32_t Close() = 0;

  protected:
    ~IWMAudioInfo() = default;
};

extern "C" {
// Creates the attribute object for fileName (zero-terminated UTF-16): kWmaOk and *info set, or
// another status when the file cannot be opened as ASF.
std::int32_t WMAudioCreateInfo(const char16_t* fileName, IWMAudioInfo** info);
}

using WMAudioCreateInfoFn = std::int32_t (*)(const char16_t*, IWMAudioInfo**);
