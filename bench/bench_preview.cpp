// Benchmark of the report preview over a 600-page prepared report (40 pages in memory, the rest in the
// spool file), each page a table of 40 rows x 5 text cells with an outline entry:
// - opening the preview (it reads every page once for the paper sizes and the outline), against
//   reading the 600 pages alone;
// - painting the view at 100 % while scrolling through spooled pages one wheel step at a time,
//   against the page painter drawing the same page into an image of the view's size.
//
//   QT_QPA_PLATFORM=offscreen bench_preview [pages=600] [repeats=7]
#include "TBenchWorld.h"
#include "TPagePainter.h"
#include "TPreparedReport.h"
#include "TPreviewPages.h"
#include "TReportPreview.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <cstdio>

namespace {

TPreparedPage tablePage(int n)
{
    TPreparedPage page;
    page.paperSize = QSizeF(215.9, 279.4);
    for (int row = 0; row < 40; ++row)
        for (int col = 0; col < 5; ++col) {
            TPrimitive cell;
            cell.rect = QRectF(10 + col * 39, 30 + row * 6, 39, 6);
            cell.lines = QStringList{QStringLiteral("Página %1 fila %2 celda %3").arg(n).arg(row).arg(col)};
            cell.fontFamily = QStringLiteral("Tahoma");
            cell.lineHeight = 4;
            cell.frameSides = TPrimitive::AllSides;
            page.items.push_back(std::move(cell));
        }
    page.outline = {{QStringLiteral("Sección %1").arg(n), 0, 30}};
    return page;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int pages = argc > 1 ? atoi(argv[1]) : 600;
    const int repeats = argc > 2 ? atoi(argv[2]) : 7;
    TPreparedReport report;
    report.ReportName = QStringLiteral("Banco de pruebas");
    for (int n = 1; n <= pages; ++n)
        report.AddPage(tablePage(n));

    const double open = BenchMedianMicros(repeats, 1, [&] { TReportPreview preview(report); });
    const double read = BenchMedianMicros(repeats, 1, [&] {
        for (int i = 0; i < report.PageCount(); ++i)
            report.Page(i);
    });
    std::printf("open the preview, %d pages: %.1f ms (reading the pages alone: %.1f ms)\n", pages, open / 1000,
                read / 1000);

    TReportPreview preview(report);
    preview.setWindowState(Qt::WindowNoState);
    preview.resize(1100, 800);
    preview.show();
    QWidget *view = preview.Pages()->viewport();
    QImage canvas(view->size(), QImage::Format_ARGB32_Premultiplied);
    preview.GoToPage(pages / 2);
    QScrollBar *bar = preview.Pages()->verticalScrollBar();
    // The whole view is painted each step, as after a jump; a real scroll repaints only the strip
    // that comes into sight.
    const double scroll = BenchMedianMicros(repeats, 50, [&] {
        bar->setValue(bar->value() + 120);
        view->render(&canvas);
    });
    int index = pages / 2;
    const double floor = BenchMedianMicros(repeats, 50, [&] {
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        TPagePainter(painter, view->logicalDpiX() / 25.4, pages).Draw(*report.Page(index++ % pages));
    });
    std::printf(
        "one wheel step and a repaint at 100 %%, spooled pages: %.2f ms (page painter into an image: %.2f ms)\n",
        scroll / 1000, floor / 1000);
    return 0;
}
