#include "ui/TempowrightView.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

#include "catalog/CatItem.h"
#include "catalog/KeyText.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"
#include "ui/EntryCells.h"
#include "ui/FileDragDrop.h"
#include "ui/ProgressDlg.h"
#include "ui/QtText.h"
#include "ui/RowOrder.h"
#include "ui/SetBpmDlg.h"
#include "ui/StringTable.h"
#include "ui/WaitCursor.h"

namespace {
const QColor kListText(66, 170, 255);
const QColor kListBackground(0, 0, 0);

}  // namespace

CTempowrightView::CTempowrightView(QWidget* parent)
    : QTreeView(parent),
      rows_(new CCatalogRowModel(this)),
      bpmWrites_(new CBpmWriteQueue([this](const CBpmWriteQueue::Done& done) { OnBpmWritten(done); },
                                    [this] { OnBpmWritesDone(); }, this)) {
    setObjectName(QStringLiteral("catalogList"));
    setModel(rows_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    connect(header(), &QHeaderView::sectionClicked, this, &CTempowrightView::OnColumnClick);
}

void CTempowrightView::OnInitialUpdate() {
    if (initialised_) return;
    initialised_ = true;
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, kListText);
    colours.setColor(QPalette::Base, kListBackground);
    colours.setColor(QPalette::Window, kListBackground);
    setPalette(colours);
    for (int c = 0; c < kCatalogColumnCount; ++c)
        header()->resizeSection(c, kCatalogColumns[static_cast<size_t>(c)].widthPixels);
}

void CTempowrightView::RefreshList() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    CatItemVector items;
    catalog->GetItems(&items);
    std::vector<CCatalogRowModel::Row> rows;
    rows.reserve(items.size());
    for (const ComPtr<CCatItem>& item : items) {
        rows.push_back({item->GetId(), EntryCells(*item.Get(), keyNotation_), TagWriteNote(*item.Get())});
    }
    rows_->SetRows(std::move(rows));
    // The rows are in path order again: no column's arrow applies.
    header()->setSortIndicatorShown(false);
    // A rebuilt list has no selection, and the model's reset says so to no one.
    AnnounceCurrentRow();
    Q_EMIT UnwrittenTagCount(rows_->NotedRowCount());
}

void CTempowrightView::UpdateRow(std::uint32_t id) {
    ComPtr<ICatalog> catalog = EngineCatalog();
    ComPtr<CCatItem> item;
    if (!catalog || FAILED(catalog->GetItem(id, item.Out()))) return;
    const int row = rows_->RowOfId(id);
    rows_->SetCells(row, EntryCells(*item.Get(), keyNotation_), TagWriteNote(*item.Get()));
    if (row >= 0 && row == currentIndex().row()) AnnounceCurrentRow();
    Q_EMIT UnwrittenTagCount(rows_->NotedRowCount());
}

void CTempowrightView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    AnnounceCurrentRow();
}

void CTempowrightView::AnnounceCurrentRow() {
    // The row the user acted on last, when it is selected; else the first selected row.
    int row = currentIndex().row();
    if (row < 0 || !selectionModel()->isRowSelected(row, {})) {
        const QModelIndexList selected = selectionModel()->selectedRows();
        row = selected.isEmpty() ? -1 : selected.constFirst().row();
    }
    QString text;
    ComPtr<ICatalog> catalog = EngineCatalog();
    ComPtr<CCatItem> item;
    if (row >= 0 && catalog && SUCCEEDED(catalog->GetItem(rows_->IdAt(row), item.Out())))
        text = FailureStatusText(*item.Get());
    Q_EMIT RowStatusText(text);
    Q_EMIT SelectedEntryChanged(row >= 0 ? rows_->IdAt(row) : 0);
}

void CTempowrightView::SetKeyNotation(KeyNotation notation) {
    if (notation == keyNotation_) return;
    keyNotation_ = notation;
    for (int r = 0; r < rows_->rowCount(); ++r) UpdateRow(rows_->IdAt(r));
}

void CTempowrightView::ShowRowProgress(std::uint32_t id, int percent) {
    ComPtr<ICatalog> catalog = EngineCatalog();
    ComPtr<CCatItem> item;
    if (!catalog || FAILED(catalog->GetItem(id, item.Out()))) return;
    rows_->SetCell(rows_->RowOfId(id), ColumnOfField(kFieldBpm), FormatRowPercent(percent));
}

std::vector<std::uint32_t> CTempowrightView::SelectedIds() const {
    QModelIndexList selected = selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<std::uint32_t> ids;
    ids.reserve(static_cast<size_t>(selected.size()));
    for (const QModelIndex& index : selected) ids.push_back(rows_->IdAt(index.row()));
    return ids;
}

void CTempowrightView::DeleteSelection() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    for (std::uint32_t id : SelectedIds()) catalog->RemoveItem(id);
    RefreshList();
}

void CTempowrightView::RescanSelection() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    for (std::uint32_t id : SelectedIds()) {
        catalog->Reanalyze(id);
        UpdateRow(id);
    }
}

QString CTempowrightView::SelectionText() const {
    QString text;
    for (std::uint32_t id : SelectedIds()) {
        const int row = rows_->RowOfId(id);
        QStringList cells;
        for (int c = 0; c < kCatalogColumnCount; ++c) cells << rows_->CellText(row, c);
        text += cells.join(u'\t') + u'\n';
    }
    return text;
}

