#include "tests/components/ComponentFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/Bstr.h"
#include "tests/support/WavWriter.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kToneAmplitude = 0.4;
constexpr double kSwellHz = 0.7;
// Frames compared for each candidate lag.
constexpr std::int64_t kLagSearchFrames = 16384;
// The build driver's read size.
constexpr std::uint32_t kDriverChunkBytes = 24 * 1024;

// Writes the signal as 16-bit PCM WAVE, the encoders' input.
void WriteWave16(const std::string& path, const PcmSignal& signal) {
    WavLayout layout;
    layout.channels = signal.channels;
    layout.rate = signal.rate;
    WriteWav(path, layout, signal.samples);
}

}  // namespace

double TestToneFrequency(int channel) {
    return 440.0 * (1.0 + 0.5 * channel);
}

PcmSignal MakeTestSignal(std::uint32_t rate, std::uint16_t channels, double seconds) {
    PcmSignal s{rate, channels, {}};
    const auto frames = static_cast<std::size_t>(seconds * rate);
    s.samples.resize(frames * channels);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double swell = 0.6 + 0.4 * std::sin(2 * kPi * kSwellHz * t);
        for (int c = 0; c < channels; ++c)
            s.samples[i * channels + c] = static_cast<float>(
                kToneAmplitude * swell * std::sin(2 * kPi * TestToneFrequency(c) * t));
    }
    return s;
}

std::string EncodeMp3(const TempDir& dir, const std::string& name, const PcmSignal& signal,
                      const std::string& lameArgs) {
    const std::string wav = dir.Str(name + ".wav");
    const std::string mp3 = dir.Str(name + ".mp3");
    WriteWave16(wav, signal);
    const int rc = RunCommand("lame --quiet " + lameArgs + " '" + wav + "' '" + mp3 + "' 2>&1");
    EXPECT_EQ(rc, 0) << "lame " << lameArgs;
    return mp3;
}

std::string EncodeWma(const TempDir& dir, const std::string& name, const PcmSignal& signal,
                      const std::string& codec, const std::string& extraArgs) {
    const std::string wav = dir.Str(name + ".wav");
    const std::string wma = dir.Str(name + ".wma");
    WriteWave16(wav, signal);
    const int rc = RunCommand("ffmpeg -nostdin -v error -y -i '" + wav + "' -c:a " + codec + " " +
                              extraArgs + " '" + wma + "' 2>&1");
    EXPECT_EQ(rc, 0) << "ffmpeg " << codec;
    return wma;
}

std::uint64_t FramesDecodedByFfmpeg(const std::string& path, int channels) {
    std::string count;
    EXPECT_EQ(RunCommand("ffmpeg -nostdin -v error -i '" + path + "' -f f32le - | wc -c", &count),
              0);
    return count.empty() ? 0 : std::stoull(count) / (4u * channels);
}

ComPtr<IPcmReader> OpenDecoder(CLocalCoCreate& loader, REFCLSID clsid, const std::string& path,
                               std::int32_t mode) {
    ComPtr<IPcmReader> reader;
    if (FAILED(loader.Create(clsid, nullptr, 0, IID_IPcmReader, reader.OutVoid()))) return {};
    CBstr bstrPath(Utf8ToUtf16(path));
    if (FAILED(reader->Open(bstrPath.Get(), mode)) || reader->GetStatus() != 0) return {};
    return reader;
}

std::vector<std::uint8_t> ReadStream(IPcmReader* reader, std::uint32_t chunkBytes) {
    std::uint64_t length = 0;
    EXPECT_EQ(reader->GetLengthBytes(&length), S_OK);
    std::vector<std::uint8_t> bytes(length);
    const std::uint64_t step = chunkBytes ? chunkBytes : length;
    for (std::uint64_t at = 0; at < length; at += step) {
        const auto n = static_cast<std::uint32_t>(std::min(step, length - at));
        EXPECT_EQ(reader->Read(bytes.data() + at, at, n), S_OK) << "at " << at;
    }
    return bytes;
}

std::vector<float> ReadSamples(IPcmReader* reader) {
    const std::vector<std::uint8_t> bytes = ReadStream(reader, kDriverChunkBytes);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

double ChannelCorrelation(const std::vector<float>& source, const std::vector<float>& decoded,
                          int channels, int c, std::int64_t lag, std::int64_t maxFrames) {
    const auto sourceFrames = static_cast<std::int64_t>(source.size() / channels);
    const auto decodedFrames = static_cast<std::int64_t>(decoded.size() / channels);
    const std::int64_t frames = std::min({sourceFrames, decodedFrames - lag, maxFrames});
    double sx = 0, sy = 0, sxy = 0;
    for (std::int64_t i = 0; i < frames; ++i) {
        const double x = source[i * channels + c];
        const double y = decoded[(i + lag) * channels + c];
        sx += x * x;
        sy += y * y;
        sxy += x * y;
    }
    return (sx > 0 && sy > 0) ? sxy / std::sqrt(sx * sy) : 0.0;
}

std::pair<std::int64_t, double> BestLag(const std::vector<float>& source,
                                        const std::vector<float>& decoded, int channels,
                                        std::int64_t maxLag) {
    std::pair<std::int64_t, double> best{0, -1.0};
    for (std::int64_t lag = 0; lag <= maxLag; ++lag) {
        double r = 0;
        for (int c = 0; c < channels; ++c)
            r += ChannelCorrelation(source, decoded, channels, c, lag, kLagSearchFrames);
        if (r / channels > best.second) best = {lag, r / channels};
    }
    return best;
}

double ZeroCrossingFrequency(const std::vector<float>& samples, int channels, int c,
                             std::uint32_t rate, std::uint64_t from, std::uint64_t to) {
    std::uint64_t first = 0, last = 0, crossings = 0;
    for (std::uint64_t i = from + 1; i < to; ++i) {
        if (samples[(i - 1) * channels + c] < 0 && samples[i * channels + c] >= 0) {
            if (crossings == 0) first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2) return 0.0;
    return static_cast<double>(crossings - 1) * rate / static_cast<double>(last - first);
}

std::string PseudoRandomBytes(std::size_t count, std::uint32_t seed) {
    std::string bytes(count, '\0');
    std::uint32_t x = seed;
    for (char& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<char>(x >> 24);
    }
    return bytes;
}

ScopedComponentDir::ScopedComponentDir(const std::string& dir) {
    if (const char* value = std::getenv("TEMPOWRIGHT_COMPONENT_DIR")) {
        hadValue_ = true;
        previous_ = value;
    }
    setenv("TEMPOWRIGHT_COMPONENT_DIR", dir.c_str(), 1);
}

ScopedComponentDir::~ScopedComponentDir() {
    if (hadValue_)
        setenv("TEMPOWRIGHT_COMPONENT_DIR", previous_.c_str(), 1);
    else
        unsetenv("TEMPOWRIGHT_COMPONENT_DIR");
}
