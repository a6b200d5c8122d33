#pragma once
// The banner bar's wide button: it shows the banner picture from its left edge, continues the
// banner's dark end colour to its right edge, and opens the product page when clicked. It asks
// for the full width of the bar's separator but yields to a narrower window, so that the bar's
// Help button stays in view.

#include <QAbstractButton>
#include <QPixmap>

class CBannerButton : public QAbstractButton {
    Q_OBJECT
public:
    // The width of the bar's separator that the button covers, and the bar's button height.
    static constexpr int kWidth = 2000;
    static constexpr int kHeight = 26;

    explicit CBannerButton(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {kWidth, kHeight}; }
    QSize minimumSizeHint() const override { return {kHeight, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap banner_;
};
