#pragma once
// The one arithmetic by which a frame of several channels becomes a mono sample: the channels
// added in channel order, the sum times 1 / channels. The sample converter and the decoder
// components share it, so that a mix done in a component equals the converter's bit for bit.

#include <cstddef>

// The factor that the channel sum is multiplied by.
inline float MonoMixFactor(std::size_t channels) {
    return 1.0f / static_cast<float>(channels);
}

// `sampleAt(c)` gives channel c of the frame; `channels` is at least 1.
template <class SampleAt>
inline float MixFrameToMono(SampleAt sampleAt, std::size_t channels, float factor) {
    float sum = sampleAt(0);
    for (std::size_t c = 1; c < channels; ++c) sum = sum + sampleAt(c);
    return sum * factor;
}
