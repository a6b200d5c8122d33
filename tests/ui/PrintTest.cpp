#include <QPrinter>
#include <QRegularExpression>

#include "tests/ui/UiFixture.h"
#include "ui/CatalogRowModel.h"

using ReportPrintTest = UiFixture;

namespace {
// Prints the list's report into a PDF file.
void PrintToPdf(CTempowrightView& view, const std::filesystem::path& pdf) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    ASSERT_TRUE(view.PrintReport(printer));
}

int PageCount(const std::filesystem::path& pdf) {
    std::string info;
    EXPECT_EQ(RunCommand("pdfinfo '" + pdf.string() + "'", &info), 0);
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(QString::fromStdString(info));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

// The text of every page, laid out as printed; each page's lines without trailing spaces.
std::vector<QStringList> PageTexts(const std::filesystem::path& pdf) {
    std::string text;
    EXPECT_EQ(RunCommand("pdftotext -layout '" + pdf.string() + "' -", &text), 0);
    std::vector<QStringList> pages;
    for (const QString& page : QString::fromStdString(text).split(u'\f')) {
        QStringList lines;
        for (const QString& line : page.split(u'\n'))
            if (!line.trimmed().isEmpty()) lines << line;
        if (!lines.isEmpty()) pages.push_back(lines);
    }
    return pages;
}

// The line of `lines` that contains `text`, or an empty string.
QString LineWith(const QStringList& lines, const QString& text) {
    for (const QString& line : lines)
        if (line.contains(text)) return line;
    return {};
}

// Column just past the end of `text` in `line`, counted from the line's first printed character.
qsizetype EndColumn(const QString& line, const QString& text) {
    const qsizetype first = line.indexOf(QRegularExpression(QStringLiteral("\\S")));
    return line.indexOf(text) + text.size() - first;
}

// Column of `text` in `line`, counted from the line's first printed character.
qsizetype StartColumn(const QString& line, const QString& text) {
    const qsizetype first = line.indexOf(QRegularExpression(QStringLiteral("\\S")));
    return line.indexOf(text) - first;
}
}  // namespace

TEST_F(ReportPrintTest, FullPageThenOneRowMore) {
    const std::filesystem::path pdf = music.Path() / "report.pdf";
    PrintToPdf(View(), pdf);
    const int linesPerPage = View().LastReportLayout().linesPerPage;
    ASSERT_GT(linesPerPage, 10);
    EXPECT_EQ(PageCount(pdf), 1);  // an empty list prints one page

    std::vector<EntrySpec> rows;
    for (int i = 0; i < linesPerPage; ++i) {
        const std::string n = QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0')).toStdString();
        rows.push_back({"t" + n + ".wav", "Title " + n, "Artist " + n, "120"});
    }
    AddEntries(rows);
    PrintToPdf(View(), pdf);
    EXPECT_EQ(PageCount(pdf), 1);

    AddEntries({{"u.wav", "Last one", "", "99"}});
    PrintToPdf(View(), pdf);
    ASSERT_EQ(PageCount(pdf), 2);
    const std::vector<QStringList> pages = PageTexts(pdf);
    ASSERT_EQ(pages.size(), 2u);
    // Page 2: title line, the single row, the footer.
    ASSERT_EQ(pages[1].size(), 3);
    EXPECT_TRUE(pages[1][0].trimmed().endsWith(QStringLiteral("Page 2")));
    EXPECT_TRUE(pages[1][1].contains(QStringLiteral("Last one")));
    EXPECT_EQ(pages[0].size(), linesPerPage + 2);
}

TEST_F(ReportPrintTest, LinesAreEightyOneColumnsWithCutsPaddingAndProgress) {
    const std::vector<std::uint32_t> ids = AddEntries({
        {"a.wav", "Short", "Someone", "128"},
        {"b.wav", "An extraordinarily long title that goes on and on", "", "99.5"},
        {"c.wav", "Being analysed", "Band", ""},
    });
    View().ShowRowProgress(ids[2], 37);
    const std::filesystem::path pdf = music.Path() / "report.pdf";
    PrintToPdf(View(), pdf);
    const std::vector<QStringList> pages = PageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    const QStringList& page = pages[0];

    const QString title = LineWith(page, QStringLiteral("Quillmarsh Tempowright - BPM Report"));
    const QString full = LineWith(page, QStringLiteral("Someone"));
    const QString cut = LineWith(page, QStringLiteral("An extraordinarily"));
    const QString progress = LineWith(page, QStringLiteral("Being analysed"));
    ASSERT_FALSE(title.isEmpty() || full.isEmpty() || cut.isEmpty() || progress.isEmpty());

    // "Page 1" ends where a six-character BPM ends: at column 81.
    EXPECT_EQ(EndColumn(title, QStringLiteral("Page 1")), 81);
    EXPECT_EQ(EndColumn(full, QStringLiteral("128.00")), 81);
    // The title cell is cut to 37 characters.
    EXPECT_TRUE(cut.contains(QStringLiteral("An extraordinarily long title that go ")));
    EXPECT_FALSE(cut.contains(QStringLiteral("goes")));
    // An empty ARTIST is 36 spaces: the BPM stays in its column.
    EXPECT_EQ(StartColumn(cut, QStringLiteral("99.50")), 75);
    EXPECT_EQ(StartColumn(full, QStringLiteral("Someone")), 38);
    // A row in analysis prints its percentage.
    EXPECT_EQ(StartColumn(progress, QStringLiteral("37%")), 75);
    // The footer closes the page.
    EXPECT_TRUE(page.last().contains(QStringLiteral("www.quillmarsh.example")));
}

TEST_F(ReportPrintTest, AFailedAnalysisPrintsAsFailed) {
    AddEntries({{"gone.wav", "Never there", "Nobody", ""}, {"a.wav", "Fine", "", "128"}});
    const std::filesystem::path pdf = music.Path() / "report.pdf";
    PrintToPdf(View(), pdf);
    const std::vector<QStringList> pages = PageTexts(pdf);
    ASSERT_EQ(pages.size(), 1u);
    const QString failed = LineWith(pages[0], QStringLiteral("Never there"));
    EXPECT_EQ(StartColumn(failed, QStringLiteral("failed")), 75);
    EXPECT_FALSE(failed.contains(u'%'));
}
