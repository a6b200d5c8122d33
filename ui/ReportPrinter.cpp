#include "ui/ReportPrinter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <algorithm>

#include "ui/CatalogRowModel.h"
#include "ui/StringTable.h"

void CReportPrinter::BeginPrinting(QPaintDevice& device, int rowCount) {
    QFont font(QString::fromLatin1(kReportFontFamily));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(kReportFontPoints);
    font_ = QFont(font, &device);
    const QFontMetrics metrics(*font_, &device);
    layout_ = ComputeReportLayout(device.width(), device.height(), metrics.height() + metrics.leading(),
                                  metrics.horizontalAdvance(QLatin1String(kReportRuler)), rowCount);
}

void CReportPrinter::DrawLine(QPainter& painter, int x, int top, const QString& text) const {
    painter.save();
    painter.setFont(*font_);
    painter.drawText(QPoint(x, top + painter.fontMetrics().ascent()), text);
    painter.restore();
}

void CReportPrinter::PrintPage(QPainter& painter, int page, const CCatalogRowModel& rows) const {
    if (!font_) return;
    const int left = layout_.leftMargin;
    const int right = left + layout_.lineWidth;

    DrawLine(painter, left, TitleLineY(layout_), ReportTitleLine(page));
    painter.drawLine(left, TitleRuleY(layout_), right, TitleRuleY(layout_));

    const ReportRowRange range = RowsOnPage(layout_, page);
    const int available = rows.rowCount();
    for (int i = range.first; i <= range.last && i < available; ++i) {
        std::array<QString, kCatalogColumnCount> cells;
        for (int c = 0; c < kCatalogColumnCount; ++c) cells[static_cast<size_t>(c)] = rows.CellText(i, c);
        DrawLine(painter, left, RowLineY(layout_, i - range.first), ReportRowLine(cells));
    }

    DrawLine(painter, left, FooterLineY(layout_), TwString(IDS_REPORT_FOOTER));
    painter.drawLine(left, FooterRuleY(layout_), right, FooterRuleY(layout_));
}

void CReportPrinter::EndPrinting() { font_.reset(); }

bool CReportPrinter::Print(QPrinter& printer, const CCatalogRowModel& rows) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    BeginPrinting(printer, rows.rowCount());
    const int first = printer.fromPage() > 0 ? std::max(printer.fromPage(), 1) : 1;
    const int last = printer.toPage() > 0 ? std::min(printer.toPage(), layout_.pageCount) : layout_.pageCount;
    for (int page = first; page <= last; ++page) {
        if (page > first) printer.newPage();
        PrintPage(painter, page, rows);
    }
    EndPrinting();
    return painter.end();
}
