#include "ui/BannerButton.h"

#include <QPainter>

#include "ui/Pictures.h"

namespace {
const QColor kBannerEndColour(0, 0, 0);
}

CBannerButton::CBannerButton(QWidget* parent) : QAbstractButton(parent) {
    setObjectName(QStringLiteral("bannerButton"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void CBannerButton::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (banner_.isNull() || banner_.devicePixelRatio() != ratio) banner_ = BannerPicture(ratio);
    QPainter painter(this);
    painter.fillRect(rect(), kBannerEndColour);
    painter.drawPixmap(QPoint(0, (height() - kBannerSize.height()) / 2), banner_);
}
