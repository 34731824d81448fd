#include "TDtmReportes.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "TDtmSoMaleg.h"
#include "TPdfExport.h"
#include "TPrompts.h"
#include "TReport.h"
#include "TReportPreview.h"
#include "TReportPrinter.h"
#include "TReportWorkbook.h"
#include "TWorkProgress.h"
#include "dataset/TDataSet.h"

#include <QPointer>
#include <stdexcept>

// Preparing, previewing and printing a report.

bool TDtmReportes::PrepareReport(TReport &report, QWidget *parent)
{
    // The module's windows do not follow the records while the report walks them: their grids and
    // status hear once, at the end, that the datasets changed (grids reloading for the dependent
    // datasets reopened on every record cost as much as the counts the report asks for).
    QList<QPointer<TDataSet>> quiet;
    if (DtmSoMaleg)
        for (TDataSet *ds : DtmSoMaleg->findChildren<TDataSet *>()) {
            ds->DisableControls();
            quiet << ds;
        }
    const auto finish = [&] {
        report.OnProgress = nullptr;
        for (const QPointer<TDataSet> &ds : std::as_const(quiet))
            if (ds)
                ds->EnableControls();
    };
    // A run that lasts more than a second shows how many pages it has made and can be cancelled.
    TWorkProgress progress(report.Name, QStringLiteral("Preparando el reporte…"), parent);
    report.OnProgress = [&](int pages) {
        return progress.Step(pages, 0, QStringLiteral("Preparando el reporte… página %1").arg(pages));
    };
    try {
        const bool done = report.PrepareReport(true);
        finish();
        return done;
    } catch (const EReportError &e) {
        finish();
        throw Exception(e.Message);
    } catch (...) {
        finish();
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
    preview.SetWorkbookExport([this, &report, &preview](const QString &file) {
        return TReportWorkbook(*this).Write(report, file, &preview);
    });
    Application()->Prompts().ShowModal(preview);
}

void TDtmReportes::Print(TReport &report, QWidget *parent)
{
    // The headless workbook output reads the report's data, which the dispatch has prepared.
    if (const QString xlsx = Application()->PrintToXlsxFile; !xlsx.isEmpty()) {
        TReportWorkbook(*this).Write(report, xlsx, parent);
        if (Application()->PrintToPdfFile.isEmpty())
            return;
    }
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
