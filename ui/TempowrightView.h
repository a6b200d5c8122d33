#pragma once
// The main window's only view: the catalog as a three-column list (TITLE, ARTIST, BPM). It
// rebuilds its rows from the catalog, refreshes one row or shows an analysis's percentage when
// the main frame's timer tells it to, sorts on header clicks, removes the selected entries, takes
// dropped files and folders as an import, offers the selected entries' files when dragged out,
// and prints the BPM report. Every operation asks the engine for the catalog anew.

#include <QTreeView>
#include <cstdint>
#include <functional>

#include "catalog/BstrList.h"
#include "catalog/KeyText.h"
#include "ui/BpmWriteQueue.h"
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
    // Analyses the selected rows' entries again (their BPM cells empty until the results come).
    void RescanSelection();
    // Puts the selected rows on the clipboard as text: per row its three cells as shown,
    // separated by tabs, each row ended by a line feed.
    void CopySelection();
    // The text CopySelection puts on the clipboard.
    QString SelectionText() const;
    // Fixing a BPM by hand: each selected entry that has a BPM gets it doubled or halved; the
    // dialog sets one BPM for every selected entry. The new BPM is written into the file's tag
    // away from the UI thread, one entry after another, and each row shows its new BPM as soon
    // as it is set; a result outside 40..300 leaves that entry as it was. Once every entry is
    // done, the status bar says when a tag could not be written or a result was out of range.
    void DoubleSelectedBpm();
    void HalveSelectedBpm();
    void AskSelectedBpm();
    // True while BPMs set by hand are still being given to their entries.
    bool WritingBpms() const { return !bpmWrites_->IsIdle(); }
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

Q_SIGNALS:
    // The status-bar text for the selected row: why its analysis failed, or empty.
    void RowStatusText(const QString& text);
    // The entry of the current (or first) selected row, 0 when no row is selected; sent when the
    // selection changes and when the list is rebuilt.
    void SelectedEntryChanged(std::uint32_t id);
    // A message about the outcome of a command on the selected rows.
    void CommandStatusText(const QString& text);
    // How many rows show a BPM that is not in their file's tag; sent whenever rows change.
    void UnwrittenTagCount(int count);

protected:
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Drag enter and drag over: the copy effect for a file list, nothing for other data.
    static void AnswerFileDrag(QDragMoveEvent* event);
    // Sorts the rows by m_nSortField in the current direction, comparing the entries.
    void SortRows();
    // Emits RowStatusText and SelectedEntryChanged for the current (or first) selected row.
    void AnnounceCurrentRow();
    // Gives each selected entry the BPM `newBpm` makes of its current one (0: leave it).
    void ApplySelectedBpm(const std::function<float(float)>& newBpm);
    // The ids of the selected rows in row order.
    std::vector<std::uint32_t> SelectedIds() const;

    // A finished hand-set BPM: its row is refreshed and a failure kept for the status bar.
    void OnBpmWritten(const CBpmWriteQueue::Done& done);
    // Every hand-set BPM is done: the status bar tells what went wrong, if anything.
    void OnBpmWritesDone();

    CCatalogRowModel* rows_;
    CBpmWriteQueue* bpmWrites_;
    QString bpmNotWritten_;  // the first file whose tag could not take its BPM
    bool bpmOutOfRange_ = false;
    bool initialised_ = false;
    bool sortDescending_ = true;      // m_bSortDescending
    int sortColumn_ = 0;              // m_nSortColumn
    std::int32_t sortField_ = 1;      // m_nSortField: the title
    KeyNotation keyNotation_ = KeyNotation::Standard;
    CReportPrinter report_;
};
