#pragma once
// Helpers shared by the conversion suites: format records and whole-stream conversion.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/PcmFmtConverter.h"
#include "tests/support/WavWriter.h"

namespace convtest {

inline WAVEFORMATEX Pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    return MakeFormat(WavLayout{channels, rate, bits, false, false});
}
inline WAVEFORMATEX Float(std::uint16_t channels, std::uint32_t rate) {
    return MakeFormat(WavLayout{channels, rate, 32, true, false});
}
// The analysis format: mono float at 44100 Hz.
inline WAVEFORMATEX Analysis() {
    return Float(1, 44100);
}

// Converts `bytes` in chunks of `chunkBytes` (the last one shorter) into a buffer of
// `capacityFloats` per call; returns every sample written.
inline std::vector<float> ConvertChunks(CPcmFmtConverter& converter, const std::string& bytes,
                                        std::size_t chunkBytes, std::size_t capacityFloats) {
    std::vector<float> out, buffer(capacityFloats);
    for (std::size_t at = 0; at < bytes.size(); at += chunkBytes) {
        const std::size_t n = std::min(chunkBytes, bytes.size() - at);
        const std::uint32_t frames =
            converter.Convert(bytes.data() + at, static_cast<std::uint32_t>(n), buffer.data(),
                              static_cast<std::uint32_t>(buffer.size() * sizeof(float)));
        out.insert(
            out.end(), buffer.begin(),
            buffer.begin() + static_cast<std::ptrdiff_t>(frames * converter.OutputChannels()));
    }
    return out;
}

inline std::vector<float> ConvertWhole(const WAVEFORMATEX& in, const WAVEFORMATEX& out,
                                       const std::string& bytes) {
    CPcmFmtConverter converter;
    converter.SetInputFormat(in);
    converter.SetOutputFormat(out);
    converter.Prepare();
    const std::size_t capacity = static_cast<std::size_t>(converter.MaxOutputFrames(
                                     static_cast<std::uint32_t>(bytes.size()))) *
                                 converter.OutputChannels();
    return ConvertChunks(converter, bytes, bytes.size() + 1, std::max<std::size_t>(capacity, 1));
}

}  // namespace convtest
