// tw-synth: writes a synthesised music track of known tempo and key as a 16-bit WAVE file.
//   tw-synth [--bpm B] [--seconds S] [--rate R] [--channels C] [--style four|breaks|half|ballad|intro]
//            [--key ROOT] [--major] [--intro S] [--fade S] [--seed N] OUT.wav

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/MusicSynth.h"

namespace {
bool ParseStyle(const std::string& s, GrooveStyle& style) {
    if (s == "four") style = GrooveStyle::FourOnTheFloor;
    else if (s == "breaks") style = GrooveStyle::Breakbeat;
    else if (s == "half") style = GrooveStyle::HalfTime;
    else if (s == "ballad") style = GrooveStyle::Ballad;
    else if (s == "intro") style = GrooveStyle::BeatlessIntro;
    else return false;
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    MusicSpec spec;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--major") { spec.minor = false; continue; }
        if (a.rfind("--", 0) != 0) { out = a; continue; }
        if (!hasValue) { std::fprintf(stderr, "tw-synth: %s needs a value\n", a.c_str()); return 2; }
        const char* v = argv[++i];
        if (a == "--bpm") spec.bpm = std::atof(v);
        else if (a == "--seconds") spec.seconds = std::atof(v);
        else if (a == "--rate") spec.sampleRate = static_cast<std::uint32_t>(std::atoi(v));
        else if (a == "--channels") spec.channels = static_cast<std::uint32_t>(std::atoi(v));
        else if (a == "--key") spec.keyRoot = std::atoi(v);
        else if (a == "--intro") spec.introSeconds = std::atof(v);
        else if (a == "--fade") spec.fadeSeconds = std::atof(v);
        else if (a == "--seed") spec.seed = static_cast<std::uint32_t>(std::atoi(v));
        else if (a == "--style") {
            if (!ParseStyle(v, spec.style)) { std::fprintf(stderr, "tw-synth: unknown style %s\n", v); return 2; }
        } else { std::fprintf(stderr, "tw-synth: unknown option %s\n", a.c_str()); return 2; }
    }
    if (out.empty() || spec.bpm <= 0 || spec.seconds <= 0 || spec.channels == 0 || spec.sampleRate == 0) {
        std::fprintf(stderr, "usage: tw-synth [--bpm B] [--seconds S] [--rate R] [--channels C] "
                             "[--style four|breaks|half|ballad|intro] [--key ROOT] [--major] "
                             "[--intro S] [--fade S] [--seed N] OUT.wav\n");
        return 2;
    }
    if (!WriteWave16(out, SynthesiseMusic(spec), spec.channels, spec.sampleRate)) {
        std::fprintf(stderr, "tw-synth: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
