#include "TReportPrinter.h"

#include "TApplication.h"
#include "TPagePainter.h"
#include "TPreparedReport.h"
#include "TPrompts.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <stdexcept>

namespace {

// The paper a prepared page asks for. Its size is stored as printed, so a landscape page is the
// portrait paper turned: the printer is asked for the portrait paper in landscape, the way trays hold it.
QPageLayout layoutOf(const TPreparedPage &page)
{
    const QSizeF portrait = page.landscape ? page.paperSize.transposed() : page.paperSize;
    const QPageSize size(portrait, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    return QPageLayout(size, page.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF());
}

void drawPage(QPainter &painter, QPrinter &printer, const TPreparedPage &page, int total, bool onPrinterPaper)
{
    const double pxPerMm = printer.resolution() / 25.4;
    painter.save();
    if (onPrinterPaper) {
        const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
        const QSizeF size = page.paperSize * pxPerMm;
        const double scale = std::min({1.0, paper.width() / size.width(), paper.height() / size.height()});
        painter.translate((paper.width() - size.width() * scale) / 2, (paper.height() - size.height() * scale) / 2);
        painter.scale(scale, scale);
    }
    TPagePainter(painter, pxPerMm, total).Draw(page);
    painter.restore();
}

} // namespace

TReportPrinter::TReportPrinter() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    UseDefaultPrinter(*m_printer);
}

TReportPrinter::~TReportPrinter() = default;

void TReportPrinter::UseDefaultPrinter(QPrinter &printer)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull())
        printer.setPrinterName(info.printerName());
}

bool TReportPrinter::PageSetup(QWidget *parent)
{
    QPageSetupDialog dialog(m_printer.get(), parent);
    if (Application()->Prompts().ShowModal(dialog) != QDialog::Accepted)
        return false;
    OnPrinterPaper = true;
    return true;
}

bool TReportPrinter::Exec(const TPreparedReport &report, QWidget *parent, int currentPage)
{
    const int count = report.PageCount();
    if (count == 0)
        return false;
    QPrinter &printer = *m_printer;
    printer.setPrintRange(QPrinter::AllPages);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Imprimir %1").arg(report.ReportName));
    dialog.setMinMax(1, count);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, currentPage > 0);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    if (Application()->Prompts().ShowModal(dialog) != QDialog::Accepted)
        return false;
    int from = 1, to = count;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        from = printer.fromPage();
        to = printer.toPage();
        break;
    case QPrinter::CurrentPage:
        from = to = currentPage;
        break;
    case QPrinter::AllPages:
    case QPrinter::Selection:
        break;
    }
    PrintTo(printer, report, from, to, OnPrinterPaper);
    return true;
}

bool TReportPrinter::Print(const TPreparedReport &report, QWidget *parent)
{
    TReportPrinter printer;
    return printer.Exec(report, parent);
}

void TReportPrinter::PrintTo(QPrinter &printer, const TPreparedReport &report, int fromPage, int toPage,
                             bool onPrinterPaper)
{
    const int total = report.PageCount();
    fromPage = std::max(fromPage, 1);
    toPage = std::min(toPage, total);
    if (fromPage > toPage)
        return;
    // The pages' own papers replace the printer's only for this job.
    const QPageLayout chosen = printer.pageLayout();
    const bool fullPage = printer.fullPage();
    printer.setFullPage(true);
    printer.setDocName(report.ReportName);
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    const bool collate = printer.collateCopies();

    // The order of the sheets: collated copies repeat the range; uncollated ones repeat each page.
    std::vector<int> sheets;
    for (int c = 0; c < (collate ? copies : 1); ++c)
        for (int page = fromPage; page <= toPage; ++page)
            for (int u = 0; u < (collate ? 1 : copies); ++u)
                sheets.push_back(page - 1);

    QPainter painter;
    bool first = true;
    for (const int index : sheets) {
        const auto page = report.Page(index);
        if (!onPrinterPaper)
            printer.setPageLayout(layoutOf(*page));
        if (first) {
            if (!painter.begin(&printer)) {
                printer.setPageLayout(chosen);
                printer.setFullPage(fullPage);
                throw std::runtime_error(
                    QStringLiteral("No fue posible imprimir en %1.").arg(printer.printerName()).toStdString());
            }
            first = false;
        } else {
            printer.newPage();
        }
        drawPage(painter, printer, *page, total, onPrinterPaper);
    }
    painter.end();
    printer.setPageLayout(chosen);
    printer.setFullPage(fullPage);
}
