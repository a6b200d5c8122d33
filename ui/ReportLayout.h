#pragma once
// The arithmetic and the text lines of the printed BPM report, apart from any painting: every
// report line is 81 characters (TITLE 37, a space, ARTIST 36, a space, BPM 6), and a page holds
// a title line, its rule, `linesPerPage` rows and a footer with its rule, all in lines of the
// report font on the printer's own device units.

#include <QString>
#include <array>

#include "ui/CatalogColumns.h"

// Characters in every report line, and the ruler whose printed width gives the line width.
inline constexpr int kReportLineLength = 81;
inline constexpr char kReportRuler[] =
    "---------1---------2---------3---------4---------5---------6---------7---------8-";
// The report font.
inline constexpr char kReportFontFamily[] = "Courier New";
inline constexpr int kReportFontPoints = 10;

struct ReportLayout {
    int lineHeight = 0;    // the font's height plus its external leading
    int lineWidth = 0;     // printed width of the ruler
    int leftMargin = 0;    // centres a report line on the page
    int linesPerPage = 0;  // entry rows per page, at least 1
    int rowCount = 0;
    int pageCount = 0;     // the job's last page: at least 1, so an empty list prints one page
};

// The layout for a page of `deviceWidth` x `deviceHeight` device pixels. Rows per page are
// (deviceHeight - 7 x lineHeight) / lineHeight - 3, but never fewer than 1, so a page too small
// for the report still prints one row per page instead of dividing by zero.
ReportLayout ComputeReportLayout(int deviceWidth, int deviceHeight, int lineHeight, int lineWidth,
                                 int rowCount);

// Rows printed on page `page` (1-based): first and last index, inclusive; first > last when the
// page has none.
struct ReportRowRange {
    int first = 0;
    int last = -1;
};
ReportRowRange RowsOnPage(const ReportLayout& layout, int page);

// Vertical positions (top of the text, in device pixels) of the page's parts.
int TitleLineY(const ReportLayout& layout);
int TitleRuleY(const ReportLayout& layout);
int RowLineY(const ReportLayout& layout, int rowOnPage);  // 0 for the first row of a page
int FooterLineY(const ReportLayout& layout);
int FooterRuleY(const ReportLayout& layout);

// The report title, padded with spaces so that "Page %d" of `page` ends at column 81 (a title
// already that long is not padded).
QString ReportTitleLine(int page);

// One row: per column in order, a space before every column but the first, then the cell's text
// padded with spaces and cut to the column's print width.
QString ReportRowLine(const std::array<QString, kCatalogColumnCount>& cells);

// `text` padded with spaces or cut to `width` characters; a cut never splits a surrogate pair
// (the lone first half becomes a space).
QString FitToWidth(const QString& text, int width);
