#pragma once
// The geometry of a track's picture, computed from its profile in logical pixels: one waveform
// level per pixel column, the marks (beats, bars, sections, audio start and end) as x positions
// and the two mix segments as shaded spans. Every drawing of the picture (SVG, Qt painter) only
// draws what this lists; none computes a position itself.

#include <vector>

#include "profile/TrackProfile.h"

enum class PictureMarkKind : unsigned char { Beat, Bar, Section, AudioStart, AudioEnd };

struct PictureMark {
    PictureMarkKind kind;
    float x;  // logical pixels, 0..width
};

struct PictureSpan {  // a mix segment, shaded
    float x0;
    float x1;
};

// The visible time span; lastSecond <= firstSecond asks for the whole track.
struct PictureRange {
    double firstSecond = 0;
    double lastSecond = 0;
};

struct TrackPicture {
    int width = 0, height = 0;               // logical pixels
    double firstSecond = 0, lastSecond = 0;  // the span actually shown (clamped)
    std::vector<float> levels;               // one per pixel column, 0..1: waveform half-height
    bool hasWaveform = false;                // false for a profile stored before waveforms were kept
    bool beatsShown = false;                 // the beat grid is listed only when beats are >= 4 px apart
    std::vector<PictureMark> marks;          // sorted by kind, then by x
    std::vector<PictureSpan> spans;          // the start and end mix segments, in this order
};

// Largest width and height of a picture in logical pixels: larger ones are refused rather than
// allocated.
constexpr int kMaxPictureSide = 16384;

// The whole length of the track in seconds; 0 for a profile without a sample rate.
double ProfileSeconds(const CPfTrackProfile& profile);

// `range` inside a track of `total` seconds: an empty, inverted or not finite range is the whole
// track, a span longer than the track is cut to it, and one reaching past either end is moved
// inside keeping its length.
PictureRange ClampPictureRange(PictureRange range, double total);

// Lays out `profile` on `width` × `height` logical pixels over `range`. The range is clamped to
// the track: a span longer than the track shows the whole track, one reaching past either end is
// moved inside it keeping its length. A column's level is the largest waveform entry under it, so
// that a short peak survives any zoom. A width or height below 1 gives an empty picture of size
// 0 × 0; a profile without a length gives no marks and no levels.
TrackPicture LayOutTrackPicture(const CPfTrackProfile& profile, int width, int height,
                                PictureRange range = {});
