#include "components/wma/AsfHeaderLayout.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

using AsfGuid = std::array<std::uint8_t, 16>;

// Object GUIDs in their stored byte order.
constexpr AsfGuid kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                   0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr AsfGuid kDataObject = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr AsfGuid kFileProperties = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                     0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr AsfGuid kContentDescription = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                         0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr AsfGuid kExtendedContentDescription = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3,
                                                 0xD2, 0x11, 0x97, 0xF0, 0x00, 0xA0,
                                                 0xC9, 0x5E, 0xA8, 0x50};
constexpr AsfGuid kHeaderExtension = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                      0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr AsfGuid kMetadata = {0xEA, 0xCB, 0xF8, 0xC5, 0xAF, 0x5B, 0x77, 0x48,
                               0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA};
constexpr AsfGuid kMetadataLibrary = {0x94, 0x1C, 0x23, 0x44, 0x98, 0x94, 0xD1, 0x49,
                                      0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54};

// GUID and 64-bit size.
constexpr std::uint64_t kObjectHeaderBytes = 24;
// Header object: object header, 32-bit child count, two reserved bytes.
constexpr std::uint64_t kHeaderObjectFixedBytes = 30;
// Header extension: object header, reserved GUID and 16-bit field, 32-bit data size.
constexpr std::uint64_t kHeaderExtensionFixedBytes = 46;
// File properties: object header, file id GUID, then the file size at offset 40, the play
// duration at 64 and the preroll at 80; the whole object is 104 bytes.
constexpr std::uint64_t kFileSizeField = 40;
constexpr std::uint64_t kPlayDurationField = 64;
constexpr std::uint64_t kPrerollField = 80;
constexpr std::uint64_t kFilePropertiesBytes = 104;
// A header larger than this is not believed (covers of several megabytes still fit).
constexpr std::uint64_t kMaxHeaderBytes = 256u << 20;

// Little-endian reads inside one object's bytes, failing past its end.
class ObjectCursor {
public:
    ObjectCursor(const std::uint8_t* data, std::uint64_t size) : data_(data), size_(size) {}
    bool Skip(std::uint64_t n) {
        if (n > size_ - pos_) return false;
        pos_ += n;
        return true;
    }
    bool Read(unsigned bytes, std::uint64_t* value) {
        if (bytes > size_ - pos_) return false;
        *value = 0;
        for (unsigned i = bytes; i-- > 0;) *value = (*value << 8) | data_[pos_ + i];
        pos_ += bytes;
        return true;
    }
    std::uint64_t Position() const { return pos_; }

private:
    const std::uint8_t* data_;
    std::uint64_t size_;
    std::uint64_t pos_ = 0;
};

bool IsGuid(const std::uint8_t* at, const AsfGuid& guid) {
    return std::memcmp(at, guid.data(), guid.size()) == 0;
}

std::uint64_t ReadLe(const std::uint8_t* at, unsigned bytes) {
    std::uint64_t value = 0;
    for (unsigned i = bytes; i-- > 0;) value = (value << 8) | at[i];
    return value;
}

// Content description: five 16-bit lengths, then the five strings.
bool ContentDescriptionFits(ObjectCursor c) {
    std::uint64_t total = 0;
    for (int i = 0; i < 5; ++i) {
        std::uint64_t length = 0;
        if (!c.Read(2, &length)) return false;
        total += length;
    }
    return c.Skip(total);
}

// Extended content description: a 16-bit count, then per entry a 16-bit name length, the name,
// a 16-bit type, a 16-bit value length and the value.
bool ExtendedContentFits(ObjectCursor c) {
    std::uint64_t count = 0;
    if (!c.Read(2, &count)) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t nameLength = 0, type = 0, valueLength = 0;
        if (!c.Read(2, &nameLength) || !c.Skip(nameLength) || !c.Read(2, &type) ||
            !c.Read(2, &valueLength) || !c.Skip(valueLength))
            return false;
    }
    return true;
}

// Metadata and metadata library: a 16-bit count, then per entry two 16-bit stream fields, a
// 16-bit name length, a 16-bit type, a 32-bit value length, the name and the value.
bool MetadataFits(ObjectCursor c) {
    std::uint64_t count = 0;
    if (!c.Read(2, &count)) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t nameLength = 0, type = 0, valueLength = 0;
        if (!c.Skip(4) || !c.Read(2, &nameLength) || !c.Read(2, &type) ||
            !c.Read(4, &valueLength) || !c.Skip(nameLength) || !c.Skip(valueLength))
            return false;
    }
    return true;
}

