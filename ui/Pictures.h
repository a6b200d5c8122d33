#pragma once
// The program's pictures, drawn from the vector art in resources/ at the sizes the windows use,
// and at twice that size for high-density screens.

#include <QIcon>
#include <QPixmap>
#include <QSize>

// Toolbar images: one strip of five 20 x 20 images in the order Import, Export, Rescan, Print,
// Help, drawn normally and "hot" (while the pointer rests on the button).
inline constexpr int kToolbarImageSize = 20;
inline constexpr int kToolbarImageCount = 5;
// The banner bar's picture.
inline constexpr QSize kBannerSize{1500, 26};

// How art whose shape differs from the pixmap's is fitted: stretched to the pixmap, or scaled
// to cover it with its shape kept (left edge and vertical middle kept, the rest cut).
enum class PictureFit { Stretch, Cover };

// Renders the SVG resource `resource` into a pixmap of `size` logical pixels at `ratio` device
// pixels per logical pixel (transparent where the art is). A null pixmap when the resource is
// missing or not valid SVG.
QPixmap RenderPicture(const QString& resource, QSize size, qreal ratio,
                      PictureFit fit = PictureFit::Stretch);

// Toolbar image `index` (0..4) with its normal and hot images at 1x and 2x; a null icon for any
// other index.
QIcon ToolbarIcon(int index);

// The banner at kBannerSize and `ratio`: its background, the product mark and name.
QPixmap BannerPicture(qreal ratio);
// The beat bars drawn after the banner's tagline, at kBannerBeatsSize and `ratio`.
inline constexpr QSize kBannerBeatsSize{100, 26};
QPixmap BannerBeatsPicture(qreal ratio);

// The exit dialog's banner scaled to cover `size`.
QPixmap ExitBannerPicture(QSize size, qreal ratio);

// The program's icon at the usual icon sizes.
QIcon ProgramIcon();
