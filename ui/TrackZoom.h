#pragma once
// The part of a track the track view shows, and how the mouse wheel and a drag move it. Times
// are seconds from the start of the track; `total` is the track's whole length.

#include "picture/TrackPicture.h"

// The shortest span the view zooms in to (or the whole track when it is shorter).
constexpr double kShortestVisibleSeconds = 1.0;
// How much one wheel notch (120 eighths of a degree) zooms in.
constexpr double kZoomPerWheelNotch = 1.25;

// The whole track.
PictureRange WholeTrack(double total);

// `range` kept inside 0..total and no shorter than kShortestVisibleSeconds, moved rather than
// cut where it sticks out; an empty or inverted range becomes the whole track.
PictureRange ClampedRange(PictureRange range, double total);

// The time at `fraction` (0 left edge .. 1 right edge) of the view showing `range`.
double TimeAtFraction(const PictureRange& range, double fraction);

// `range` zoomed in by `factor` (below 1 zooms out) so that the time at `fraction` of the width
// stays where it is, then clamped; at the track's ends the clamp may shift it.
PictureRange ZoomedRange(const PictureRange& range, double total, double fraction, double factor);

// `range` moved later by `seconds` (earlier when negative), kept inside the track.
PictureRange PannedRange(const PictureRange& range, double total, double seconds);
