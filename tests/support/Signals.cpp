#include "tests/support/Signals.h"

#include <cmath>
#include <numbers>

namespace {
// A click lasts 5 ms and decays with a 1 ms time constant.
constexpr double kClickSeconds = 0.005;
constexpr double kClickDecaySeconds = 0.001;
constexpr double kClickFrequency = 2000.0;
}  // namespace

std::vector<float> Sine(double frequency, std::uint32_t rate, std::size_t frames, float amplitude) {
    std::vector<float> out(frames);
    const double step = 2.0 * std::numbers::pi * frequency / rate;
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = static_cast<float>(amplitude * std::sin(step * static_cast<double>(i)));
    return out;
}

std::vector<float> Silence(std::size_t frames) {
    return std::vector<float>(frames, 0.0f);
}

std::vector<float> Clicks(double bpm, std::uint32_t rate, std::size_t frames, float amplitude) {
    std::vector<float> out(frames, 0.0f);
    const double beatFrames = 60.0 * rate / bpm;
    const auto clickFrames = static_cast<std::size_t>(kClickSeconds * rate);
    for (double beat = 0.0; beat < static_cast<double>(frames); beat += beatFrames) {
        const auto start = static_cast<std::size_t>(std::llround(beat));
        for (std::size_t i = 0; i < clickFrames && start + i < frames; ++i) {
            const double t = static_cast<double>(i) / rate;
            out[start + i] = static_cast<float>(
                amplitude * std::exp(-t / kClickDecaySeconds) *
                std::sin(2.0 * std::numbers::pi * kClickFrequency * t + 0.5 * std::numbers::pi));
        }
    }
    return out;
}

std::vector<float> Interleave(const std::vector<std::vector<float>>& channels) {
    if (channels.empty()) return {};
    const std::size_t frames = channels.front().size();
    std::vector<float> out(frames * channels.size());
    for (std::size_t f = 0; f < frames; ++f)
        for (std::size_t c = 0; c < channels.size(); ++c)
            out[f * channels.size() + c] = channels[c].at(f);
    return out;
}

std::vector<float> Replicate(const std::vector<float>& mono, std::size_t channels) {
    return Interleave(std::vector<std::vector<float>>(channels, mono));
}

std::size_t ZeroCrossings(const std::vector<float>& x, std::size_t begin, std::size_t end) {
    std::size_t count = 0;
    for (std::size_t i = begin + 1; i < end && i < x.size(); ++i)
        if ((x[i - 1] < 0.0f) != (x[i] < 0.0f)) ++count;
    return count;
}

double Rms(const std::vector<float>& x, std::size_t begin, std::size_t end) {
    if (end <= begin) return 0.0;
    double sum = 0.0;
    for (std::size_t i = begin; i < end; ++i) sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}
