#include "ui/DialogUnits.h"

#include <QFontMetrics>

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = sizeof kAlphabet - 1;
}  // namespace

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int total = metrics.horizontalAdvance(QLatin1String(kAlphabet));
    baseWidth_ = (total / (kAlphabetLength / 2) + 1) / 2;  // total / 52, rounded
    baseHeight_ = metrics.height();
}

QRect CDialogUnits::ToPixels(int x, int y, int width, int height) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height));
}

QSize CDialogUnits::ToPixels(QSize units) const {
    return QSize(ToPixelsX(units.width()), ToPixelsY(units.height()));
}
