#include "ui/MainFrame.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>

#include "catalog/CatItem.h"
#include "ui/BannerButton.h"
#include "ui/CatalogColumns.h"
#include "ui/EngineAccess.h"
#include "ui/ExitDlg.h"
#include "ui/Pictures.h"
#include "ui/ProgressDlg.h"
#include "ui/QtText.h"
#include "ui/SettingsDlg.h"
#include "ui/StringTable.h"
#include "ui/TempowrightDoc.h"
#include "ui/TempowrightView.h"
#include "ui/TrackView.h"
#include "ui/WaitCursor.h"
#include "ui/WebPages.h"

namespace {
constexpr QSize kToolbarImage{kToolbarImageSize, kToolbarImageSize};

// True when an export left a file that this user may write: a file that could not be created
// or replaced is reported in the status bar instead of passing for a written export.
bool ExportFileWritten(const QString& path) {
    const QFileInfo file(path);
    return file.exists() && file.isFile() && file.isWritable();
}
}  // namespace

CMainFrame::CMainFrame(CTempowrightDoc& document, QWidget* parent)
    : QMainWindow(parent), document_(document), actions_(this),
      view_(new CTempowrightView(this)), trackView_(new CTrackView(this)), trackDock_(CreateTrackDock()),
      uiUpdateTimer_(new QTimer(this)),
      unwrittenTags_(new QLabel(this)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(TwString(IDS_APP_TITLE));
    resize(kInitialWidth, kInitialHeight);

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("statusBar"));
    auto* idle = new QLabel(TwString(IDS_IDLE_MESSAGE), status);
    idle->setObjectName(QStringLiteral("idleMessage"));
    status->addWidget(idle, 1);
    unwrittenTags_->setObjectName(QStringLiteral("unwrittenTags"));
    unwrittenTags_->hide();
    status->addPermanentWidget(unwrittenTags_);

    uiUpdateTimer_->setObjectName(QStringLiteral("uiUpdateTimer"));
    uiUpdateTimer_->setInterval(kUiUpdateTimerMs);
    connect(uiUpdateTimer_, &QTimer::timeout, this, &CMainFrame::DrainUiUpdates);
    uiUpdateTimer_->start();

    addToolBar(Qt::TopToolBarArea, CreateBannerBar());
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, CreateMainToolBar());

    setCentralWidget(view_);
    addDockWidget(Qt::BottomDockWidgetArea, trackDock_);
    view_->OnInitialUpdate();
    ConnectCommands();
    ApplySettings();
    RestoreWindowState();
}

void CMainFrame::RestoreWindowState() {
    const QByteArray geometry = settings_.WindowGeometry();
    if (!geometry.isEmpty()) restoreGeometry(geometry);
    const QList<int> widths = settings_.ColumnWidths();
    if (widths.size() == kCatalogColumnCount)
        for (int c = 0; c < kCatalogColumnCount; ++c) view_->header()->resizeSection(c, widths[c]);
    actions_.trackView->setChecked(settings_.TrackViewShown());
    if (const int height = settings_.TrackViewHeight(); height > 0)
        resizeDocks({trackDock_}, {height}, Qt::Vertical);
}

void CMainFrame::SaveWindowState() {
    settings_.SetWindowGeometry(saveGeometry());
    QList<int> widths;
    for (int c = 0; c < kCatalogColumnCount; ++c) widths << view_->header()->sectionSize(c);
    settings_.SetColumnWidths(widths);
    const bool trackViewShown = actions_.trackView->isChecked();
    settings_.SetTrackViewShown(trackViewShown);
    // A hidden view keeps the height it had when last shown.
    if (trackViewShown) settings_.SetTrackViewHeight(trackDock_->height());
}

QDockWidget* CMainFrame::CreateTrackDock() {
    auto* dock = new QDockWidget(TwString(IDS_TRACK_VIEW_CAPTION), this);
    dock->setObjectName(QStringLiteral("trackDock"));
    // It stays below the list; closing it collapses it until Track View shows it again.
    dock->setAllowedAreas(Qt::BottomDockWidgetArea);
    dock->setFeatures(QDockWidget::DockWidgetClosable);
    dock->setWidget(trackView_);
    return dock;
}

