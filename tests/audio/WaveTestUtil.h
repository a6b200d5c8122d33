#pragma once
// Helpers shared by the WAVE reader suites: opening a file the way the build driver does and
// reading its data in the driver's 24 KiB requests.

#include <cstdint>
#include <string>

#include "audio/WaveReader.h"
#include "core/UnknownStandAlone.h"
#include "platform/Bstr.h"
#include "tests/support/TempDir.h"

namespace wavetest {

// The driver's request size.
constexpr std::uint32_t kRequestBytes = 0x6000;

struct Opened {
    ComPtr<IPcmReader> reader;
    HRESULT hr = E_FAIL;
};

inline Opened OpenWave(const WString& path) {
    Opened o;
    o.reader = ComPtr<IPcmReader>(new CWaveReader);
    CBstr bstr(path);
    o.hr = o.reader->Open(bstr.Get(), 1);
    return o;
}

inline Opened OpenBytes(const TempDir& dir, const std::string& name, const std::string& bytes) {
    WriteFileBytes(dir.Path() / name, bytes);
    return OpenWave(dir.W(name));
}

inline std::string ReadAt(IPcmReader* reader, std::uint64_t position, std::uint32_t count,
                          HRESULT* hr = nullptr) {
    std::string out(count, '\x5A');
    const HRESULT result = reader->Read(out.data(), position, count);
    if (hr) *hr = result;
    return out;
}

// The whole data, read as the driver reads it.
inline std::string ReadAll(IPcmReader* reader) {
    std::uint64_t length = 0;
    reader->GetLengthBytes(&length);
    std::string out;
    for (std::uint64_t position = 0; position < length; position += kRequestBytes)
        out += ReadAt(reader, position, kRequestBytes);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// The raw samples of a WAVE file as FFmpeg decodes them (`rawFormat`: u8, s16le, s24le, s32le,
// f32le), an independent view of what the file holds.
inline std::string RawByFfmpeg(const std::string& path, const std::string& rawFormat) {
    std::string raw;
    const int status =
        RunCommand("ffmpeg -v error -i '" + path + "' -c:a copy -f " + rawFormat + " pipe:1", &raw);
    return status == 0 ? raw : std::string("ffmpeg failed");
}

}  // namespace wavetest