void CTempowrightView::CopySelection() {
    const QString text = SelectionText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void CTempowrightView::DoubleSelectedBpm() {
    ApplySelectedBpm([](float bpm) { return bpm * 2.0f; });
}

void CTempowrightView::HalveSelectedBpm() {
    ApplySelectedBpm([](float bpm) { return bpm / 2.0f; });
}

void CTempowrightView::AskSelectedBpm() {
    const std::vector<std::uint32_t> ids = SelectedIds();
    if (ids.empty()) return;
    // The dialog starts from the first selected entry's BPM.
    float start = 0.0f;
    ComPtr<ICatalog> catalog = EngineCatalog();
    ComPtr<CCatItem> first;
    if (catalog && SUCCEEDED(catalog->GetItem(ids.front(), first.Out()))) start = first->GetBpm();
    CSetBpmDlg dialog(start, window());
    if (dialog.exec() != QDialog::Accepted) return;
    const float chosen = dialog.Bpm();
    ApplySelectedBpm([chosen](float) { return chosen; });
}

void CTempowrightView::ApplySelectedBpm(const std::function<float(float)>& newBpm) {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    for (std::uint32_t id : SelectedIds()) bpmWrites_->Add(catalog, id, newBpm);
}

void CTempowrightView::OnBpmWritten(const CBpmWriteQueue::Done& done) {
    if (done.result == E_INVALIDARG) bpmOutOfRange_ = true;
    if (done.result == S_FALSE && bpmNotWritten_.isEmpty()) bpmNotWritten_ = ToQString(done.path);
    UpdateRow(done.id);
}

void CTempowrightView::OnBpmWritesDone() {
    if (!bpmNotWritten_.isEmpty())
        Q_EMIT CommandStatusText(FormatWithText(IDS_BPM_NOT_WRITTEN, bpmNotWritten_));
    else if (bpmOutOfRange_)
        Q_EMIT CommandStatusText(TwString(IDS_BPM_OUT_OF_RANGE));
    bpmNotWritten_.clear();
    bpmOutOfRange_ = false;
}

void CTempowrightView::OnColumnClick(int column) {
    if (column == sortColumn_) sortDescending_ = !sortDescending_;
    sortColumn_ = column;
    if (column >= 0 && column < kCatalogColumnCount)
        sortField_ = kCatalogColumns[static_cast<size_t>(column)].field;
    SortRows();
    header()->setSortIndicator(column, sortDescending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
    header()->setSortIndicatorShown(true);
}

void CTempowrightView::SortRows() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    const int count = rows_->rowCount();
    // Each row's entry, fetched once; a row whose entry is gone keeps an empty pointer.
    std::vector<ComPtr<CCatItem>> entries(static_cast<size_t>(count));
    for (int r = 0; r < count; ++r) {
        if (FAILED(catalog->GetItem(rows_->IdAt(r), entries[static_cast<size_t>(r)].Out())))
            entries[static_cast<size_t>(r)].Reset();
    }
    rows_->Reorder(SortedRowOrder(entries, sortField_, sortDescending_));
}

void CTempowrightView::BeginDragOfSelection() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    ComPtr<CFileList> files(new CFileList);
    for (std::uint32_t id : SelectedIds()) {
        ComPtr<CCatItem> item;
        if (SUCCEEDED(catalog->GetItem(id, item.Out()))) files->Add(item->GetPath());
    }
    if (files->Count() == 0) return;
    BeginFileDrag(*files.Get(), this);
}

void CTempowrightView::startDrag(Qt::DropActions) { BeginDragOfSelection(); }

void CTempowrightView::AnswerFileDrag(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(QLatin1String(kUriListMime))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void CTempowrightView::dragEnterEvent(QDragEnterEvent* event) { AnswerFileDrag(event); }

void CTempowrightView::dragMoveEvent(QDragMoveEvent* event) { AnswerFileDrag(event); }

void CTempowrightView::dragLeaveEvent(QDragLeaveEvent* event) { event->accept(); }

void CTempowrightView::dropEvent(QDropEvent* event) {
    bool reached = false;
    {
        CWaitCursor wait;
        ComPtr<CFileList> files(new CFileList);
        if (AddFromDataObject(*files.Get(), *event->mimeData()) && EngineCatalog()) {
            reached = true;
            // The import and its modal dialog run once the drop has been answered, so that the
            // program the files came from is not kept waiting for the whole import.
            QMetaObject::invokeMethod(
                this, [this, files] { ImportPaths(*files.Get()); }, Qt::QueuedConnection);
        }
    }
    if (reached) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

bool CTempowrightView::ImportPaths(const CFileList& paths) {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return false;
    ComPtr<IProgressStatus> status;
    HRESULT started;
    {
        CWaitCursor wait;
        for (const WString& path : paths.Paths()) {
            CBstr text(path);
            catalog->AddImportPath(text.Get());
        }
        started = catalog->StartImport(1, status.Out());
    }
    if (SUCCEEDED(started) && status) {
        CProgressDlg dialog(status.Get(), IDS_IMPORTING_FILES, window());
        dialog.exec();
        ShowSkippedCount(status.Get(), qobject_cast<QMainWindow*>(window()));
    }
    RefreshList();
    return true;
}

void CTempowrightView::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() == QDialog::Accepted) PrintReport(printer);
}

bool CTempowrightView::PrintReport(QPrinter& printer) { return report_.Print(printer, *rows_); }
