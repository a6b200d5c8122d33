#include <QAbstractButton>
#include <QCoreApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <fstream>

#include "picture/PicturePalette.h"
#include "render/TrackPicturePainter.h"
#include "store/AnalysisStore.h"
#include "tests/support/PictureProfiles.h"
#include "tests/ui/UiFixture.h"
#include "ui/AppSettings.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"
#include "ui/TrackView.h"

using TrackViewTest = UiFixture;

namespace {
constexpr double kTenMinutes = 600.0;
constexpr double kPaintBudgetMs = 50.0;

void Wheel(CTrackView& view, double x, int notches) {
    const QPointF at(x, view.height() / 2.0);
    QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&view, &event);
}

void Mouse(CTrackView& view, QEvent::Type type, double x, Qt::MouseButtons buttons) {
    const QPointF at(x, view.height() / 2.0);
    QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &event);
}

int PixelsOf(const QImage& image, std::uint32_t argb) {
    const QRgb colour = PaletteColor(argb).rgba();
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
    return count;
}

void AnswerExitDialog() {
    WhenModalShows(QStringLiteral("exitDialog"), [](QWidget& dialog) {
        dialog.findChild<QAbstractButton*>(QStringLiteral("closeButton"))->click();
    });
}
}  // namespace

class TrackViewWithProfile : public UiFixture {
protected:
    // One entry whose file's stored profile is a made-up ten-minute track at 128 BPM, selected
    // and shown.
    void ShowTenMinuteTrack() {
        AddEntries({{"long.wav", "Long", "", "128"}});
        WriteClickTrack(music.Path() / "long.wav", 128.0, 2.0);
        ASSERT_TRUE(EngineAnalysisStore()->Record(music.W("long.wav"), MadeUpProfile(128.0, kTenMinutes), "128.00"));
        SelectRows({0});
        ASSERT_TRUE(WaitFor([&] { return Track().Shows() == CTrackView::Content::Picture; }));
        ASSERT_GT(Track().width(), 100);
    }
    CTrackView& Track() { return *Frame().TrackView(); }
};

TEST_F(TrackViewTest, FollowsTheSelectionAndSaysWhyThereIsNoPicture) {
    CTrackView& track = *Frame().TrackView();
    // Entries whose BPM came from a tag were never analysed; one without a BPM failed (its file
    // is missing).
    const std::vector<std::uint32_t> ids =
        AddEntries({{"a.wav", "A", "", "120"}, {"b.wav", "B", "", "121"}, {"c.wav", "C", "", ""}});
    EXPECT_EQ(track.Entry(), 0u);
    EXPECT_EQ(track.Shows(), CTrackView::Content::Nothing);

    SelectRows({0});
    EXPECT_EQ(track.Entry(), ids[0]);
    ASSERT_TRUE(WaitFor([&] { return track.Shows() == CTrackView::Content::NotAnalysed; }));
    EXPECT_EQ(track.Message(), QStringLiteral("Not analysed yet"));
    SelectRows({1});
    EXPECT_EQ(track.Entry(), ids[1]);
    SelectRows({2});
    EXPECT_EQ(track.Entry(), ids[2]);
    ASSERT_TRUE(WaitFor([&] { return track.Shows() == CTrackView::Content::Failed; }));
    EXPECT_EQ(track.Message(), QStringLiteral("Analysis failed: the file is not there"));

    // Of several selected rows, the current one; none selected, nothing.
    View().setCurrentIndex(View().Rows().index(1, 0));
    SelectRows({0, 1});
    EXPECT_EQ(track.Entry(), ids[1]);
    View().clearSelection();
    EXPECT_EQ(track.Entry(), 0u);
    EXPECT_EQ(track.Shows(), CTrackView::Content::Nothing);
    // A rebuilt list has no selection.
    SelectRows({0});
    Action("actionDelete").trigger();
    EXPECT_EQ(track.Entry(), 0u);
}

