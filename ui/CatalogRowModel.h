#pragma once
// The rows of the catalog list: per row the entry's id and the three cell texts as shown. Rows
// are found by id through a map, so that updating one row of tens of thousands costs no scan.
// The model holds texts only; the catalog stays the one owner of the entries.

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ui/CatalogColumns.h"

class CCatalogRowModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Cells = std::array<QString, kCatalogColumnCount>;
    struct Row {
        std::uint32_t id = 0;
        Cells cells;
    };

    explicit CCatalogRowModel(QObject* parent = nullptr);

    // Replaces every row (one model reset).
    void SetRows(std::vector<Row> rows);
    // The row showing entry `id`, or -1.
    int RowOfId(std::uint32_t id) const;
    std::uint32_t IdAt(int row) const { return rows_[static_cast<size_t>(row)].id; }
    const QString& CellText(int row, int column) const {
        return rows_[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
    }
    // Sets the cells of one row (ignored for a row out of range).
    void SetCells(int row, Cells cells);
    void SetCell(int row, int column, const QString& text);
    // Puts the rows in a new order: `order[i]` is the current index of the row that moves to i
    // (a permutation of 0..rowCount-1). Selection and current row follow their rows.
    void Reorder(const std::vector<int>& order);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    void RebuildIndex();

    std::vector<Row> rows_;
    std::unordered_map<std::uint32_t, int> rowById_;
};
