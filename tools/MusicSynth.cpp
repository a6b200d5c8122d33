#include "tools/MusicSynth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Voice {
    std::vector<float>& mono;
    std::uint32_t rate;

    void Add(std::size_t at, std::size_t index, float value) {
        if (at + index < mono.size()) mono[at + index] += value;
    }
};

void Kick(Voice& v, std::size_t at, float gain) {
    const auto len = static_cast<std::size_t>(0.25 * v.rate);
    double phase = 0;
    for (std::size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / v.rate;
        const double freq = 50.0 + 100.0 * std::exp(-t * 30.0);
        phase += 2 * kPi * freq / v.rate;
        v.Add(at, i, gain * static_cast<float>(std::sin(phase) * std::exp(-t * 12.0)));
    }
}

void Snare(Voice& v, std::size_t at, float gain, std::mt19937& rng) {
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const auto len = static_cast<std::size_t>(0.18 * v.rate);
    for (std::size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / v.rate;
        const double body = std::sin(2 * kPi * 190.0 * t) * std::exp(-t * 25.0);
        const double rattle = noise(rng) * std::exp(-t * 18.0);
        v.Add(at, i, gain * static_cast<float>(0.5 * body + 0.6 * rattle));
    }
}

void Hat(Voice& v, std::size_t at, float gain, double decay, std::mt19937& rng) {
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const auto len = static_cast<std::size_t>(0.08 * v.rate);
    float previous = 0;
    for (std::size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / v.rate;
        const float n = noise(rng);
        const float high = n - previous;  // first difference: mostly high frequencies
        previous = n;
        v.Add(at, i, gain * high * static_cast<float>(std::exp(-t * decay)));
    }
}

// A plucked bass note: a sine with its octave, decaying over the note.
void Bass(Voice& v, std::size_t at, std::size_t len, double freq, float gain) {
    for (std::size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / v.rate;
        const double env = std::min(1.0, t * 200.0) * std::exp(-t * 3.0) *
                           std::min(1.0, static_cast<double>(len - i) / (0.005 * v.rate));
        const double s = std::sin(2 * kPi * freq * t) + 0.3 * std::sin(4 * kPi * freq * t);
        v.Add(at, i, gain * static_cast<float>(env * s));
    }
}

// A soft sustained chord tone for the beatless intro.
void Pad(Voice& v, std::size_t at, std::size_t len, double freq, float gain) {
    for (std::size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / v.rate;
        const double env = std::min(1.0, t * 4.0) * std::min(1.0, (len - i) / (0.2 * v.rate));
        const double s = std::sin(2 * kPi * freq * t) + 0.5 * std::sin(2 * kPi * freq * 1.5 * t);
        v.Add(at, i, gain * static_cast<float>(env * s));
    }
}

double MidiFrequency(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

}  // namespace

