// Measures the sample converter on the build driver's path: 24 KiB chunks of 16-bit stereo
// converted to mono float at 44100 Hz into the driver's 384 KiB buffer. Prints seconds of audio
// converted per second of CPU time for each source rate.

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "audio/PcmFmtConverter.h"

namespace {
constexpr std::uint32_t kChunkBytes = 0x6000;
constexpr std::uint32_t kOutputBytes = 0x60000;
constexpr double kAudioSeconds = 60.0;
constexpr double kMinCpuSeconds = 1.0;
constexpr std::uint16_t kChannels = 2;
constexpr std::uint16_t kBytesPerSample = 2;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A minute of 16-bit stereo: two tones and a little noise, so no stage sees constant input.
std::vector<std::uint8_t> MakeAudio(std::uint32_t rate) {
    const auto frames = static_cast<std::size_t>(kAudioSeconds * rate);
    std::vector<std::uint8_t> bytes(frames * kChannels * kBytesPerSample);
    std::uint32_t noise = 12345;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        for (std::size_t c = 0; c < kChannels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double v = 0.4 * std::sin(2.0 * std::numbers::pi * (220.0 + 110.0 * c) * t) +
                             0.05 * (static_cast<double>(noise >> 16) / 32768.0 - 1.0);
            const auto s = static_cast<std::int16_t>(std::lround(v * 32767.0));
            const std::size_t at = (i * kChannels + c) * kBytesPerSample;
            bytes[at] = static_cast<std::uint8_t>(s & 0xFF);
            bytes[at + 1] = static_cast<std::uint8_t>((s >> 8) & 0xFF);
        }
    }
    return bytes;
}

WAVEFORMATEX Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                    std::uint16_t bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = tag;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.nBlockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    f.wBitsPerSample = bits;
    return f;
}

void Measure(std::uint32_t rate) {
    const std::vector<std::uint8_t> audio = MakeAudio(rate);
    std::vector<float> output(kOutputBytes / sizeof(float));
    double audioSeconds = 0.0;
    std::uint64_t framesOut = 0;
    const double start = CpuSeconds();
    double elapsed = 0.0;
    while (elapsed < kMinCpuSeconds) {
        // A fresh converter per pass, as the driver makes one per file.
        CPcmFmtConverter converter;
        converter.SetInputFormat(Format(WAVE_FORMAT_PCM, kChannels, rate, 16));
        converter.SetOutputFormat(Format(WAVE_FORMAT_IEEE_FLOAT, 1, 44100, 32));
        converter.Prepare();
        for (std::size_t at = 0; at < audio.size(); at += kChunkBytes) {
            const auto n =
                static_cast<std::uint32_t>(std::min<std::size_t>(kChunkBytes, audio.size() - at));
            framesOut += converter.Convert(audio.data() + at, n, output.data(), kOutputBytes);
        }
        audioSeconds += kAudioSeconds;
        elapsed = CpuSeconds() - start;
    }
    std::printf(
        "bench_conversion: 16-bit stereo %6u Hz -> mono float 44100 Hz: %8.1f s of audio "
        "per CPU second (%llu frames out)\n",
        rate, audioSeconds / elapsed, static_cast<unsigned long long>(framesOut));
}
}  // namespace

int main() {
    for (const std::uint32_t rate : {44100u, 48000u, 22050u, 96000u}) Measure(rate);
    return 0;
}
