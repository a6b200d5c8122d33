#include "audio/AudioContainer.h"

#include <cstdint>
#include <cstring>

#include "platform/File.h"
#include "platform/Path.h"
#include "platform/SystemError.h"

namespace {

// Enough for every signature below.
constexpr std::size_t kSniffBytes = 16;

constexpr std::uint8_t kAsfHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                            0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

bool StartsWith(const std::uint8_t* bytes, std::size_t count, std::size_t at, const char* text) {
    const std::size_t n = std::strlen(text);
    return count >= at + n && std::memcmp(bytes + at, text, n) == 0;
}

AudioContainer Recognise(const std::uint8_t* b, std::size_t n) {
    if (StartsWith(b, n, 0, "RIFF"))
        return StartsWith(b, n, 8, "WAVE") ? AudioContainer::kWave : AudioContainer::kOther;
    if (n >= sizeof kAsfHeaderGuid && std::memcmp(b, kAsfHeaderGuid, sizeof kAsfHeaderGuid) == 0)
        return AudioContainer::kAsf;
    if (StartsWith(b, n, 0, "ID3")) return AudioContainer::kMpeg;
    // Frame sync: eleven set bits, then a version and a layer that are not reserved.
    if (n >= 2 && b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && (b[1] & 0x18) != 0x08 &&
        (b[1] & 0x06) != 0)
        return AudioContainer::kMpeg;
    if (StartsWith(b, n, 0, "RF64") || StartsWith(b, n, 0, "RIFX") ||
        StartsWith(b, n, 0, "fLaC") || StartsWith(b, n, 0, "OggS") ||
        StartsWith(b, n, 0, "FORM") || StartsWith(b, n, 4, "ftyp"))
        return AudioContainer::kOther;
    return AudioContainer::kUnknown;
}

}  // namespace

AudioContainer SniffAudioContainer(const WString& path) {
    CFile file;
    if (!file.TryOpen(path, FileMode::Read)) return AudioContainer::kUnknown;
    std::uint8_t bytes[kSniffBytes] = {};
    std::size_t count = 0;
    try {
        count = file.Read(bytes, sizeof bytes);
    } catch (const CFileException&) {
        return AudioContainer::kUnknown;
    }
    return Recognise(bytes, count);
}

AudioContainer ContainerOfExtension(std::u16string_view extension) {
    if (extension == u"wav") return AudioContainer::kWave;
    if (extension == u"mp3") return AudioContainer::kMpeg;
    if (extension == u"wma") return AudioContainer::kAsf;
    return AudioContainer::kUnknown;
}

AudioContainer EffectiveContainer(const WString& path) {
    const AudioContainer content = SniffAudioContainer(path);
    return content != AudioContainer::kUnknown ? content
                                               : ContainerOfExtension(PathExtension(path));
}

bool ContentMatchesExtension(const WString& path) {
    const AudioContainer content = SniffAudioContainer(path);
    return content == AudioContainer::kUnknown ||
           content == ContainerOfExtension(PathExtension(path));
}
