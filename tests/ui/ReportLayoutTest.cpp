#include <gtest/gtest.h>

#include "ui/ReportLayout.h"

namespace {
// A page of 4960 x 7016 device pixels with 100-pixel lines and a 4860-pixel ruler.
ReportLayout Page(int rows) { return ComputeReportLayout(4960, 7016, 100, 4860, rows); }
}  // namespace

TEST(ReportLayout, PageArithmetic) {
    const ReportLayout empty = Page(0);
    // (7016 - 7 x 100) / 100 - 3 = 63 - 3
    EXPECT_EQ(empty.linesPerPage, 60);
    EXPECT_EQ(empty.leftMargin, 50);  // (4960 - 4860) / 2
    EXPECT_EQ(empty.pageCount, 1);    // an empty list still prints one page
    EXPECT_EQ(Page(60).pageCount, 1);
    EXPECT_EQ(Page(61).pageCount, 2);
    EXPECT_EQ(Page(120).pageCount, 2);
    EXPECT_EQ(Page(121).pageCount, 3);
}

TEST(ReportLayout, RowsOfEachPage) {
    const ReportLayout layout = Page(61);
    const ReportRowRange first = RowsOnPage(layout, 1);
    EXPECT_EQ(first.first, 0);
    EXPECT_EQ(first.last, 59);
    const ReportRowRange second = RowsOnPage(layout, 2);
    EXPECT_EQ(second.first, 60);
    EXPECT_EQ(second.last, 60);  // a single row, printed at 5 x lineHeight
    EXPECT_EQ(RowLineY(layout, second.last - second.first), 500);
    const ReportRowRange none = RowsOnPage(Page(0), 1);
    EXPECT_GT(none.first, none.last);
}

TEST(ReportLayout, VerticalPositions) {
    const ReportLayout layout = Page(10);
    EXPECT_EQ(TitleLineY(layout), 200);
    EXPECT_EQ(TitleRuleY(layout), 350);     // 2 x 100 + (3 x 100) / 2
    EXPECT_EQ(RowLineY(layout, 0), 500);
    EXPECT_EQ(RowLineY(layout, 3), 800);
    EXPECT_EQ(FooterLineY(layout), 6800);   // (60 + 8) x 100
    EXPECT_EQ(FooterRuleY(layout), 6750);
    // Integer halves: (3 x 33) / 2 = 49, 33 / 2 = 16.
    const ReportLayout odd = ComputeReportLayout(1000, 2000, 33, 900, 1);
    EXPECT_EQ(odd.linesPerPage, 50);        // (2000 - 231) / 33 - 3 = 53 - 3
    EXPECT_EQ(TitleRuleY(odd), 66 + 49);
    EXPECT_EQ(FooterRuleY(odd), 58 * 33 - 16);
}

TEST(ReportLayout, PageTooSmallStillPrintsARowPerPage) {
    // (500 - 700) / 100 - 3 would be -5 rows per page and a division by zero or a negative
    // page count; the layout keeps one row per page instead.
    const ReportLayout tiny = ComputeReportLayout(400, 500, 100, 300, 3);
    EXPECT_EQ(tiny.linesPerPage, 1);
    EXPECT_EQ(tiny.pageCount, 3);
    // A font without height counts as one pixel per line: (500 - 7) / 1 - 3.
    const ReportLayout flat = ComputeReportLayout(400, 500, 0, 300, 2);
    EXPECT_EQ(flat.lineHeight, 1);
    EXPECT_EQ(flat.linesPerPage, 490);
}

TEST(ReportLines, TitleEndsWithThePageNumberAtColumn81) {
    const QString first = ReportTitleLine(1);
    EXPECT_EQ(first.size(), 81);
    EXPECT_EQ(first, QStringLiteral("Quillmarsh Tempowright - BPM Report") + QString(40, u' ') +
                         QStringLiteral("Page 1"));
    const QString twelfth = ReportTitleLine(12);
    EXPECT_EQ(twelfth.size(), 81);
    EXPECT_TRUE(twelfth.endsWith(QStringLiteral(" Page 12")));
    EXPECT_EQ(ReportTitleLine(123456).size(), 81);
}

TEST(ReportLines, CellsArePaddedAndCutToTheirPrintWidths) {
    const QString longTitle = QStringLiteral("A title that is much longer than thirty-seven characters");
    const QString line = ReportRowLine({longTitle, QString(), QStringLiteral("37%")});
    EXPECT_EQ(line.size(), 81);
    EXPECT_EQ(line.left(37), longTitle.left(37));
    EXPECT_EQ(line.mid(37, 38), QString(38, u' '));  // separator, 36 spaces, separator
    EXPECT_EQ(line.mid(75), QStringLiteral("37%   "));

    const QString full = ReportRowLine({QStringLiteral("Song"), QStringLiteral("Band"), QStringLiteral("128.00")});
    EXPECT_EQ(full, QStringLiteral("Song") + QString(33, u' ') + u' ' + QStringLiteral("Band") +
                        QString(32, u' ') + u' ' + QStringLiteral("128.00"));
    // A BPM text wider than its column is cut.
    EXPECT_EQ(ReportRowLine({QString(), QString(), QStringLiteral("1234.56")}).mid(75), QStringLiteral("1234.5"));
}

TEST(ReportLines, CutNeverSplitsASurrogatePair) {
    const QString clef = QString::fromUtf8("\xF0\x9D\x84\x9E");  // one character, two code units
    EXPECT_EQ(FitToWidth(QStringLiteral("ab") + clef, 3), QStringLiteral("ab "));
    EXPECT_EQ(FitToWidth(QStringLiteral("a") + clef, 3), QStringLiteral("a") + clef);
    EXPECT_EQ(FitToWidth(QString(), 4), QStringLiteral("    "));
}
