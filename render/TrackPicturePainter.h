#pragma once
// Draws a laid-out track picture with Qt's painter: the background, the mix segments shaded,
// the centre line, the waveform, then the marks as vertical lines. Every position comes from
// the picture, and every mark's colour, width and dash from the picture's mark styles, as the SVG
// drawing takes them.
//
// Lines and waveform columns are placed on whole device pixels of the painter's device (a line
// is at least one device pixel wide), so the picture stays crisp at a device pixel ratio of 1
// and of 2.

#include <QColor>

#include "picture/PicturePalette.h"
#include "picture/TrackPicture.h"

class QPainter;

// Paints `picture` over (0, 0)..(width, height) of `painter`'s logical coordinates. The
// painter's state (pen, brush, hints) is restored afterwards. An empty picture paints nothing.
void PaintTrackPicture(QPainter& painter, const TrackPicture& picture, const PicturePalette& palette);

// A palette colour (0xAARRGGBB) as Qt's colour.
QColor PaletteColor(std::uint32_t argb);
