#pragma once
// The colours of the track picture for a light and a dark background.

#include <cstdint>

struct PicturePalette {  // colours as 0xAARRGGBB
    std::uint32_t background, waveform, centreLine, beat, bar, section, extent, span, text;
};

// The palette of the dark or the light theme. Both read clearly on their background; the marks
// differ by colour and, as drawn, by dash and width, so they also read in grey.
PicturePalette PicturePaletteFor(bool dark);
