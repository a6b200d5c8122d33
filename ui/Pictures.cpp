#include "ui/Pictures.h"

#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>

namespace {
constexpr char kToolbarNormal[] = ":/pictures/toolbar.svg";
constexpr char kToolbarHot[] = ":/pictures/toolbar-hot.svg";
constexpr char kBanner[] = ":/pictures/banner.svg";
constexpr char kBannerBeats[] = ":/pictures/banner-beats.svg";
constexpr char kExitBanner[] = ":/pictures/exit-banner.svg";
constexpr char kProgramIcon[] = ":/pictures/tempowright.svg";
constexpr qreal kRatios[] = {1.0, 2.0};
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// One image of a toolbar strip: the whole strip rendered at the ratio, then the image's square.
QPixmap StripImage(const char* strip, int index, qreal ratio) {
    const QPixmap whole = RenderPicture(QLatin1String(strip),
                                        QSize(kToolbarImageSize * kToolbarImageCount, kToolbarImageSize),
                                        ratio);
    if (whole.isNull()) return {};
    const int side = qRound(kToolbarImageSize * ratio);
    QPixmap image = whole.copy(index * side, 0, side, side);
    image.setDevicePixelRatio(ratio);
    return image;
}
}  // namespace

QPixmap RenderPicture(const QString& resource, QSize size, qreal ratio, PictureFit fit) {
    QSvgRenderer renderer(resource);
    if (!renderer.isValid() || size.isEmpty()) return {};
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QRectF target(QPointF(0, 0), QSizeF(pixmap.size()));
    if (fit == PictureFit::Cover && !renderer.defaultSize().isEmpty()) {
        const QSizeF art = renderer.defaultSize();
        const qreal scale = std::max(target.width() / art.width(), target.height() / art.height());
        target.setSize(art * scale);
        target.moveTop((pixmap.height() - target.height()) / 2);
    }
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, target);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

QIcon ToolbarIcon(int index) {
    if (index < 0 || index >= kToolbarImageCount) return {};
    QIcon icon;
    for (qreal ratio : kRatios) {
        icon.addPixmap(StripImage(kToolbarNormal, index, ratio), QIcon::Normal);
        icon.addPixmap(StripImage(kToolbarHot, index, ratio), QIcon::Active);
    }
    return icon;
}

QPixmap BannerPicture(qreal ratio) { return RenderPicture(QLatin1String(kBanner), kBannerSize, ratio); }

QPixmap BannerBeatsPicture(qreal ratio) {
    return RenderPicture(QLatin1String(kBannerBeats), kBannerBeatsSize, ratio);
}

QPixmap ExitBannerPicture(QSize size, qreal ratio) {
    return RenderPicture(QLatin1String(kExitBanner), size, ratio, PictureFit::Cover);
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int side : kIconSizes) icon.addPixmap(RenderPicture(QLatin1String(kProgramIcon), {side, side}, 1.0));
    return icon;
}
