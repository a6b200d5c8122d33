#include "tests/support/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {
void AppendLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::int64_t Quantise(float x, double fullScale) {
    const double v = std::nearbyint(static_cast<double>(x) * fullScale);
    return static_cast<std::int64_t>(std::clamp(v, -fullScale, fullScale - 1.0));
}
}  // namespace

WAVEFORMATEX MakeFormat(const WavLayout& layout) {
    WAVEFORMATEX f{};
    f.wFormatTag = layout.isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM;
    f.nChannels = layout.channels;
    f.nSamplesPerSec = layout.rate;
    f.nBlockAlign = static_cast<std::uint16_t>(layout.channels * layout.bits / 8);
    f.nAvgBytesPerSec = layout.rate * f.nBlockAlign;
    f.wBitsPerSample = layout.bits;
    return f;
}

std::string EncodeSamples(const std::vector<float>& interleaved, const WavLayout& layout) {
    std::string out;
    out.reserve(interleaved.size() * layout.bits / 8);
    for (const float x : interleaved) {
        if (layout.isFloat) {
            std::uint32_t bits;
            std::memcpy(&bits, &x, sizeof bits);
            AppendLe(out, bits, 4);
        } else if (layout.bits == 8) {
            out.push_back(static_cast<char>(Quantise(x, 128.0) + 128));
        } else {
            const double fullScale = std::ldexp(1.0, layout.bits - 1);
            AppendLe(out, static_cast<std::uint64_t>(Quantise(x, fullScale)), layout.bits / 8);
        }
    }
    return out;
}

std::string FmtChunkBody(const WavLayout& layout) {
    const WAVEFORMATEX f = MakeFormat(layout);
    std::string body;
    AppendLe(body, layout.extensible ? WAVE_FORMAT_EXTENSIBLE : f.wFormatTag, 2);
    AppendLe(body, f.nChannels, 2);
    AppendLe(body, f.nSamplesPerSec, 4);
    AppendLe(body, f.nAvgBytesPerSec, 4);
    AppendLe(body, f.nBlockAlign, 2);
    AppendLe(body, f.wBitsPerSample, 2);
    if (layout.extensible) {
        AppendLe(body, kExtensibleExtraSize, 2);
        AppendLe(body, f.wBitsPerSample, 2);  // valid bits
        AppendLe(body, 0, 4);                 // channel mask: unspecified
        const GUID& sub =
            layout.isFloat ? KSDATAFORMAT_SUBTYPE_IEEE_FLOAT : KSDATAFORMAT_SUBTYPE_PCM;
        body.append(reinterpret_cast<const char*>(&sub), sizeof sub);
    }
    return body;
}

std::string RiffChunkWithSize(std::string_view id, std::uint32_t size, std::string_view body) {
    if (id.size() != 4) throw std::invalid_argument("chunk ids have four characters");
    std::string out(id);
    AppendLe(out, size, 4);
    out.append(body);
    if (body.size() % 2) out.push_back('\0');
    return out;
}

std::string RiffChunk(std::string_view id, std::string_view body) {
    return RiffChunkWithSize(id, static_cast<std::uint32_t>(body.size()), body);
}

std::string InfoListChunk(std::string_view title) {
    std::string text(title);
    text.push_back('\0');
    return RiffChunk("LIST", "INFO" + RiffChunk("INAM", text));
}

std::string RiffWave(std::string_view chunks) {
    std::string out = "RIFF";
    AppendLe(out, 4 + chunks.size(), 4);
    out += "WAVE";
    out.append(chunks);
    return out;
}

std::string MakeWav(const WavLayout& layout, const std::vector<float>& interleaved) {
    return RiffWave(RiffChunk("fmt ", FmtChunkBody(layout)) +
                    RiffChunk("data", EncodeSamples(interleaved, layout)));
}

void WriteWav(const std::filesystem::path& path, const WavLayout& layout,
              const std::vector<float>& interleaved) {
    const std::string bytes = MakeWav(layout, interleaved);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

void StoreLe16(std::string& bytes, std::size_t offset, std::uint16_t value) {
    bytes.at(offset) = static_cast<char>(value & 0xFF);
    bytes.at(offset + 1) = static_cast<char>(value >> 8);
}

void StoreLe32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}
