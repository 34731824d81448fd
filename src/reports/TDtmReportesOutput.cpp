#include "TDtmReportes.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "TPdfExport.h"
#include "TPrompts.h"
#include "TReport.h"
#include "TReportPreview.h"
#include "TReportPrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <stdexcept>

// Preparing, previewing and printing a report.

bool TDtmReportes::PrepareReport(TReport &report, QWidget *parent)
{
    // A run that lasts more than a second shows how many pages it has made and can be cancelled.
    std::unique_ptr<QProgressDialog> progress;
    QElapsedTimer clock;
    clock.start();
    const bool interactive = qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr &&
                             Application()->PrintToPdfFile.isEmpty();
    report.OnProgress = [&](int pages) {
        if (!interactive || clock.elapsed() < 1000)
            return true;
        if (!progress) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Preparando el reporte…"),
                                                         QStringLiteral("Cancelar"), 0, 0, parent);
            progress->setWindowTitle(report.Name);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
        }
        progress->setLabelText(QStringLiteral("Preparando el reporte… página %1").arg(pages));
        progress->setValue(0);
        QCoreApplication::processEvents();
        return !progress->wasCanceled();
    };
    try {
        const bool done = report.PrepareReport(true);
        report.OnProgress = nullptr;
        return done;
    } catch (const EReportError &e) {
        report.OnProgress = nullptr;
        throw Exception(e.Message);
    } catch (...) {
        report.OnProgress = nullptr;
        throw;
    }
}

void TDtmReportes::ShowReport(TReport &report, QWidget *parent)
{
    if (!PrepareReport(report, parent))
        return;
    TReportPreview preview(report.PreparedPages(), parent);
    // The values table and the two charts show the edit button, which stays disabled.
    preview.SetShowEditButton(&report == frxRptMaleg.get() || &report == frxRptGraCicl.get() ||
                              &report == frxRptGraEsta.get());
    Application()->Prompts().ShowModal(preview);
}

void TDtmReportes::Print(TReport &report, QWidget *parent)
{
    if (!PrepareReport(report, parent))
        return;
    const QString pdf = Application()->PrintToPdfFile;
    try {
        if (pdf.isEmpty())
            TReportPrinter::Print(report.PreparedPages(), parent);
        else
            TPdfExport().Export(report.PreparedPages(), pdf);
    } catch (const std::runtime_error &e) {
        throw Exception(QString::fromStdString(e.what()));
    }
}
