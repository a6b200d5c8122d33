#pragma once
// The track view below the list: the selected track's picture (waveform, bar and section marks,
// audio start and end, mix segments shaded, and the beat grid once zoomed in far enough) drawn
// from the profile the analysis store keeps for its file. The store is asked on a worker thread,
// never on the UI thread, and nothing is analysed here: a track without a stored profile shows
// "Not analysed yet" until its analysis finishes.
//
// The mouse wheel zooms around the time under the pointer; dragging pans. The picture follows
// the widget's palette (light or dark) and its device pixel ratio.

#include <QWidget>
#include <cstdint>
#include <optional>

#include "picture/TrackPicture.h"
#include "profile/TrackProfile.h"

class CProfileLookup;

class CTrackView : public QWidget {
    Q_OBJECT
public:
    // What the view shows.
    enum class Content {
        Nothing,      // no track selected
        Waiting,      // the store is being asked
        Picture,      // the track's picture
        NotAnalysed,  // the store has no profile of the track
        Failed,       // the track's analysis failed (the reason is the message)
        NoStore,      // the program runs without an analysis store
    };

    explicit CTrackView(QWidget* parent = nullptr);
    ~CTrackView() override;

    // Shows catalog entry `id` (0: none) over its whole length. Showing the entry already shown
    // changes nothing.
    void ShowEntry(std::uint32_t id);
    // The analysis of entry `id` finished: when it is the entry shown, its profile is read anew
    // (the zoom stays where it is, as far as the new profile allows).
    void EntryAnalysed(std::uint32_t id);

    std::uint32_t Entry() const { return entry_; }
    Content Shows() const { return content_; }
    // The line shown instead of a picture; empty while a picture or nothing shows.
    QString Message() const;
    // The time span shown, in seconds.
    const PictureRange& Range() const { return range_; }
    // The time (seconds) at x (logical pixels from the left edge).
    double TimeAt(double x) const;
    // The picture as the view lays it out at its current size and range.
    const TrackPicture& Picture();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // Sent when what the view shows changed: a lookup answered, a zoom or a pan.
    void ContentChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Asks the store for the shown entry's profile (or says why there is none).
    void Reload();
    // A lookup's answer; ignored unless it answers the latest question.
    void TakeAnswer(std::uint64_t ticket, std::optional<CPfTrackProfile> profile);
    void Show(Content content, QString message = {});
    void SetRange(const PictureRange& range);
    bool DarkPalette() const;

    CProfileLookup* lookup_;
    std::uint32_t entry_ = 0;
    std::uint64_t ticket_ = 0;  // of the latest lookup
    Content content_ = Content::Nothing;
    QString failure_;           // the reason shown for Content::Failed
    std::optional<CPfTrackProfile> profile_;
    double seconds_ = 0.0;      // the profile's length
    PictureRange range_;
    std::optional<TrackPicture> picture_;  // laid out for the current size and range
    std::optional<double> dragX_;          // where a drag started
    PictureRange dragRange_;               // the range when it started
};
