#pragma once
// The main window's only view: the catalog as a three-column list (TITLE, ARTIST, BPM). It
// rebuilds its rows from the catalog, refreshes one row or shows an analysis's percentage when
// the main frame's timer tells it to, sorts on header clicks, removes the selected entries, takes
// dropped files and folders as an import, offers the selected entries' files when dragged out,
// and prints the BPM report. Every operation asks the engine for the catalog anew.

#include <QTreeView>
#include <cstdint>

#include "catalog/BstrList.h"
#include "catalog/KeyText.h"
#include "ui/ReportPrinter.h"

class CCatalogRowModel;
class QPrinter;

class CTempowrightView : public QTreeView {
    Q_OBJECT
public:
    explicit CTempowrightView(QWidget* parent = nullptr);

    // Sets up the columns and colours the first time; later calls (after a new or opened
    // document) change nothing.
    void OnInitialUpdate();

    // Rebuilds every row from the catalog, in path order.
    void RefreshList();
    // Refreshes the three cells of entry `id`'s row; nothing when the entry or its row is gone.
    void UpdateRow(std::uint32_t id);
    // Shows every key in `notation` from now on (the rows shown are updated at once).
    void SetKeyNotation(KeyNotation notation);
    KeyNotation GetKeyNotation() const { return keyNotation_; }
    // Shows `percent` as "%d%%" in the BPM cell of entry `id`'s row.
    void ShowRowProgress(std::uint32_t id, int percent);
    // Removes the selected rows' entries from the catalog, then rebuilds the list.
    void DeleteSelection();
    // A click on the heading of column `column`: sorts by it.
    void OnColumnClick(int column);
    // Starts dragging the selected rows' files out of the list.
    void BeginDragOfSelection();
    // Imports the paths of a drop: adds each to the import, runs it under the progress dialog
    // and rebuilds the list. False when the catalog is not available.
    bool ImportPaths(const CFileList& paths);

    // The print command: the print dialog, then the report on the chosen printer.
    void OnFilePrint();
    // Prints the report on `printer` without asking (the print job after the dialog).
    bool PrintReport(QPrinter& printer);
    // The layout measured by the last print job.
    const ReportLayout& LastReportLayout() const { return report_.Layout(); }

    CCatalogRowModel& Rows() { return *rows_; }
    bool SortDescending() const { return sortDescending_; }
    int SortColumn() const { return sortColumn_; }
    std::int32_t SortField() const { return sortField_; }

protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Drag enter and drag over: the copy effect for a file list, nothing for other data.
    static void AnswerFileDrag(QDragMoveEvent* event);
    // Sorts the rows by m_nSortField in the current direction, comparing the entries.
    void SortRows();
    // The ids of the selected rows in row order.
    std::vector<std::uint32_t> SelectedIds() const;

    CCatalogRowModel* rows_;
    bool initialised_ = false;
    bool sortDescending_ = true;      // m_bSortDescending
    int sortColumn_ = 0;              // m_nSortColumn
    std::int32_t sortField_ = 1;      // m_nSortField: the title
    KeyNotation keyNotation_ = KeyNotation::Standard;
    CReportPrinter report_;
};
