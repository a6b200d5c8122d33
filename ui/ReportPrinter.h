#pragma once
// Paints the BPM report: the printing state between the steps of one print job (the report
// font created for the printer, and the layout measured with it) and the painting of one page
// from the list's rows as they are shown, in their current order.

#include <QFont>
#include <optional>

#include "ui/ReportLayout.h"

class CCatalogRowModel;
class QPainter;
class QPaintDevice;
class QPrinter;

class CReportPrinter {
public:
    // Creates the report font for `device`, measures the layout of `rowCount` rows on it.
    void BeginPrinting(QPaintDevice& device, int rowCount);
    // Paints page `page` (1-based): the title line and its rule, the page's rows read from
    // `rows`, the footer and its rule. Nothing before BeginPrinting.
    void PrintPage(QPainter& painter, int page, const CCatalogRowModel& rows) const;
    // Deletes the report font.
    void EndPrinting();

    // Runs a whole job on `printer`: begin, every page of the printer's range (all pages when it
    // names none), end. False when the printer cannot be painted on.
    bool Print(QPrinter& printer, const CCatalogRowModel& rows);

    const ReportLayout& Layout() const { return layout_; }

private:
    void DrawLine(QPainter& painter, int x, int top, const QString& text) const;

    std::optional<QFont> font_;
    ReportLayout layout_;
};
