#pragma once
// The rows of the catalog list: per row the entry's id, the three cell texts as shown and a
// note on the BPM cell (why the file's tag was not written; empty when nothing is wrong), shown
// as a warning mark with the note as its tooltip. Rows are found by id through a map, so that
// updating one row of tens of thousands costs no scan. The model holds texts only; the catalog
// stays the one owner of the entries.

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
        QString note;
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
    // Sets the cells and the note of one row (ignored for a row out of range).
    void SetCells(int row, Cells cells, QString note);
    const QString& Note(int row) const { return rows_[static_cast<size_t>(row)].note; }
    // The number of rows with a note.
    int NotedRowCount() const { return notedRows_; }
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
    int notedRows_ = 0;
};
