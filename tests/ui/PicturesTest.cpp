#include <gtest/gtest.h>

#include <QImage>

#include "ui/Pictures.h"

namespace {
// True when some pixel of the image is not fully transparent.
bool HasInk(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0) return true;
    return false;
}
}  // namespace

TEST(Pictures, ToolbarImagesHaveNormalAndHotFormsAtBothDensities) {
    for (int i = 0; i < kToolbarImageCount; ++i) {
        const QIcon icon = ToolbarIcon(i);
        const QPixmap normal = icon.pixmap(QSize(20, 20), 1.0, QIcon::Normal);
        const QPixmap hot = icon.pixmap(QSize(20, 20), 1.0, QIcon::Active);
        const QPixmap sharp = icon.pixmap(QSize(20, 20), 2.0, QIcon::Normal);
        EXPECT_EQ(normal.size(), QSize(20, 20)) << i;
        EXPECT_EQ(sharp.size(), QSize(40, 40)) << i;
        EXPECT_TRUE(HasInk(normal)) << i;
        EXPECT_TRUE(HasInk(sharp)) << i;
        EXPECT_NE(normal.toImage(), hot.toImage()) << i;
        // Each image is its own square of the strip, not its neighbour's.
        if (i > 0) {
            EXPECT_NE(normal.toImage(), ToolbarIcon(i - 1).pixmap(QSize(20, 20), 1.0).toImage()) << i;
        }
    }
    EXPECT_TRUE(ToolbarIcon(kToolbarImageCount).isNull());
    EXPECT_TRUE(ToolbarIcon(-1).isNull());
}

TEST(Pictures, BannerAndIconRenderAtTheirSizes) {
    const QPixmap banner = BannerPicture(2.0);
    EXPECT_EQ(banner.size(), QSize(3000, 52));
    EXPECT_EQ(banner.deviceIndependentSize().toSize(), kBannerSize);
    EXPECT_TRUE(HasInk(BannerPicture(1.0)));
    const QPixmap exitBanner = ExitBannerPicture(QSize(400, 60), 1.0);
    EXPECT_EQ(exitBanner.size(), QSize(400, 60));
    // Covered, not letterboxed: the bottom-right corner is painted too.
    EXPECT_EQ(qAlpha(exitBanner.toImage().pixel(399, 59)), 255);
    EXPECT_FALSE(ProgramIcon().availableSizes().isEmpty());
    EXPECT_TRUE(RenderPicture(QStringLiteral(":/pictures/missing.svg"), QSize(10, 10), 1.0).isNull());
}