// Walks child objects in [begin, end) of `bytes`: each must fit, and `count` of them (or, when
// `count` is negative, as many as there are) must fill the range exactly. Attribute objects
// are checked inside; `visit` sees every child's offset and size.
template <typename Visit>
bool ChildrenFit(const std::vector<std::uint8_t>& bytes, std::uint64_t begin, std::uint64_t end,
                 std::int64_t count, Visit visit) {
    std::uint64_t at = begin;
    for (std::int64_t i = 0; count < 0 ? at < end : i < count; ++i) {
        if (end - at < kObjectHeaderBytes) return false;
        const std::uint64_t size = ReadLe(&bytes[at + 16], 8);
        if (size < kObjectHeaderBytes || size > end - at) return false;
        const std::uint8_t* object = &bytes[at];
        ObjectCursor body(object + kObjectHeaderBytes, size - kObjectHeaderBytes);
        if (IsGuid(object, kContentDescription) && !ContentDescriptionFits(body)) return false;
        if (IsGuid(object, kExtendedContentDescription) && !ExtendedContentFits(body))
            return false;
        if ((IsGuid(object, kMetadata) || IsGuid(object, kMetadataLibrary)) &&
            !MetadataFits(body))
            return false;
        if (!visit(at, size)) return false;
        at += size;
    }
    return at == end;
}

bool HeaderExtensionFits(const std::vector<std::uint8_t>& bytes, std::uint64_t at,
                         std::uint64_t size) {
    if (size < kHeaderExtensionFixedBytes) return false;
    const std::uint64_t dataSize = ReadLe(&bytes[at + 42], 4);
    if (dataSize != size - kHeaderExtensionFixedBytes) return false;
    return ChildrenFit(bytes, at + kHeaderExtensionFixedBytes, at + size, -1,
                       [](std::uint64_t, std::uint64_t) { return true; });
}

bool ReadExactly(int fd, std::uint64_t offset, void* buffer, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pread(fd, out, count, static_cast<off_t>(offset));
        if (n <= 0) return false;
        out += n;
        offset += static_cast<std::uint64_t>(n);
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool ReadAsfHeaderLayout(int fd, ASF_HEADER_LAYOUT* layout) {
    *layout = {};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint8_t fixed[kHeaderObjectFixedBytes];
    if (fileSize < kHeaderObjectFixedBytes || !ReadExactly(fd, 0, fixed, sizeof fixed) ||
        !IsGuid(fixed, kHeaderObject))
        return false;
    layout->headerSize = ReadLe(fixed + 16, 8);
    const std::uint64_t children = ReadLe(fixed + 24, 4);
    // The header must leave room for the data object's own header after it.
    if (layout->headerSize < kHeaderObjectFixedBytes || layout->headerSize > kMaxHeaderBytes ||
        layout->headerSize + kObjectHeaderBytes > fileSize)
        return true;
    std::vector<std::uint8_t> bytes(layout->headerSize + kObjectHeaderBytes);
    if (!ReadExactly(fd, 0, bytes.data(), bytes.size())) return true;

    int fileProperties = 0;
    const bool childrenFit = ChildrenFit(
        bytes, kHeaderObjectFixedBytes, layout->headerSize, static_cast<std::int64_t>(children),
        [&](std::uint64_t at, std::uint64_t size) {
            if (IsGuid(&bytes[at], kHeaderExtension)) return HeaderExtensionFits(bytes, at, size);
            if (!IsGuid(&bytes[at], kFileProperties)) return true;
            if (size < kFilePropertiesBytes) return false;
            ++fileProperties;
            layout->fileSizeFieldOffset = at + kFileSizeField;
            layout->playDuration = ReadLe(&bytes[at + kPlayDurationField], 8);
            layout->prerollMs = ReadLe(&bytes[at + kPrerollField], 8);
            return true;
        });
    layout->plausible =
        childrenFit && fileProperties == 1 && IsGuid(&bytes[layout->headerSize], kDataObject);
    return true;
}

bool ReadAsfHeaderLayout(const std::string& path, ASF_HEADER_LAYOUT* layout) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool read = ReadAsfHeaderLayout(fd, layout);
    ::close(fd);
    return read;
}

bool StoreAsfFileSize(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    ASF_HEADER_LAYOUT layout;
    struct stat st {};
    bool ok = ReadAsfHeaderLayout(fd, &layout) && layout.plausible &&
              layout.fileSizeFieldOffset != 0 && ::fstat(fd, &st) == 0;
    if (ok) {
        std::uint8_t field[8];
        auto size = static_cast<std::uint64_t>(st.st_size);
        for (std::uint8_t& byte : field) {
            byte = static_cast<std::uint8_t>(size);
            size >>= 8;
        }
        ok = ::pwrite(fd, field, sizeof field, static_cast<off_t>(layout.fileSizeFieldOffset)) ==
             static_cast<ssize_t>(sizeof field);
    }
    return (::close(fd) == 0) && ok;
}
