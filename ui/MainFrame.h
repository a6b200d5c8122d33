#pragma once
// The main window: no menu bar; the banner bar (the wide banner button, which opens the product
// page, and Help), the main toolbar (Import, Export, Rescan, Print, Settings, Track View, Help), the
// catalog list, the track view docked below it (showing the selected entry; hidden and shown by
// Track View) and a status bar. Its timer drains the UI update queue every 25 ms into the list. Closing it stops
// the timer, hides it and shows the exit dialog before the program ends.

#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "ui/AppSettings.h"
#include "ui/FrameActions.h"

class CTempowrightDoc;
class CTempowrightView;
class CTrackView;
class QDockWidget;
class QLabel;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // Timer 100 of the frame: its period.
    static constexpr int kUiUpdateTimerId = 100;
    static constexpr int kUiUpdateTimerMs = 25;
    // The window's first size.
    static constexpr int kInitialWidth = 490;
    static constexpr int kInitialHeight = 600;

    // `document` outlives the frame.
    explicit CMainFrame(CTempowrightDoc& document, QWidget* parent = nullptr);

    CTempowrightView* View() const { return view_; }
    CTrackView* TrackView() const { return trackView_; }
    QDockWidget* TrackDock() const { return trackDock_; }
    const CFrameActions& Actions() const { return actions_; }

    // The timer's work: pops every queued UI update and applies it to the list.
    void DrainUiUpdates();

    // Shows the selected row's explanation in the status bar, or takes it away.
    void ShowRowStatus(const QString& text);

    // Command handlers.
    void OnImport();
    void OnExport();
    void OnRescan();
    void OnHelp();
    // Shows the settings dialog; after OK the list shows keys in the chosen notation and later
    // measured tempi fold into the chosen range.
    void OnSettings();
    void OnProductPage();
    void OnFileNew();
    void OnFileOpen();
    void OnFileSave();

    QMenu* createPopupMenu() override { return nullptr; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QToolBar* CreateBannerBar();
    QToolBar* CreateMainToolBar();
    QDockWidget* CreateTrackDock();
    void ConnectCommands();
    // Hands the stored range and key notation to the catalog and the list.
    void ApplySettings();
    // The window's size and position, the column widths and the track view's state and height
    // the user left, read at creation and written when the window closes.
    void RestoreWindowState();
    void SaveWindowState();

    CTempowrightDoc& document_;
    CFrameActions actions_;
    CTempowrightView* view_;
    CTrackView* trackView_;
    QDockWidget* trackDock_;
    QTimer* uiUpdateTimer_;
    QLabel* unwrittenTags_;  // status bar: how many rows' tags were not written
    CAppSettings settings_;
    bool closing_ = false;
    QString rowStatus_;  // the row explanation the status bar shows, if any
};
