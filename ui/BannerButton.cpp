#include "ui/BannerButton.h"

#include <QPainter>

#include "ui/Pictures.h"
#include "ui/StringTable.h"

namespace {
const QColor kBannerEndColour(0, 0, 0);
const QColor kTaglineColour(0x9f, 0xb8, 0xd0);
constexpr int kTaglinePixelSize = 11;
constexpr int kTaglineBaseline = 17;  // from the top of the 26-pixel banner
}  // namespace

BannerLayout LayOutBanner(int width, const QString& tagline, const QFontMetrics& metrics) {
    BannerLayout layout;
    const int available = width - CBannerButton::kRightMargin - CBannerButton::kTaglineX;
    // The longest run of whole words that fits.
    const QStringList words = tagline.split(u' ', Qt::SkipEmptyParts);
    for (const QString& word : words) {
        const QString longer = layout.tagline.isEmpty() ? word : layout.tagline + u' ' + word;
        if (metrics.horizontalAdvance(longer) > available) break;
        layout.tagline = longer;
    }
    const int textWidth = layout.tagline.isEmpty() ? 0 : metrics.horizontalAdvance(layout.tagline);
    layout.taglineRect = QRect(CBannerButton::kTaglineX, kTaglineBaseline - metrics.ascent(), textWidth,
                               metrics.height());
    const int beatsX = CBannerButton::kTaglineX + textWidth + CBannerButton::kBeatsGap;
    if (layout.tagline == tagline && beatsX + kBannerBeatsSize.width() <= width - CBannerButton::kRightMargin)
        layout.beatsRect = QRect(QPoint(beatsX, 0), kBannerBeatsSize);
    return layout;
}

CBannerButton::CBannerButton(QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QStringLiteral("bannerButton"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    QFont taglineFont(QStringLiteral("Liberation Sans"));
    taglineFont.setPixelSize(kTaglinePixelSize);
    setFont(taglineFont);
}

BannerLayout CBannerButton::Layout() const {
    return LayOutBanner(width(), TwString(IDS_BANNER_TAGLINE), fontMetrics());
}

void CBannerButton::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (banner_.isNull() || banner_.devicePixelRatio() != ratio) {
        banner_ = BannerPicture(ratio);
        beats_ = BannerBeatsPicture(ratio);
    }
    QPainter painter(this);
    painter.fillRect(rect(), kBannerEndColour);
    const int top = (height() - kBannerSize.height()) / 2;
    painter.drawPixmap(QPoint(0, top), banner_);

    const BannerLayout layout = Layout();
    painter.setPen(kTaglineColour);
    painter.setFont(font());
    painter.drawText(QPoint(layout.taglineRect.x(), top + kTaglineBaseline), layout.tagline);
    if (!layout.beatsRect.isEmpty()) painter.drawPixmap(layout.beatsRect.topLeft() + QPoint(0, top), beats_);
}
