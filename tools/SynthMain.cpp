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
    MusicSpec music;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--major") { music.minor = false; continue; }
        if (a.rfind("--", 0) != 0) { out = a; continue; }
        if (!hasValue) { std::fprintf(stderr, "tw-synth: %s needs a value\n", a.c_str()); return 2; }
        const char* v = argv[++i];
        if (a == "--bpm") music.bpm = std::atof(v);
        else if (a == "--seconds") music.seconds = std::atof(v);
        else if (a == "--rate") music.sampleRate = static_cast<std::uint32_t>(std::atoi(v));
        else if (a == "--channels") music.channels = static_cast<std::uint32_t>(std::atoi(v));
        else if (a == "--key") music.keyRoot = std::atoi(v);
        else if (a == "--intro") music.introSeconds = std::atof(v);
        else if (a == "--fade") music.fadeSeconds = std::atof(v);
        else if (a == "--seed") music.seed = static_cast<std::uint32_t>(std::atoi(v));
        else if (a == "--style") {
            if (!ParseStyle(v, music.style)) { std::fprintf(stderr, "tw-synth: unknown style %s\n", v); return 2; }
        } else { std::fprintf(stderr, "tw-synth: unknown option %s\n", a.c_str()); return 2; }
    }
    if (out.empty() || music.bpm <= 0 || music.seconds <= 0 || music.channels == 0 || music.sampleRate == 0) {
        std::fprintf(stderr, "usage: tw-synth [--bpm B] [--seconds S] [--rate R] [--channels C] "
                             "[--style four|breaks|half|ballad|intro] [--key ROOT] [--major] "
                             "[--intro S] [--fade S] [--seed N] OUT.wav\n");
        return 2;
    }
    if (!WriteWave16(out, SynthesiseMusic(music), music.channels, music.sampleRate)) {
        std::fprintf(stderr, "tw-synth: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
