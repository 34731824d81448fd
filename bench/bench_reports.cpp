// The values table of the 600-record evaluation printed to PDF through the report dispatch, as the
// host's --report 0 --pdf does, embedded (SQLite in process). Floor, measured in the same run: the
// same pages' text drawn straight with QPdfWriter, line by line at the same places.

#include "AppServerTransports.h"
#include "Globals.h"
#include "TApplication.h"
#include "TBenchWorld.h"
#include "TCaptura.h"
#include "TDtmReportes.h"
#include "TDtmSoMaleg.h"
#include "TFrmMemo.h"
#include "TFrmSoMaleg.h"
#include "TPdfExport.h"
#include "TPrompts.h"
#include "TReport.h"
#include "controls/TQSDBQbe.h"
#include "dataset/SClientDataSet.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Chooses the values table in the report chooser, as the headless host does.
class ChooseValuesTable : public TPrompts
{
public:
    int ShowModal(QDialog &dialog) override
    {
        dialog.setProperty("ItemIndex", 0);
        return QDialog::Accepted;
    }
};

void drawTextOnly(const TPreparedReport &pages, const QString &file)
{
    QPdfWriter writer(file);
    writer.setResolution(1200);
    const double scale = 1200 / 25.4;
    writer.setPageSize(QPageSize(pages.Page(0)->paperSize, QPageSize::Millimeter));
    QPainter painter(&writer);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8);
    painter.setFont(font);
    for (int i = 0; i < pages.PageCount(); ++i) {
        if (i > 0)
            writer.newPage();
        for (const TPrimitive &p : pages.Page(i)->items)
            if (p.kind == TPrimitive::Text)
                for (int l = 0; l < p.lines.size(); ++l)
                    painter.drawText(QPointF(p.rect.x() * scale, (p.rect.y() + (l + 1) * p.lineHeight) * scale),
                                     p.lines[l]);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString location = dir.filePath(QStringLiteral("bench.sqlite"));
    RegisterAppServerTransports();
    {
        std::shared_ptr<TAppServerEngine> engine = TAppServerEngine::ForDatabase(location);
        engine->CreateSchema();
        TBenchWorld::Build(*engine);
        TBenchWorld::AssignResponsiblesAndAxes(*engine);
    }
    gStProtocolo = QStringLiteral("local");
    gStParSrv = location;
    gStParUsu = gStParPas = gStCodiUsua = QStringLiteral("demo");
    gStParEmp = QString::number(TBenchWorld::Company());
    TApplication *application = Application();
    DtmSoMaleg = new TDtmSoMaleg(application);
    DtmReportes = new TDtmReportes(application);
    FrmSoMaleg = new TFrmSoMaleg(application);
    FrmMemo = new TFrmMemo(application);
    Captura = new TCaptura(application);
    application->SetPrompts(std::make_unique<ChooseValuesTable>());
    // Only the 600-record evaluation, as a query by example leaves it.
    FrmSoMaleg->DBQbe1->SetCondition(QStringLiteral("bench"), QStringLiteral("MA.FEC_PROC = :PFECPROC"));
    FrmSoMaleg->DBQbe1->ParamValues.insert(QStringLiteral("PFECPROC"), QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0)));
    FrmSoMaleg->DBQbe1->Reopen();
    const int records = DtmSoMaleg->QrySoMaleg->RecordCount();

    const QString pdf = dir.filePath(QStringLiteral("tabla.pdf"));
    application->PrintToPdfFile = pdf;
    TReport &report = *DtmReportes->frxRptMaleg;
    const double whole = BenchMedianMicros(rounds, 1, [&] { FrmSoMaleg->GenerarRpt(FrmSoMaleg->spbReporte); });
    const int pages = report.PreparedPages().PageCount();
    // The parts, on the records in the order the dispatch gives them for a company with areas.
    SClientDataSet *maleg = DtmSoMaleg->QrySoMaleg;
    maleg->Close();
    maleg->SetCommandText(maleg->CommandText() + QStringLiteral(" ORDER BY MA.RMT_PAMA, MA.RMT_DEPA, MA.COD_AREA, MA.RMT_ESTA"));
    maleg->Open();
    const double prepare = BenchMedianMicros(rounds, 1, [&] { report.PrepareReport(); });
    const double exportPdf =
        BenchMedianMicros(rounds, 1, [&] { TPdfExport().Export(report.PreparedPages(), dir.filePath(QStringLiteral("e.pdf"))); });
    const double floor = BenchMedianMicros(rounds, 1, [&] { drawTextOnly(report.PreparedPages(), dir.filePath(QStringLiteral("f.pdf"))); });

    std::printf("bench_reports: values table of %d records, %d pages, medians of %d rounds\n", records, pages, rounds);
    std::printf("  dispatch to PDF (reopen + prepare + export): %8.1f ms  %6.1f pages/s  %.2fx the floor\n",
                whole / 1000, pages / (whole / 1e6), whole / floor);
    std::printf("  prepare only:                                %8.1f ms  %6.1f pages/s\n", prepare / 1000,
                pages / (prepare / 1e6));
    std::printf("  export only:                                 %8.1f ms  %6.1f pages/s\n", exportPdf / 1000,
                pages / (exportPdf / 1e6));
    std::printf("  floor, the text drawn straight with QPdfWriter: %5.1f ms  %6.1f pages/s\n", floor / 1000,
                pages / (floor / 1e6));
    application->DestroyComponents();
    return 0;
}
