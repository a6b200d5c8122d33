#include "ui/CatalogRowModel.h"

#include <QApplication>
#include <QStyle>
#include <algorithm>

#include "ui/FileDragDrop.h"

CCatalogRowModel::CCatalogRowModel(QObject* parent) : QAbstractTableModel(parent) {}

void CCatalogRowModel::SetRows(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    RebuildIndex();
    notedRows_ = static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return !r.note.isEmpty(); }));
    endResetModel();
}

int CCatalogRowModel::RowOfId(std::uint32_t id) const {
    const auto it = rowById_.find(id);
    return it == rowById_.end() ? -1 : it->second;
}

void CCatalogRowModel::SetCells(int row, Cells cells, QString note) {
    if (row < 0 || row >= rowCount()) return;
    Row& target = rows_[static_cast<size_t>(row)];
    notedRows_ += (note.isEmpty() ? 0 : 1) - (target.note.isEmpty() ? 0 : 1);
    target.cells = std::move(cells);
    target.note = std::move(note);
    Q_EMIT dataChanged(index(row, 0), index(row, kCatalogColumnCount - 1),
                       {Qt::DisplayRole, Qt::DecorationRole, Qt::ToolTipRole});
}

void CCatalogRowModel::SetCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= kCatalogColumnCount) return;
    QString& cell = rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
    if (cell == text) return;
    cell = text;
    const QModelIndex at = index(row, column);
    Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
}

void CCatalogRowModel::Reorder(const std::vector<int>& order) {
    if (order.size() != rows_.size()) return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newRowOf(rows_.size());
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t from = static_cast<size_t>(order[i]);
        newRowOf[from] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[from]));
    }
    rows_ = std::move(sorted);
    RebuildIndex();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& at : before)
        after.push_back(index(newRowOf[static_cast<size_t>(at.row())], at.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int CCatalogRowModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CCatalogRowModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCatalogColumnCount;
}

QVariant CCatalogRowModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const CatalogColumn& column = kCatalogColumns[static_cast<size_t>(index.column())];
    if (role == Qt::DisplayRole) return CellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return (column.alignment | Qt::AlignVCenter).toInt();
    const QString& note = Note(index.row());
    if (column.field == kFieldBpm && !note.isEmpty()) {
        if (role == Qt::ToolTipRole) return note;
        if (role == Qt::DecorationRole) return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    }
    return {};
}

QVariant CCatalogRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kCatalogColumnCount) return {};
    const CatalogColumn& column = kCatalogColumns[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return TwString(column.heading);
    if (role == Qt::TextAlignmentRole)
        return (column.alignment | Qt::AlignVCenter).toInt();
    return {};
}

Qt::ItemFlags CCatalogRowModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

Qt::DropActions CCatalogRowModel::supportedDragActions() const {
    return kFileDragActions;
}

void CCatalogRowModel::RebuildIndex() {
    rowById_.clear();
    rowById_.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) rowById_[rows_[i].id] = static_cast<int>(i);
}