TEST_F(TrackViewTest, WithoutAnAnalysisStoreItSaysSo) {
    StopApp();
    // The store's folder cannot be made under a plain file: the program runs without a store.
    const std::filesystem::path notAFolder = dataHome.Path() / "file";
    std::ofstream(notAFolder) << "x";
    setenv("XDG_DATA_HOME", notAFolder.c_str(), 1);
    StartApp();
    AddEntries({{"a.wav", "A", "", "120"}});
    SelectRows({0});
    EXPECT_EQ(Frame().TrackView()->Shows(), CTrackView::Content::NoStore);
    EXPECT_TRUE(Frame().TrackView()->Message().contains(QStringLiteral("No analysis store")));
}

TEST_F(TrackViewTest, ShowsThePictureOnceTheTracksAnalysisFinishes) {
    CTrackView& track = *Frame().TrackView();
    AddEntries({{"click.wav", "Click", "", "120"}});
    WriteClickTrack(music.Path() / "click.wav", 120.0, 20.0);
    SelectRows({0});
    ASSERT_TRUE(WaitFor([&] { return track.Shows() == CTrackView::Content::NotAnalysed; }));

    Action("actionRescanSelected").trigger();
    ASSERT_TRUE(WaitFor([&] { return track.Shows() == CTrackView::Content::Picture; }, 240000));
    const TrackPicture& picture = track.Picture();
    EXPECT_TRUE(picture.hasWaveform);
    EXPECT_GT(*std::max_element(picture.levels.begin(), picture.levels.end()), 0.5f);
    EXPECT_NEAR(picture.lastSecond, 20.0, 0.01);
    const auto has = [&](PictureMarkKind kind) {
        return std::any_of(picture.marks.begin(), picture.marks.end(),
                           [kind](const PictureMark& mark) { return mark.kind == kind; });
    };
    EXPECT_TRUE(has(PictureMarkKind::AudioStart));
    EXPECT_TRUE(has(PictureMarkKind::AudioEnd));
    EXPECT_TRUE(has(PictureMarkKind::Section));
}

TEST_F(TrackViewWithProfile, WheelZoomsAroundThePointerAndDragPans) {
    ShowTenMinuteTrack();
    CTrackView& track = Track();
    EXPECT_DOUBLE_EQ(track.Range().firstSecond, 0.0);
    EXPECT_DOUBLE_EQ(track.Range().lastSecond, kTenMinutes);
    EXPECT_FALSE(track.Picture().beatsShown);

    const double x = 0.3 * track.width();
    const double pointed = track.TimeAt(x);
    for (int notch = 0; notch < 12; ++notch) {
        Wheel(track, x, 1);
        EXPECT_NEAR(track.TimeAt(x), pointed, 1e-6) << notch;
    }
    EXPECT_LT(track.Range().lastSecond - track.Range().firstSecond, kTenMinutes / 10);
    // Zoomed in this far, the beat grid shows.
    EXPECT_TRUE(track.Picture().beatsShown);

    // Dragging right moves the time under the pointer along with it.
    const double grabbed = track.TimeAt(100.0);
    Mouse(track, QEvent::MouseButtonPress, 100.0, Qt::LeftButton);
    Mouse(track, QEvent::MouseMove, 130.0, Qt::LeftButton);
    Mouse(track, QEvent::MouseMove, 160.0, Qt::LeftButton);
    Mouse(track, QEvent::MouseButtonRelease, 160.0, Qt::NoButton);
    EXPECT_NEAR(track.TimeAt(160.0), grabbed, 1e-6);

    // Zooming out stops at the whole track.
    Wheel(track, x, -60);
    EXPECT_DOUBLE_EQ(track.Range().firstSecond, 0.0);
    EXPECT_DOUBLE_EQ(track.Range().lastSecond, kTenMinutes);
}

