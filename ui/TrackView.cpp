#include "ui/TrackView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>

#include "catalog/CatItem.h"
#include "picture/PicturePalette.h"
#include "render/TrackPicturePainter.h"
#include "store/AnalysisStore.h"
#include "ui/EngineAccess.h"
#include "ui/EntryCells.h"
#include "ui/ProfileLookup.h"
#include "ui/StringTable.h"
#include "ui/TrackZoom.h"

namespace {
constexpr QSize kPreferredSize{480, 120};
constexpr QSize kSmallestSize{120, 40};
// Eighths of a degree in one notch of a mouse wheel.
constexpr double kWheelNotch = 120.0;
}  // namespace

CTrackView::CTrackView(QWidget* parent)
    : QWidget(parent),
      lookup_(new CProfileLookup(
          [this](std::uint64_t ticket, std::optional<CPfTrackProfile> profile) {
              TakeAnswer(ticket, std::move(profile));
          },
          this)) {
    setObjectName(QStringLiteral("trackView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CTrackView::~CTrackView() = default;

QSize CTrackView::sizeHint() const { return kPreferredSize; }

QSize CTrackView::minimumSizeHint() const { return kSmallestSize; }

void CTrackView::ShowEntry(std::uint32_t id) {
    if (id == entry_) return;
    entry_ = id;
    profile_.reset();
    range_ = {};
    Reload();
}

void CTrackView::EntryAnalysed(std::uint32_t id) {
    if (id != 0 && id == entry_) Reload();
}

void CTrackView::Reload() {
    ++ticket_;  // any answer on its way is out of date
    if (entry_ == 0) return Show(Content::Nothing);
    ComPtr<ICatalog> catalog = EngineCatalog();
    ComPtr<CCatItem> item;
    if (!catalog || FAILED(catalog->GetItem(entry_, item.Out()))) return Show(Content::Nothing);
    std::shared_ptr<CAnalysisStore> store = EngineAnalysisStore();
    if (!store || !store->IsOn()) return Show(Content::NoStore);
    // The picture shown so far stays until the answer comes, so a refresh does not flicker.
    if (!profile_) Show(Content::Waiting);
    lookup_->Request(ticket_, std::move(store), item->GetPath());
}

void CTrackView::TakeAnswer(std::uint64_t ticket, std::optional<CPfTrackProfile> profile) {
    if (ticket != ticket_) return;
    if (profile) {
        profile_ = std::move(profile);
        seconds_ = ProfileSeconds(*profile_);
        range_ = ClampedRange(range_, seconds_);
        picture_.reset();
        return Show(Content::Picture);
    }
    ComPtr<ICatalog> catalog = EngineCatalog();
    ComPtr<CCatItem> item;
    if (catalog && SUCCEEDED(catalog->GetItem(entry_, item.Out())) && ShowsAsFailed(*item.Get()))
        return Show(Content::Failed, FailureStatusText(*item.Get()));
    Show(Content::NotAnalysed);
}

void CTrackView::Show(Content content, QString message) {
    content_ = content;
    failure_ = std::move(message);
    if (content != Content::Picture) {
        profile_.reset();
        picture_.reset();
    }
    update();
    Q_EMIT ContentChanged();
}

QString CTrackView::Message() const {
    switch (content_) {
        case Content::NotAnalysed: return TwString(IDS_TRACK_NOT_ANALYSED);
        case Content::NoStore: return TwString(IDS_TRACK_NO_STORE);
        case Content::Failed: return failure_;
        // A profile measured before waveforms were kept draws its marks only, and says why.
        case Content::Picture:
            if (profile_ && profile_->waveform.empty()) return TwString(IDS_TRACK_NO_WAVEFORM);
            break;
        case Content::Nothing:
        case Content::Waiting: break;
    }
    return {};
}

double CTrackView::TimeAt(double x) const {
    return TimeAtFraction(range_, width() > 0 ? x / width() : 0.0);
}

const TrackPicture& CTrackView::Picture() {
    if (!picture_) {
        picture_ = profile_ ? LayOutTrackPicture(*profile_, width(), height(), range_) : TrackPicture{};
    }
    return *picture_;
}

void CTrackView::SetRange(const PictureRange& range) {
    range_ = range;
    picture_.reset();
    update();
    Q_EMIT ContentChanged();
}

bool CTrackView::DarkPalette() const { return palette().color(QPalette::Window).lightnessF() < 0.5; }

void CTrackView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const PicturePalette colours = PicturePaletteFor(DarkPalette());
    if (content_ == Content::Picture)
        PaintTrackPicture(painter, Picture(), colours);
    else
        painter.fillRect(rect(), PaletteColor(colours.background));
    const QString message = Message();
    if (message.isEmpty()) return;
    painter.setPen(PaletteColor(colours.text));
    painter.drawText(rect().adjusted(8, 0, -8, 0), Qt::AlignCenter | Qt::TextWordWrap, message);
}

void CTrackView::resizeEvent(QResizeEvent* event) {
    picture_.reset();
    QWidget::resizeEvent(event);
}

void CTrackView::wheelEvent(QWheelEvent* event) {
    if (content_ != Content::Picture || width() <= 0) return event->ignore();
    const double notches = event->angleDelta().y() / kWheelNotch;
    if (notches == 0.0) return event->ignore();
    const double fraction = event->position().x() / width();
    SetRange(ZoomedRange(range_, seconds_, fraction, std::pow(kZoomPerWheelNotch, notches)));
    event->accept();
}

void CTrackView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || content_ != Content::Picture) return QWidget::mousePressEvent(event);
    dragX_ = event->position().x();
    dragRange_ = range_;
    setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void CTrackView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragX_ || content_ != Content::Picture || width() <= 0) return QWidget::mouseMoveEvent(event);
    // The time under the pointer when the drag began stays under it.
    const double secondsPerPixel = (dragRange_.lastSecond - dragRange_.firstSecond) / width();
    SetRange(PannedRange(dragRange_, seconds_, (*dragX_ - event->position().x()) * secondsPerPixel));
    event->accept();
}

void CTrackView::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragX_) return QWidget::mouseReleaseEvent(event);
    dragX_.reset();
    unsetCursor();
    event->accept();
}

void CTrackView::changeEvent(QEvent* event) {
    // The colours follow the palette; the device pixel ratio is read from the device at each paint.
    if (event->type() == QEvent::PaletteChange) update();
    QWidget::changeEvent(event);
}
