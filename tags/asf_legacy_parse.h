#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The legacy ASF header layout read when the WMA module cannot read a file. Plain C++ so that a
// fuzzer can drive it on its own.

// Random access to the bytes of a file.
class AsfByteSource {
  public:
    virtual ~AsfByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads exactly size bytes at offset; false when they are not all there.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
};

// What the legacy header holds; texts are UTF-8, cut at their first zero character.
struct AsfLegacyTags {
    bool found = false;  // the outer object's identifier was recognised
    std::string author;
    std::string title;
    std::string type3Text;
    std::string description;
    std::string year;
    std::string album;
    std::uint16_t track = 0;
};

// Walks the outer object and its sub-objects. Reads only inside the source and inside the sizes
// it has checked against both the source and the enclosing object, whatever the sizes claim; a
// truncated or inconsistent object list ends the walk with what was read until then.
AsfLegacyTags ParseAsfLegacyHeader(AsfByteSource& source);

// A source over bytes in memory.
class AsfMemorySource : public AsfByteSource {
  public:
    AsfMemorySource(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;

  private:
    const unsigned char* data_;
    std::size_t size_;
};