TEST_F(TrackViewWithProfile, PaintsATenMinuteTrackQuicklyAndAScreenshotShowsIt) {
    ShowTenMinuteTrack();
    CTrackView& track = Track();
    // A wide window: a column for every 0.3 s of the track.
    Frame().resize(2000, 700);
    ASSERT_TRUE(WaitFor([&] { return track.width() > 1900; }));
    // Each paint follows a zoom, so it lays the picture out anew as well.
    qint64 slowestNs = 0;
    for (int run = 0; run < 5; ++run) {
        Wheel(track, track.width() / 2.0, 1);
        Wheel(track, track.width() / 2.0, -1);
        QElapsedTimer clock;
        clock.start();
        const QPixmap shot = track.grab();
        slowestNs = std::max(slowestNs, clock.nsecsElapsed());
        ASSERT_FALSE(shot.isNull());
    }
    const double slowestMs = slowestNs / 1e6;
    std::printf("[ measure  ] ten-minute track, layout and paint at %dx%d: slowest of 5 %.2f ms\n",
                track.width(), track.height(), slowestMs);
    EXPECT_LT(slowestMs, kPaintBudgetMs);

    // The whole window's screenshot holds the waveform, in the palette's colours.
    const QImage window = Frame().grab().toImage();
    EXPECT_GT(PixelsOf(window, PicturePaletteFor(false).waveform), track.width() * track.height() / 10);
    QPalette dark = track.palette();
    dark.setColor(QPalette::Window, Qt::black);
    track.setPalette(dark);
    const QImage darkShot = track.grab().toImage();
    EXPECT_GT(PixelsOf(darkShot, PicturePaletteFor(true).waveform), track.width() * track.height() / 10);
    EXPECT_EQ(PixelsOf(darkShot, PicturePaletteFor(false).waveform), 0);
}

TEST_F(TrackViewTest, AProfileKeptWithoutAWaveformDrawsItsMarksAndSaysHowToGetOne) {
    CTrackView& track = *Frame().TrackView();
    AddEntries({{"old.wav", "Old", "", "128"}});
    WriteClickTrack(music.Path() / "old.wav", 128.0, 2.0);
    // A profile as an earlier version of the program kept it: marks, but no waveform.
    CPfTrackProfile profile = MadeUpProfile(128.0, 60.0);
    profile.waveform.clear();
    ASSERT_TRUE(EngineAnalysisStore()->Record(music.W("old.wav"), profile, "128.00"));
    SelectRows({0});
    ASSERT_TRUE(WaitFor([&] { return track.Shows() == CTrackView::Content::Picture; }));
    EXPECT_FALSE(track.Picture().hasWaveform);
    EXPECT_FALSE(track.Picture().marks.empty());
    EXPECT_TRUE(track.Message().contains(QStringLiteral("rescan")));
}

TEST_F(TrackViewTest, ShownStateAndHeightAreRememberedAcrossRuns) {
    QDockWidget* dock = Frame().TrackDock();
    EXPECT_TRUE(Action("actionTrackView").isChecked());
    EXPECT_TRUE(dock->isVisible());
    EXPECT_GT(dock->y(), View().y() + View().height() - 1);  // below the list

    Frame().resizeDocks({dock}, {220}, Qt::Vertical);
    ASSERT_TRUE(WaitFor([&] { return std::abs(dock->height() - 220) <= 2; }));
    const int height = dock->height();
    AnswerExitDialog();
    Frame().close();
    EXPECT_TRUE(CAppSettings().TrackViewShown());
    EXPECT_EQ(CAppSettings().TrackViewHeight(), height);
    StopApp();
    StartApp();
    EXPECT_TRUE(WaitFor([&] { return Frame().TrackDock()->height() == height; }, 2000))
        << Frame().TrackDock()->height();

    // Hidden with its own close button, the command follows; hidden it stays after a restart.
    Frame().TrackDock()->close();
    EXPECT_FALSE(Action("actionTrackView").isChecked());
    AnswerExitDialog();
    Frame().close();
    StopApp();
    StartApp();
    EXPECT_FALSE(Action("actionTrackView").isChecked());
    EXPECT_FALSE(Frame().TrackDock()->isVisible());
    Action("actionTrackView").trigger();
    EXPECT_TRUE(Frame().TrackDock()->isVisible());
    EXPECT_EQ(CAppSettings().TrackViewHeight(), height);
}
