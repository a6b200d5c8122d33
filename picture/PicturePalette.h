#pragma once
// The colours of the track picture for a light and a dark background.

#include <cstdint>

#include "picture/TrackPicture.h"

struct PicturePalette {  // colours as 0xAARRGGBB
    std::uint32_t background, waveform, centreLine, beat, bar, section, extent, span, text;
};

// The palette of the dark or the light theme. Both read clearly on their background; the marks
// differ by colour and, as drawn, by dash and width, so they also read in grey.
PicturePalette PicturePaletteFor(bool dark);

// How a mark's line is drawn, the same in every drawing of the picture: its colour in `palette`,
// its width in logical pixels and its dash (`dash` on, `gap` off; 0 and 0 for a solid line).
struct PictureMarkStyle {
    std::uint32_t colour;
    float width;
    float dash;
    float gap;
};
PictureMarkStyle PictureMarkStyleFor(PictureMarkKind kind, const PicturePalette& palette);
