#include "render/TrackPicturePainter.h"

#include <QLineF>
#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Snaps logical coordinates to the device's pixel grid.
class CPixelGrid {
public:
    explicit CPixelGrid(double ratio) : ratio_(ratio > 0.0 ? ratio : 1.0) {}

    // The nearest device pixel edge, in logical units.
    double Edge(double logical) const { return std::round(logical * ratio_) / ratio_; }

    // The centre of a vertical line `width` logical pixels wide whose left edge is the device
    // pixel edge at or left of `x`: a line of a whole number of device pixels then covers whole
    // pixels instead of two half-lit ones. A line at the right edge (x = `extent`) is drawn
    // just inside it.
    double LineCentre(double x, double width, double extent) const {
        const double devicePixels = std::max(1.0, std::round(width * ratio_));
        const double left = std::clamp(std::floor(x * ratio_), 0.0, std::max(0.0, extent * ratio_ - devicePixels));
        return (left + devicePixels / 2.0) / ratio_;
    }

    double LineWidth(double width) const { return std::max(1.0, std::round(width * ratio_)) / ratio_; }

private:
    double ratio_;
};

void PaintWaveform(QPainter& painter, const TrackPicture& picture, const CPixelGrid& grid,
                   const PicturePalette& palette) {
    const double middle = picture.height / 2.0;
    painter.setPen(Qt::NoPen);
    painter.fillRect(QRectF(0.0, grid.Edge(middle), picture.width, grid.LineWidth(1.0)),
                     PaletteColor(palette.centreLine));
    if (!picture.hasWaveform) return;
    std::vector<QRectF> columns;
    columns.reserve(picture.levels.size());
    for (std::size_t column = 0; column < picture.levels.size(); ++column) {
        const double half = picture.levels[column] * middle;
        const double top = grid.Edge(middle - half);
        const double bottom = grid.Edge(middle + half);
        if (bottom > top) columns.emplace_back(static_cast<double>(column), top, 1.0, bottom - top);
    }
    painter.setBrush(PaletteColor(palette.waveform));
    painter.drawRects(columns.data(), static_cast<int>(columns.size()));
}

void PaintMarks(QPainter& painter, const TrackPicture& picture, const CPixelGrid& grid,
                const PicturePalette& palette) {
    painter.setBrush(Qt::NoBrush);
    std::vector<QLineF> lines;
    // The marks come sorted by kind: one pen and one batch of lines per kind.
    for (std::size_t i = 0; i < picture.marks.size();) {
        const PictureMarkKind kind = picture.marks[i].kind;
        const PictureMarkStyle style = PictureMarkStyleFor(kind, palette);
        lines.clear();
        for (; i < picture.marks.size() && picture.marks[i].kind == kind; ++i) {
            const double x = grid.LineCentre(picture.marks[i].x, style.width, picture.width);
            lines.emplace_back(x, 0.0, x, static_cast<double>(picture.height));
        }
        const double width = grid.LineWidth(style.width);
        QPen pen(PaletteColor(style.colour), width, Qt::SolidLine, Qt::FlatCap);
        // Qt counts a dash in pen widths.
        if (style.dash > 0.0f) pen.setDashPattern({style.dash / width, style.gap / width});
        painter.setPen(pen);
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
}

}  // namespace

QColor PaletteColor(std::uint32_t argb) { return QColor::fromRgba(argb); }

void PaintTrackPicture(QPainter& painter, const TrackPicture& picture, const PicturePalette& palette) {
    if (picture.width < 1 || picture.height < 1) return;
    painter.save();
    // Everything lies on whole device pixels; smoothing would only blur the edges.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const CPixelGrid grid(painter.device() ? painter.device()->devicePixelRatioF() : 1.0);
    painter.fillRect(QRectF(0.0, 0.0, picture.width, picture.height), PaletteColor(palette.background));
    for (const PictureSpan& span : picture.spans) {
        const double x0 = grid.Edge(span.x0);
        const double x1 = grid.Edge(span.x1);
        if (x1 > x0) painter.fillRect(QRectF(x0, 0.0, x1 - x0, picture.height), PaletteColor(palette.span));
    }
    PaintWaveform(painter, picture, grid, palette);
    PaintMarks(painter, picture, grid, palette);
    painter.restore();
}
