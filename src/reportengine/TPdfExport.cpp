#include "TPdfExport.h"

#include "TPagePainter.h"
#include "TPreparedReport.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <stdexcept>

namespace {

QPageLayout layoutOf(const TPreparedPage &page)
{
    // The page size is given as printed (landscape already turned), so the layout is portrait.
    const QPageSize size(page.paperSize, QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    return QPageLayout(size, QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

} // namespace

bool TPdfExport::Export(const TPreparedReport &report, const QString &fileName) const
{
    const int total = report.PageCount();
    {
        QPdfWriter writer(fileName);
        writer.setTitle(report.ReportName);
        writer.setCreator(Creator);
        writer.setResolution(Resolution);
        if (total > 0)
            writer.setPageLayout(layoutOf(*report.Page(0)));
        QPainter painter;
        if (!painter.begin(&writer))
            throw std::runtime_error(
                QStringLiteral("No fue posible escribir el archivo %1.").arg(fileName).toStdString());
        const double pxPerMm = Resolution / 25.4;
        TPagePainter pagePainter(painter, pxPerMm, total);
        for (int i = 0; i < total; ++i) {
            const auto page = report.Page(i);
            if (i > 0) {
                writer.setPageLayout(layoutOf(*page));
                writer.newPage();
            }
            pagePainter.Draw(*page);
            if (OnProgress && !OnProgress(i + 1, total)) {
                painter.end();
                QFile::remove(fileName);
                return false;
            }
        }
        if (!painter.end())
            throw std::runtime_error(
                QStringLiteral("No fue posible terminar el archivo %1.").arg(fileName).toStdString());
    }
    return true;
}