std::vector<float> SynthesiseMusic(const MusicSpec& music) {
    const std::uint32_t rate = music.sampleRate;
    const auto frames = static_cast<std::size_t>(music.seconds * rate);
    std::vector<float> mono(frames, 0.0f);
    Voice v{mono, rate};
    std::mt19937 rng(music.seed);

    const double beat = 60.0 / music.bpm;
    const double sixteenth = beat / 4;
    // A four-bar progression in the key: i, VI, III, VII (minor) or I, vi, IV, V (major), as
    // bass roots (MIDI, octave 1-2).
    const int base = 33 + ((music.keyRoot - 9 + 12) % 12);  // A1 = 33 for key root 9
    const int minorSteps[4] = {0, 8, 3, 10};
    const int majorSteps[4] = {0, 9, 5, 7};
    const int* steps = music.minor ? minorSteps : majorSteps;

    for (int n = 0;; ++n) {
        const double t = music.firstBeatSeconds + n * sixteenth;
        const auto at = static_cast<std::size_t>(t * rate + 0.5);
        if (at >= frames) break;
        const int step = n % 16;
        const int bar = n / 16;
        const bool intro = t < music.introSeconds;
        int root = base + steps[bar % 4];
        if (root > base + 11) root -= 12;
        const double rootFreq = MidiFrequency(root);

        // Bass: eighth notes on the root, octave jump on the last eighth of the bar.
        if (step % 2 == 0) {
            const double f = step == 14 ? rootFreq * 2 : rootFreq;
            Bass(v, at, static_cast<std::size_t>(2 * sixteenth * rate * 0.9), f, 0.22f);
        }
        if (intro && music.style == GrooveStyle::BeatlessIntro) {
            if (step == 0)
                Pad(v, at, static_cast<std::size_t>(16 * sixteenth * rate), rootFreq * 4, 0.06f);
            continue;
        }
        if (intro) {
            if (step % 4 == 2) Hat(v, at, 0.08f, 60.0, rng);
            continue;
        }
        switch (music.style) {
            case GrooveStyle::FourOnTheFloor:
            case GrooveStyle::BeatlessIntro:
                if (step % 4 == 0) Kick(v, at, 0.9f);
                if (step == 4 || step == 12) Snare(v, at, 0.5f, rng);
                if (step % 4 == 2) Hat(v, at, 0.25f, 25.0, rng);
                if (step % 2 == 1) Hat(v, at, 0.08f, 80.0, rng);
                break;
            case GrooveStyle::Breakbeat:
                if (step == 0 || step == 10 || step == 7) Kick(v, at, 0.9f);
                if (step == 4 || step == 12) Snare(v, at, 0.6f, rng);
                if (step % 2 == 0) Hat(v, at, 0.15f, 60.0, rng);
                break;
            case GrooveStyle::HalfTime:
                if (step == 0 || step == 3) Kick(v, at, 0.9f);
                if (step == 8) Snare(v, at, 0.7f, rng);
                if (step % 2 == 0) Hat(v, at, 0.15f, 60.0, rng);
                break;
            case GrooveStyle::Ballad:
                if (step == 0 || step == 8) Kick(v, at, 0.6f);
                if (step == 4 || step == 12) Snare(v, at, 0.3f, rng);
                if (step % 4 == 0) Hat(v, at, 0.1f, 40.0, rng);
                break;
        }
    }

    if (music.introGain != 1.0) {
        const auto intro = std::min(frames, static_cast<std::size_t>(music.introSeconds * rate));
        for (std::size_t i = 0; i < intro; ++i) mono[i] *= static_cast<float>(music.introGain);
    }
    if (music.fadeSeconds > 0) {
        const auto fade = std::min(frames, static_cast<std::size_t>(music.fadeSeconds * rate));
        for (std::size_t i = 0; i < fade; ++i)
            mono[frames - fade + i] *= static_cast<float>(fade - i) / static_cast<float>(fade);
    }
    float peak = 0;
    for (float s : mono) peak = std::max(peak, std::fabs(s));
    const float scale = peak > 0.89f ? 0.89f / peak : 1.0f;

    std::vector<float> out(frames * music.channels);
    for (std::size_t i = 0; i < frames; ++i)
        for (std::uint32_t c = 0; c < music.channels; ++c) out[i * music.channels + c] = mono[i] * scale;
    return out;
}

bool WriteWave16(const std::string& path, const std::vector<float>& frames, std::uint32_t channels,
                 std::uint32_t sampleRate) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const auto dataBytes = static_cast<std::uint32_t>(frames.size() * 2);
    auto put32 = [&](std::uint32_t v) {
        const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16),
                                    static_cast<unsigned char>(v >> 24)};
        std::fwrite(b, 1, 4, f);
    };
    auto put16 = [&](std::uint32_t v) {
        const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
        std::fwrite(b, 1, 2, f);
    };
    std::fwrite("RIFF", 1, 4, f);
    put32(36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(16);
    put16(1);
    put16(channels);
    put32(sampleRate);
    put32(sampleRate * channels * 2);
    put16(channels * 2);
    put16(16);
    std::fwrite("data", 1, 4, f);
    put32(dataBytes);
    std::vector<unsigned char> pcm(frames.size() * 2);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const float s = std::clamp(frames[i], -1.0f, 1.0f);
        const auto v = static_cast<std::int16_t>(std::lrint(s * 32767.0f));
        pcm[2 * i] = static_cast<unsigned char>(v & 0xFF);
        pcm[2 * i + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    }
    std::fwrite(pcm.data(), 1, pcm.size(), f);
    return std::fclose(f) == 0;
}
