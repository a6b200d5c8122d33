#pragma once
// The banner bar's wide button: it shows the banner picture from its left edge, continues the
// banner's dark end colour to its right edge, and opens the product page when clicked. It asks
// for the full width of the bar's separator but yields to a narrower window, so that the bar's
// Help button stays in view. The tagline after the product name is laid out at the button's
// width: whole words only, and the beat bars after it only where they fit.

#include <QAbstractButton>
#include <QFontMetrics>
#include <QPixmap>
#include <QRect>

// Where the banner's tagline and beat bars go at one width.
struct BannerLayout {
    QString tagline;  // the words of the tagline that fit whole (possibly none)
    QRect taglineRect;
    QRect beatsRect;  // empty when the bars do not fit after the tagline
};

// Lays out `tagline` from kTaglineX for a banner `width` pixels wide, measured with `metrics`.
BannerLayout LayOutBanner(int width, const QString& tagline, const QFontMetrics& metrics);

class CBannerButton : public QAbstractButton {
    Q_OBJECT
public:
    // The width of the bar's separator that the button covers, and the bar's button height.
    static constexpr int kWidth = 2000;
    static constexpr int kHeight = 26;
    // Where the tagline starts (just after the product name), the gap before the beat bars,
    // and the margin kept free at the right edge.
    static constexpr int kTaglineX = 252;
    static constexpr int kBeatsGap = 16;
    static constexpr int kRightMargin = 6;

    explicit CBannerButton(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {kWidth, kHeight}; }
    QSize minimumSizeHint() const override { return {kHeight, kHeight}; }

    // The layout at the button's current width and font.
    BannerLayout Layout() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap banner_;
    QPixmap beats_;
};
