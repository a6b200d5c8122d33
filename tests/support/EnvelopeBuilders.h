#pragma once
// Envelopes for the rhythm tests: hand-set entries and synthetic click tracks.

#include <cstdint>
#include <vector>

#include "audio/PcmThumbnail.h"

// A thumbnail holding `values`, with `decimation` frames per entry at `rate`.
CPfPcmThumbnail EnvelopeOf(const std::vector<float>& values, std::uint32_t rate = 44100,
                           std::uint32_t decimation = 256);

// The entries of a thumbnail, in order.
std::vector<float> EntriesOf(const CPfPcmThumbnail& thumbnail);

// A steady click track at `bpm` as an energy envelope (44100 Hz, one entry per 256 frames):
// a click of 1 on every beat and one of `offBeat` on every off-beat, each decaying over a few
// dozen entries, over low deterministic noise drawn from `seed`. `firstBeatSeconds` places the
// first beat.
CPfPcmThumbnail ClickEnvelope(double bpm, double seconds, double firstBeatSeconds = 0.37,
                              std::uint32_t seed = 1, float offBeat = 0.45f);
