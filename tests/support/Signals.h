#pragma once
// Test signals of known content (sines, silence, click tracks of known tempo) and the simple
// measurements that check what a processing stage did to them.

#include <cstddef>
#include <cstdint>
#include <vector>

// `frames` samples of a sine of `frequency` Hz at `rate`, starting at phase 0.
std::vector<float> Sine(double frequency, std::uint32_t rate, std::size_t frames,
                        float amplitude = 0.5f);
// `frames` zero samples.
std::vector<float> Silence(std::size_t frames);
// A click track: a short decaying burst at every beat of `bpm`, the first at frame 0.
std::vector<float> Clicks(double bpm, std::uint32_t rate, std::size_t frames,
                          float amplitude = 0.9f);
// Interleaves equally long channels into frames.
std::vector<float> Interleave(const std::vector<std::vector<float>>& channels);
// The same mono signal on every one of `channels` channels, interleaved.
std::vector<float> Replicate(const std::vector<float>& mono, std::size_t channels);

// Sign changes from negative to non-negative or back between consecutive samples of
// x[begin..end).
std::size_t ZeroCrossings(const std::vector<float>& x, std::size_t begin, std::size_t end);
// Root mean square of x[begin..end); 0 for an empty range.
double Rms(const std::vector<float>& x, std::size_t begin, std::size_t end);