QToolBar* CMainFrame::CreateBannerBar() {
    auto* bar = new QToolBar(QString(), this);
    bar->setObjectName(QStringLiteral("bannerBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(kToolbarImage);
    // The Help button of this bar has no image: it shows its name.
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* banner = new CBannerButton(bar);
    connect(banner, &QAbstractButton::clicked, actions_.productPage, &QAction::trigger);
    bar->addWidget(banner);
    bar->addAction(actions_.help);
    return bar;
}

QToolBar* CMainFrame::CreateMainToolBar() {
    auto* bar = new QToolBar(TwString(IDS_TOOLBAR_CAPTION), this);
    bar->setObjectName(QStringLiteral("mainToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(kToolbarImage);
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addActions(actions_.MainToolbarActions());
    return bar;
}

void CMainFrame::ConnectCommands() {
    connect(actions_.import, &QAction::triggered, this, &CMainFrame::OnImport);
    connect(actions_.exportText, &QAction::triggered, this, &CMainFrame::OnExport);
    connect(actions_.rescan, &QAction::triggered, this, &CMainFrame::OnRescan);
    connect(actions_.print, &QAction::triggered, view_, &CTempowrightView::OnFilePrint);
    connect(actions_.settings, &QAction::triggered, this, &CMainFrame::OnSettings);
    connect(actions_.help, &QAction::triggered, this, &CMainFrame::OnHelp);
    connect(actions_.productPage, &QAction::triggered, this, &CMainFrame::OnProductPage);
    connect(actions_.deleteRows, &QAction::triggered, view_, &CTempowrightView::DeleteSelection);
    connect(actions_.rescanSelected, &QAction::triggered, view_, &CTempowrightView::RescanSelection);
    connect(actions_.copyRows, &QAction::triggered, view_, &CTempowrightView::CopySelection);
    connect(actions_.selectAll, &QAction::triggered, view_, &QAbstractItemView::selectAll);
    connect(actions_.fileNew, &QAction::triggered, this, &CMainFrame::OnFileNew);
    connect(actions_.fileOpen, &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(actions_.fileSave, &QAction::triggered, this, &CMainFrame::OnFileSave);
    connect(view_, &CTempowrightView::RowStatusText, this, &CMainFrame::ShowRowStatus);
    connect(view_, &CTempowrightView::SelectedEntryChanged, trackView_, &CTrackView::ShowEntry);
    // The command and the dock's own close button keep each other in step.
    connect(actions_.trackView, &QAction::toggled, trackDock_, &QWidget::setVisible);
    connect(trackDock_->toggleViewAction(), &QAction::toggled, actions_.trackView, &QAction::setChecked);
    connect(view_, &CTempowrightView::UnwrittenTagCount, this, [this](int count) {
        unwrittenTags_->setText(FormatCount(IDS_TAGS_NOT_WRITTEN, count));
        unwrittenTags_->setVisible(count > 0);
    });
    connect(view_, &CTempowrightView::CommandStatusText, statusBar(), [this](const QString& text) {
        statusBar()->showMessage(text);
    });
    connect(actions_.doubleBpm, &QAction::triggered, view_, &CTempowrightView::DoubleSelectedBpm);
    connect(actions_.halveBpm, &QAction::triggered, view_, &CTempowrightView::HalveSelectedBpm);
    connect(actions_.setBpm, &QAction::triggered, view_, &CTempowrightView::AskSelectedBpm);

    // The list's context menu: the BPM fixes and the list's commands.
    view_->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (QAction* action : actions_.ContextMenuActions()) {
        if (action) {
            view_->addAction(action);
        } else {
            auto* separator = new QAction(view_);
            separator->setSeparator(true);
            view_->addAction(separator);
        }
    }
}

void CMainFrame::ApplySettings() {
    view_->SetKeyNotation(settings_.KeyNotationSetting());
    const BPM_RANGE range = settings_.PreferredRange();
    if (ComPtr<ICatalog> catalog = EngineCatalog()) catalog->SetPreferredRange(range.low, range.high);
}

void CMainFrame::OnSettings() {
    CSettingsDlg dialog(settings_, this);
    if (dialog.exec() == QDialog::Accepted) ApplySettings();
}

void CMainFrame::DrainUiUpdates() {
    CTempowrightView* view = View();
    if (!view) return;
    ComPtr<IUiUpdateQueue> queue = EngineQueue();
    if (!queue) return;
    std::int32_t code = 0;
    std::int32_t param = 0;
    while (queue->PopUpdate(&code, &param) == S_OK) {
        const auto id = static_cast<std::uint32_t>(param);
        int percent = 0;
        if (IsUiProgressCode(code, percent))
            view->ShowRowProgress(id, percent);
        else if (code == kUiMsgProfileBuilt) {
            view->UpdateRow(id);
            trackView_->EntryAnalysed(id);
        }
        // Other codes (the build queue running empty) change nothing on screen.
    }
}

void CMainFrame::ShowRowStatus(const QString& text) {
    // An empty text takes away only what a row put there, never another command's message.
    if (!text.isEmpty())
        statusBar()->showMessage(text);
    else if (!rowStatus_.isEmpty() && statusBar()->currentMessage() == rowStatus_)
        statusBar()->clearMessage();
    rowStatus_ = text;
}

void CMainFrame::OnImport() {
    QFileDialog dialog(this, TwString(IDS_IMPORT_DIRECTORY));
    dialog.setObjectName(QStringLiteral("importDirectoryDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setDirectory(settings_.ImportDirectory());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString directory = dialog.selectedFiles().constFirst();
    if (directory.isEmpty()) return;

    if (ComPtr<ICatalog> catalog = EngineCatalog()) {
        ComPtr<IProgressStatus> status;
        CBstr path(ToWString(directory));
        if (SUCCEEDED(catalog->ImportDirectory(path.Get(), status.Out())) && status) {
            CProgressDlg progress(status.Get(), IDS_IMPORTING_FILES, this);
            progress.exec();
            view_->RefreshList();
            ShowSkippedCount(status.Get(), this);
        }
    }
    // Remembered also when the import could not start.
    settings_.SetImportDirectory(directory);
}

void CMainFrame::OnExport() {
    QFileDialog dialog(this, TwString(IDS_EXPORT_CATALOG));
    dialog.setObjectName(QStringLiteral("exportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(FileDialogFilter(IDS_EXPORT_FILTER));
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString path = dialog.selectedFiles().constFirst();

    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    {
        CWaitCursor wait;
        CBstr file(ToWString(path));
        catalog->ExportText(file.Get());
    }
    if (!ExportFileWritten(path)) statusBar()->showMessage(FormatWithText(IDS_EXPORT_FAILED, path));
}

void CMainFrame::OnRescan() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    CatItemVector items;
    catalog->GetItems(&items);
    for (const ComPtr<CCatItem>& item : items) {
        const std::uint32_t id = item->GetId();
        catalog->Reanalyze(id);
        view_->UpdateRow(id);
    }
}

void CMainFrame::OnHelp() { OpenHelpPage(); }

void CMainFrame::OnProductPage() { OpenProductPage(); }

void CMainFrame::OnFileNew() {
    document_.OnNewDocument();
    view_->OnInitialUpdate();
}

void CMainFrame::OnFileOpen() {
    if (document_.FileOpen(this)) view_->OnInitialUpdate();
}

void CMainFrame::OnFileSave() {
    QString path;
    if (document_.FileSave(this, &path) == CTempowrightDoc::SaveResult::Failed)
        statusBar()->showMessage(FormatWithText(IDS_SAVE_FAILED, path));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        closing_ = true;
        uiUpdateTimer_->stop();
        SaveWindowState();
        hide();
        CExitDlg exitDialog;
        exitDialog.exec();
    }
    event->accept();
}
