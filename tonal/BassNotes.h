#pragma once
// The 24 bass notes that the note detector looks for, C1 to B2, and the period matching that
// decides whether the waveform after a zero crossing repeats with one of their periods.

#include <array>
#include <cstddef>
#include <cstdint>

constexpr std::size_t kBassNoteCount = 24;
// Note index n is MIDI note kLowestBassMidiNote + n, so n % 12 == 0 is C.
constexpr int kLowestBassMidiNote = 24;
// The rate the periods are counted at: the analysis rate.
constexpr std::uint32_t kBassNoteRate = 44100;

using BassNotePeriods = std::array<std::int32_t, kBassNoteCount>;

// Period in samples at 44100 Hz of each note, truncated toward zero: 1348 for C1 down to 357
// for B2.
BassNotePeriods ComputeBassNotePeriods();

// How closely one period repeated: the summed absolute differences and their number.
struct PF_PERIOD_MATCH {
    double sum = 0.0;
    std::uint32_t count = 0;
};

// Tests whether the samples after the crossing at `x` repeat with period `period`. Each phase
// k = x … min(x + period, end) (`end` being the last readable index) is compared with the samples
// one to four periods later that do not lie beyond `end`; a difference above `tolerance` is a
// mismatch. A mismatch before the last phase rejects the period (returns false); a mismatch at
// the last phase only ends the scan. Every difference within the tolerance is added to `match`
// (in double precision, so the order of the additions does not matter); after a rejection its
// contents mean nothing. A period of 0 or less, or `x` beyond `end`, is rejected.
bool MatchPeriod(const float* samples, std::size_t x, std::size_t end, std::int32_t period,
                 float tolerance, PF_PERIOD_MATCH& match);
