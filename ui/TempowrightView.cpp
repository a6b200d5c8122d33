#include "ui/TempowrightView.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

#include "catalog/CatItem.h"
#include "catalog/KeyText.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"
#include "ui/FileDragDrop.h"
#include "ui/ProgressDlg.h"
#include "ui/QtText.h"
#include "ui/WaitCursor.h"

namespace {
const QColor kListText(66, 170, 255);
const QColor kListBackground(0, 0, 0);

// The cell texts of an entry, in column order; the key in `notation`.
CCatalogRowModel::Cells CellsOf(CCatItem& item, KeyNotation notation) {
    CCatalogRowModel::Cells cells;
    for (int c = 0; c < kCatalogColumnCount; ++c) {
        const std::int32_t field = kCatalogColumns[static_cast<size_t>(c)].field;
        WString text;
        item.GetFieldText(field, text);
        if (field == kFieldKey) text = KeyTextIn(notation, text);
        cells[static_cast<size_t>(c)] = ToQString(text);
    }
    return cells;
}
}  // namespace

CTempowrightView::CTempowrightView(QWidget* parent)
    : QTreeView(parent), rows_(new CCatalogRowModel(this)) {
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
        rows.push_back({item->GetId(), CellsOf(*item, keyNotation_)});
    }
    rows_->SetRows(std::move(rows));
}

void CTempowrightView::UpdateRow(std::uint32_t id) {
    ComPtr<ICatalog> catalog = EngineCatalog();
    ComPtr<CCatItem> item;
    if (!catalog || FAILED(catalog->GetItem(id, item.Out()))) return;
    rows_->SetCells(rows_->RowOfId(id), CellsOf(*item.Get(), keyNotation_));
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

void CTempowrightView::OnColumnClick(int column) {
    if (column == sortColumn_) sortDescending_ = !sortDescending_;
    sortColumn_ = column;
    if (column >= 0 && column < kCatalogColumnCount)
        sortField_ = kCatalogColumns[static_cast<size_t>(column)].field;
    SortRows();
}

void CTempowrightView::SortRows() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    if (!catalog) return;
    const int count = rows_->rowCount();
    // Each row's entry, fetched once; a row whose entry is gone compares equal to every row.
    std::vector<ComPtr<CCatItem>> entries(static_cast<size_t>(count));
    for (int r = 0; r < count; ++r) {
        if (FAILED(catalog->GetItem(rows_->IdAt(r), entries[static_cast<size_t>(r)].Out())))
            entries[static_cast<size_t>(r)].Reset();
    }
    std::vector<int> order(static_cast<size_t>(count));
    for (int r = 0; r < count; ++r) order[static_cast<size_t>(r)] = r;
    const std::int32_t field = sortField_;
    const bool descending = sortDescending_;
    // A merge sort: rows equal in the field (or without an entry) keep their relative order, and
    // the sort stays well-defined even though a missing entry equals everything.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        CCatItem* first = entries[static_cast<size_t>(a)].Get();
        CCatItem* second = entries[static_cast<size_t>(b)].Get();
        if (!first || !second) return false;
        return descending ? second->IsLess(*first, field) : first->IsLess(*second, field);
    });
    rows_->Reorder(order);
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
    }
    RefreshList();
    return true;
}

void CTempowrightView::keyPressEvent(QKeyEvent* event) {
    // Copying cell text is no command of this list.
    if (event->matches(QKeySequence::Copy)) {
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CTempowrightView::OnFilePrint() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    if (dialog.exec() == QDialog::Accepted) PrintReport(printer);
}

bool CTempowrightView::PrintReport(QPrinter& printer) { return report_.Print(printer, *rows_); }
