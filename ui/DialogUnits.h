#pragma once
// Dialog layouts are given in dialog units, which scale with the dialog's font: a horizontal unit
// is a quarter of the font's average character width, a vertical unit an eighth of its height.
// The average width is that of the 52 letters A-Z and a-z, rounded.

#include <QFont>
#include <QRect>
#include <QSize>

class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);
    // From explicit base units (average character width and height in pixels).
    CDialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

    int ToPixelsX(int units) const { return units * baseWidth_ / 4; }
    int ToPixelsY(int units) const { return units * baseHeight_ / 8; }
    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(QSize units) const;

private:
    int baseWidth_;
    int baseHeight_;
};
