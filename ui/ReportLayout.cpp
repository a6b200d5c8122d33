#include "ui/ReportLayout.h"

#include <algorithm>

#include "ui/StringTable.h"

namespace {
// Lines of the page above the rows and in the page arithmetic.
constexpr int kRowsStartLine = 5;
constexpr int kTitleLine = 2;
constexpr int kReservedLines = 7;
constexpr int kSpareLines = 3;
constexpr int kFooterLinesBelowRows = 8;
}  // namespace

ReportLayout ComputeReportLayout(int deviceWidth, int deviceHeight, int lineHeight, int lineWidth,
                                 int rowCount) {
    ReportLayout layout;
    layout.lineHeight = std::max(lineHeight, 1);
    layout.lineWidth = lineWidth;
    layout.linesPerPage =
        std::max((deviceHeight - kReservedLines * layout.lineHeight) / layout.lineHeight - kSpareLines, 1);
    layout.rowCount = std::max(rowCount, 0);
    layout.pageCount =
        std::max((layout.rowCount + layout.linesPerPage - 1) / layout.linesPerPage, 1);
    layout.leftMargin = (deviceWidth - lineWidth) / 2;
    return layout;
}

ReportRowRange RowsOnPage(const ReportLayout& layout, int page) {
    ReportRowRange range;
    if (layout.rowCount == 0 || page < 1) return range;
    range.first = (page - 1) * layout.linesPerPage;
    range.last = std::min(layout.rowCount - 1, range.first + layout.linesPerPage - 1);
    return range;
}

int TitleLineY(const ReportLayout& layout) { return kTitleLine * layout.lineHeight; }

int TitleRuleY(const ReportLayout& layout) {
    return kTitleLine * layout.lineHeight + (3 * layout.lineHeight) / 2;
}

int RowLineY(const ReportLayout& layout, int rowOnPage) {
    return (rowOnPage + kRowsStartLine) * layout.lineHeight;
}

int FooterLineY(const ReportLayout& layout) {
    return (layout.linesPerPage + kFooterLinesBelowRows) * layout.lineHeight;
}

int FooterRuleY(const ReportLayout& layout) { return FooterLineY(layout) - layout.lineHeight / 2; }

QString ReportTitleLine(int page) {
    const QString pageText = FormatPageText(page);
    QString title = TwString(IDS_REPORT_TITLE);
    const qsizetype width = kReportLineLength - pageText.size();
    if (title.size() < width) title = title.leftJustified(width, u' ');
    return title + pageText;
}

QString FitToWidth(const QString& text, int width) {
    if (text.size() <= width) return text.leftJustified(width, u' ');
    QString cut = text.left(width);
    if (width > 0 && cut.back().isHighSurrogate()) cut.back() = u' ';
    return cut;
}

QString ReportRowLine(const std::array<QString, kCatalogColumnCount>& cells) {
    QString line;
    line.reserve(kReportLineLength);
    for (int c = 0; c < kCatalogColumnCount; ++c) {
        const int width = kCatalogColumns[static_cast<size_t>(c)].printWidth;
        if (width == 0) continue;
        if (c > 0) line += u' ';
        line += FitToWidth(cells[static_cast<size_t>(c)], width);
    }
    return line;
}
