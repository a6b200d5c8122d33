#pragma once
// The track picture as an SVG document, written directly: the waveform as one path, every mark
// as a line with a class per kind, the mix segments as shaded rectangles and a one-line caption.

#include <string>

#include "picture/TrackPicture.h"

// Auto: the light palette, and the dark one where the viewer prefers a dark scheme (through an
// embedded `@media (prefers-color-scheme: dark)` style). Light and Dark fix one palette.
enum class PictureTheme { Auto, Light, Dark };

struct SvgPictureOptions {
    PictureTheme theme = PictureTheme::Auto;
    // The document's width and height are the picture's logical size times this (1 or 2); its
    // viewBox stays in logical pixels, so it scales to any size without change.
    int scale = 1;
    std::string caption;  // UTF-8, drawn at the top left; none when empty
};

// The SVG document (UTF-8) of `picture`. Classes: "background", "span", "wave", "centre",
// "beat", "bar", "section", "audio-start", "audio-end", "caption". A picture of size 0 gives an
// empty document of that size.
std::string WriteTrackPictureSvg(const TrackPicture& picture, const SvgPictureOptions& options = {});
