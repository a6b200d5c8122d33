#pragma once
// Synthesised music of known tempo and key: drums (kick, snare, hats) and a bass line, for the
// demo folder and the end-to-end tests of the analysis.

#include <cstdint>
#include <string>
#include <vector>

enum class GrooveStyle {
    FourOnTheFloor,  // kick on every beat, snare on 2 and 4, open hats on the off-beats
    Breakbeat,       // syncopated kicks, snare on 2 and 4, eighth-note hats
    HalfTime,        // kick on 1, snare on 3
    Ballad,          // soft kick on 1 and 3, rim on 2 and 4, quarter-note hats
    BeatlessIntro,   // bass and pad only for the intro, then four on the floor
};

struct MusicSpec {
    double bpm = 128.0;
    double seconds = 60.0;
    std::uint32_t sampleRate = 44100;
    std::uint32_t channels = 2;
    GrooveStyle style = GrooveStyle::FourOnTheFloor;
    int keyRoot = 9;           // pitch class of the key (9 = A)
    bool minor = true;
    double introSeconds = 0;   // quiet intro (BeatlessIntro: no drums; otherwise hats only)
    double introGain = 1.0;    // level of everything in the intro relative to the body
    double fadeSeconds = 0;    // linear fade-out at the end
    double firstBeatSeconds = 0;  // silence before the first beat
    std::uint32_t seed = 1;
};

// Interleaved float frames in -1..1.
std::vector<float> SynthesiseMusic(const MusicSpec& music);

// Writes interleaved float frames as a 16-bit PCM WAVE file. False on a write error.
bool WriteWave16(const std::string& path, const std::vector<float>& frames,
                 std::uint32_t channels, std::uint32_t sampleRate);
