#include "store/AudioPayload.h"

#include <array>
#include <cstring>

#include "platform/SystemError.h"

namespace {

constexpr std::uint64_t kId3v2HeaderBytes = 10;
constexpr std::uint64_t kId3v2FooterBytes = 10;
constexpr unsigned char kId3v2FooterFlag = 0x10;
constexpr std::uint64_t kId3v1Bytes = 128;
constexpr std::uint64_t kApeFooterBytes = 32;
constexpr std::uint32_t kApeHasHeaderFlag = 0x80000000u;
// The "Zinth" trailer: a 48-byte block at the very end whose strings start this far from the end.
constexpr std::uint64_t kZinthBlockBytes = 48;
constexpr std::uint64_t kZinthTrailerBytes = 7936;
// A file carries only a few tags; more end blocks than this are taken as audio.
constexpr int kMaxEndTags = 8;

constexpr std::array<unsigned char, 16> kAsfHeaderGuid = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66,
                                                          0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA,
                                                          0x00, 0x62, 0xCE, 0x6C};
constexpr std::uint64_t kAsfObjectHeaderBytes = 24;

// Reads `count` bytes at `offset`; false when they are not all there.
bool ReadAt(CFile& file, std::uint64_t offset, void* buffer, std::size_t count) {
    try {
        file.Seek(offset);
        return file.Read(buffer, count) == count;
    } catch (const CFileException&) {
        return false;
    }
}

std::uint64_t LittleEndian(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// Size of an ID3v2 tag body from its four syncsafe bytes; false when a byte has its top bit set.
bool SyncsafeSize(const unsigned char* p, std::uint64_t& size) {
    size = 0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] & 0x80) return false;
        size = size << 7 | p[i];
    }
    return true;
}

// The length of the ID3v2 tag of a 10-byte header or footer whose magic is `magic`; 0 for none.
std::uint64_t Id3v2Length(const unsigned char* h, const char* magic) {
    std::uint64_t body = 0;
    if (std::memcmp(h, magic, 3) != 0 || h[3] == 0xFF || h[4] == 0xFF || !SyncsafeSize(h + 6, body))
        return 0;
    return kId3v2HeaderBytes + body + ((h[5] & kId3v2FooterFlag) ? kId3v2FooterBytes : 0);
}

// Bytes of one tag block that ends at `end`, or 0 when none ends there.
std::uint64_t EndTagLength(CFile& file, std::uint64_t begin, std::uint64_t end) {
    const std::uint64_t room = end - begin;
    unsigned char buf[kApeFooterBytes];
    if (room >= kZinthBlockBytes && ReadAt(file, end - kZinthBlockBytes, buf, 5) &&
        std::memcmp(buf, "Zinth", 5) == 0)
        return room >= kZinthTrailerBytes ? kZinthTrailerBytes : kZinthBlockBytes;
    if (room >= kId3v1Bytes && ReadAt(file, end - kId3v1Bytes, buf, 3) &&
        std::memcmp(buf, "TAG", 3) == 0)
        return kId3v1Bytes;
    if (room >= kApeFooterBytes && ReadAt(file, end - kApeFooterBytes, buf, kApeFooterBytes) &&
        std::memcmp(buf, "APETAGEX", 8) == 0) {
        const std::uint64_t size = LittleEndian(buf + 12, 4);  // items and footer
        const bool header = LittleEndian(buf + 20, 4) & kApeHasHeaderFlag;
        const std::uint64_t length = size + (header ? kApeFooterBytes : 0);
        return length <= room && length >= kApeFooterBytes ? length : 0;
    }
    if (room >= kId3v2FooterBytes && ReadAt(file, end - kId3v2FooterBytes, buf, 10)) {
        const std::uint64_t length = Id3v2Length(buf, "3DI");
        return length <= room ? length : 0;
    }
    return 0;
}

AudioPayloadRange Mp3Payload(CFile& file, AudioPayloadRange range) {
    unsigned char header[kId3v2HeaderBytes];
    while (range.Size() >= kId3v2HeaderBytes &&
           ReadAt(file, range.begin, header, sizeof header)) {
        const std::uint64_t length = Id3v2Length(header, "ID3");
        if (length == 0 || length > range.Size()) break;
        range.begin += length;
    }
    for (int i = 0; i < kMaxEndTags; ++i) {
        const std::uint64_t length = EndTagLength(file, range.begin, range.end);
        if (length == 0) break;
        range.end -= length;
    }
    return range;
}

AudioPayloadRange WavePayload(CFile& file, AudioPayloadRange range) {
    unsigned char header[12];
    if (!ReadAt(file, 0, header, sizeof header) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return range;
    std::uint64_t pos = sizeof header;
    while (pos + 8 <= range.end) {
        unsigned char chunk[8];
        if (!ReadAt(file, pos, chunk, sizeof chunk)) break;
        const std::uint64_t size = LittleEndian(chunk + 4, 4);
        if (std::memcmp(chunk, "data", 4) == 0) {
            const std::uint64_t begin = pos + 8;
            return {begin, begin + size <= range.end ? begin + size : range.end};
        }
        pos += 8 + size + (size & 1);
    }
    return range;
}

AudioPayloadRange WmaPayload(CFile& file, AudioPayloadRange range) {
    unsigned char header[kAsfObjectHeaderBytes];
    if (!ReadAt(file, 0, header, sizeof header) ||
        std::memcmp(header, kAsfHeaderGuid.data(), kAsfHeaderGuid.size()) != 0)
        return range;
    const std::uint64_t size = LittleEndian(header + 16, 8);
    if (size < kAsfObjectHeaderBytes || size > range.end) return range;
    return {size, range.end};
}

}  // namespace

AudioPayloadRange FindAudioPayload(CFile& file, AudioContainer container) {
    AudioPayloadRange whole{0, 0};
    try {
        whole.end = file.Length();
    } catch (const CFileException&) {
        return whole;
    }
    switch (container) {
        case AudioContainer::kMpeg: return Mp3Payload(file, whole);
        case AudioContainer::kWave: return WavePayload(file, whole);
        case AudioContainer::kAsf: return WmaPayload(file, whole);
        case AudioContainer::kUnknown:
        case AudioContainer::kOther: break;
    }
    return whole;
}
