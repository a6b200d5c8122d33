#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <set>

#include "render/TrackPicturePainter.h"

namespace {
constexpr int kWidth = 200;
constexpr int kHeight = 100;
constexpr int kRowAboveCentre = 10;  // a row clear of the centre line

QImage Paint(const TrackPicture& picture, const PicturePalette& palette, int ratio) {
    QImage image(picture.width * ratio, picture.height * ratio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);  // anything left unpainted shows
    image.setDevicePixelRatio(ratio);
    QPainter painter(&image);
    PaintTrackPicture(painter, picture, palette);
    return image;
}

TrackPicture Blank() {
    TrackPicture picture;
    picture.width = kWidth;
    picture.height = kHeight;
    picture.lastSecond = 10.0;
    picture.levels.assign(kWidth, 0.0f);
    return picture;
}

QRgb Opaque(std::uint32_t argb) { return PaletteColor(argb).rgba(); }

// How many device columns a mark of `kind` covers at `ratio`: its width, whole pixels, at least one.
int Columns(PictureMarkKind kind, int ratio) {
    const float width = PictureMarkStyleFor(kind, PicturePaletteFor(false)).width;
    return std::max(1, static_cast<int>(std::lround(width * ratio)));
}

// The colours of device columns [from, from + count) at `row`.
std::set<QRgb> ColumnColours(const QImage& image, int from, int count, int row) {
    std::set<QRgb> colours;
    for (int x = from; x < from + count; ++x) colours.insert(image.pixel(x, row));
    return colours;
}
}  // namespace

TEST(TrackPicturePainter, MarksCoverWholeDevicePixelsAtTheirPositionAtScaleOneAndTwo) {
    const PicturePalette palette = PicturePaletteFor(false);
    TrackPicture picture = Blank();
    picture.marks = {{PictureMarkKind::Bar, 50.0f},
                     {PictureMarkKind::Bar, 120.4f},
                     {PictureMarkKind::Section, 80.0f},
                     {PictureMarkKind::AudioStart, 0.0f},
                     {PictureMarkKind::AudioEnd, static_cast<float>(kWidth)}};
    for (int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        const QImage image = Paint(picture, palette, ratio);
        ASSERT_EQ(image.size(), QSize(kWidth * ratio, kHeight * ratio));
        const QRgb background = Opaque(palette.background);
        const QRgb bar = Opaque(palette.bar);
        const int row = kRowAboveCentre * ratio;
        // A bar starts at the device pixel of its x, its width in whole pixels, background beside.
        const int bars = Columns(PictureMarkKind::Bar, ratio);
        EXPECT_EQ(ColumnColours(image, 50 * ratio, bars, row), std::set<QRgb>{bar});
        EXPECT_EQ(image.pixel(50 * ratio - 1, row), background);
        EXPECT_EQ(image.pixel(50 * ratio + bars, row), background);
        EXPECT_EQ(ColumnColours(image, 120 * ratio, bars, row), std::set<QRgb>{bar});
        // The audio start and end; the end drawn just inside the right edge.
        const int extent = Columns(PictureMarkKind::AudioEnd, ratio);
        EXPECT_EQ(ColumnColours(image, 0, extent, row), std::set<QRgb>{Opaque(palette.extent)});
        EXPECT_EQ(ColumnColours(image, kWidth * ratio - extent, extent, row),
                  std::set<QRgb>{Opaque(palette.extent)});
        // A section is dashed: down its columns, only its colour and the background.
        std::set<QRgb> section;
        for (int y = 0; y < image.height(); y += 1)
            if (y < (kHeight / 2 - 1) * ratio || y > (kHeight / 2 + 1) * ratio)
                section.merge(ColumnColours(image, 80 * ratio, Columns(PictureMarkKind::Section, ratio), y));
        EXPECT_EQ(section, (std::set<QRgb>{Opaque(palette.section), background}));

        // Crisp: no blended edge anywhere, every pixel is one of the palette's opaque colours.
        std::set<QRgb> all;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) all.insert(image.pixel(x, y));
        EXPECT_EQ(all, (std::set<QRgb>{background, bar, Opaque(palette.section), Opaque(palette.extent),
                                       Opaque(palette.centreLine)}));
    }
}

TEST(TrackPicturePainter, WaveformColumnsReachTheirLevelsAndOldProfilesShowOnlyTheCentreLine) {
    const PicturePalette palette = PicturePaletteFor(true);
    TrackPicture picture = Blank();
    picture.hasWaveform = true;
    picture.levels[10] = 1.0f;
    picture.levels[11] = 0.5f;
    const QRgb wave = Opaque(palette.waveform);
    const QRgb background = Opaque(palette.background);
    for (int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        const QImage image = Paint(picture, palette, ratio);
        EXPECT_EQ(image.pixel(10 * ratio, 0), wave);
        EXPECT_EQ(image.pixel(10 * ratio, image.height() - 1), wave);
        // Half the half-height: from a quarter to three quarters of the height.
        EXPECT_EQ(image.pixel(11 * ratio, 25 * ratio - 1), background);
        EXPECT_EQ(image.pixel(11 * ratio, 25 * ratio), wave);
        EXPECT_EQ(image.pixel(11 * ratio, 75 * ratio - 1), wave);
        EXPECT_EQ(image.pixel(11 * ratio, 75 * ratio), background);
        EXPECT_EQ(image.pixel(12 * ratio, kRowAboveCentre), background);
        EXPECT_EQ(image.pixel(12 * ratio, 50 * ratio), Opaque(palette.centreLine));
    }
    // A profile kept before waveforms were: its levels are not drawn.
    picture.hasWaveform = false;
    const QImage old = Paint(picture, palette, 1);
    EXPECT_EQ(old.pixel(10, 0), background);
    EXPECT_EQ(old.pixel(10, 50), Opaque(palette.centreLine));
}

TEST(TrackPicturePainter, MixSegmentsAreShadedUnderTheMarksAndTheBeatGridIsDotted) {
    const PicturePalette palette = PicturePaletteFor(false);
    TrackPicture picture = Blank();
    picture.spans = {{30.0f, 60.0f}};
    picture.beatsShown = true;
    picture.marks = {{PictureMarkKind::Beat, 100.0f}, {PictureMarkKind::Bar, 40.0f}};
    const QImage image = Paint(picture, palette, 1);
    const QRgb background = Opaque(palette.background);
    const QRgb shaded = image.pixel(35, kRowAboveCentre);
    EXPECT_NE(shaded, background);
    EXPECT_EQ(image.pixel(59, kRowAboveCentre), shaded);
    EXPECT_EQ(image.pixel(29, kRowAboveCentre), background);
    EXPECT_EQ(image.pixel(60, kRowAboveCentre), background);
    EXPECT_EQ(image.pixel(40, kRowAboveCentre), Opaque(palette.bar));  // on top of the shading
    // The beat line has gaps.
    std::set<QRgb> beat;
    for (int y = 0; y < kHeight / 2 - 1; ++y) beat.insert(image.pixel(100, y));
    EXPECT_EQ(beat.size(), 2u);
    EXPECT_TRUE(beat.count(background));
}

TEST(TrackPicturePainter, AnEmptyPicturePaintsNothing) {
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    PaintTrackPicture(painter, TrackPicture{}, PicturePaletteFor(false));
    painter.end();
    EXPECT_EQ(image.pixel(5, 5), QColor(Qt::magenta).rgba());
}
