#include "BassSignals.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kRate = 44100.0;
}  // namespace

std::vector<float> SineWave(double frequency, double amplitude, double seconds) {
    std::vector<float> out(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<float>(amplitude *
                                    std::sin(2.0 * std::numbers::pi * frequency * i / kRate));
    return out;
}

std::vector<float> BassLine(const std::vector<BASS_NOTE>& notes, double bpm, double seconds) {
    std::vector<float> out(static_cast<std::size_t>(seconds * kRate), 0.0f);
    const double samplesPerBeat = 60.0 / bpm * kRate;
    std::size_t start = 0;
    for (std::size_t n = 0; start < out.size(); n = (n + 1) % notes.size()) {
        const double frequency = 440.0 * std::pow(2.0, (notes[n].midi - 69) / 12.0);
        const std::size_t length = static_cast<std::size_t>(notes[n].beats * samplesPerBeat);
        for (std::size_t i = 0; i < length && start + i < out.size(); ++i) {
            const double t = i / kRate;
            const double phase = 2.0 * std::numbers::pi * frequency * t;
            const double attack = std::min(1.0, t / 0.005);
            const double decay = std::exp(-t * 2.5);
            const double tone =
                std::sin(phase) + 0.35 * std::sin(2.0 * phase) + 0.15 * std::sin(3.0 * phase);
            out[start + i] = static_cast<float>(0.5 * attack * decay * tone / 1.2);
        }
        start += length;
    }
    return out;
}
