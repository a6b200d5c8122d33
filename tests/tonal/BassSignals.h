#pragma once
// Test signals for the tonal analysis: sines and a synthesised bass line at 44100 Hz.

#include <cstddef>
#include <vector>

// A sine of `frequency` Hz and `amplitude`, `seconds` long, at 44100 Hz.
std::vector<float> SineWave(double frequency, double amplitude, double seconds);

// One note of a bass line: MIDI note number and length in beats.
struct BASS_NOTE {
    int midi;
    double beats;
};

// A plucked bass line at `bpm`: each note a decaying tone with a few harmonics (amplitude about
// 0.5), played in order and repeated until `seconds` are filled.
std::vector<float> BassLine(const std::vector<BASS_NOTE>& notes, double bpm, double seconds);
