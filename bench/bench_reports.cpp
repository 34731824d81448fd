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
#include "TDatabase.h"
#include "THttpService.h"
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
#include <sqlite3.h>

namespace {

// Chooses a report in the report chooser, as the headless host does.
class ChooseOption : public TPrompts
{
public:
    explicit ChooseOption(int option) : m_option(option) {}
    int ShowModal(QDialog &dialog) override
    {
        dialog.setProperty("ItemIndex", m_option);
        return QDialog::Accepted;
    }

private:
    int m_option;
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
    std::shared_ptr<TAppServerEngine> engine = TAppServerEngine::ForDatabase(location);
    {
        engine->CreateSchema();
        TBenchWorld::Build(*engine);
        TBenchWorld::AssignResponsiblesAndAxes(*engine);
        // Two plan activities on every record of the 600-record evaluation, months planned and
        // executed in a pattern, for the annual plan report.
        TDatabase &db = engine->Database();
        QStringList months;
        for (const char *m : {"ENE", "FEB", "MAR", "ABR", "MAY", "JUN", "JUL", "AGO", "SEP", "OCT", "NOV", "DIC"})
            months << QString::fromLatin1(m);
        QString columns, values;
        for (int i = 0; i < 12; ++i) {
            columns += QStringLiteral(", %1_PLAN, %1_EJEC").arg(months[i]);
            values += QStringLiteral(", CASE WHEN (MA.RMT_ITES + %1 + P.N) %% 3 = 0 THEN 'S' ELSE 'N' END,"
                                     " CASE WHEN (MA.RMT_ITES + %1 + P.N) %% 6 = 0 THEN 'S' ELSE 'N' END")
                          .arg(i);
        }
        values.replace(QStringLiteral("%%"), QStringLiteral("%"));
        db.Run(QStringLiteral("INSERT INTO SO_PLASS (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, FEC_PROC, RMT_PAMA, RMT_DEPA,"
                              " RMT_ESTA, RMT_ITES, OPC_CICL, ACT_ASGS, RES_PONS, REC_URSO, CUM_META, COD_AREA, RMT_PLAS%1)"
                              " SELECT 'BENCH', MA.FEC_PROC, 'A', MA.COD_EMPR, MA.FEC_PROC, MA.RMT_PAMA, MA.RMT_DEPA, MA.RMT_ESTA,"
                              " MA.RMT_ITES, 'P', 'Actividad ' || P.N, 'Coordinación de SST', 'A', 90, MA.COD_AREA,"
                              " 100000 + 2 * (SELECT COUNT(*) FROM SO_MALEG M2 WHERE M2.rowid < MA.rowid) + P.N%2"
                              " FROM SO_MALEG MA, (SELECT 0 AS N UNION ALL SELECT 1) P WHERE MA.COD_EMPR = ? AND MA.FEC_PROC = ?")
                   .arg(columns, values),
               {TBenchWorld::Company(), QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0))});
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
    application->SetPrompts(std::make_unique<ChooseOption>(0));
    // Only the 600-record evaluation, as a query by example leaves it.
    // ZE_BENCH_AREAS=N keeps the first N areas only (for profiling runs).
    const QString areas = qEnvironmentVariable("ZE_BENCH_AREAS");
    FrmSoMaleg->DBQbe1->SetCondition(QStringLiteral("bench"), QStringLiteral("MA.FEC_PROC = :PFECPROC") +
                                                                 (areas.isEmpty() ? QString() : QStringLiteral(" AND MA.COD_AREA <= ") + QString::number(areas.toInt())));
    FrmSoMaleg->DBQbe1->ParamValues.insert(QStringLiteral("PFECPROC"), QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0)));
    FrmSoMaleg->DBQbe1->Reopen();
    const int records = DtmSoMaleg->QrySoMaleg->RecordCount();

    // One activity count of the current record, as the annual plan asks 168 of them per record.
    const double count = BenchMedianMicros(rounds, 2000, [&] { DtmSoMaleg->TotalActiv(QStringLiteral("ENE_PLAN")); });
    std::printf("  one activity count (TotalActiv), embedded:  %8.1f us\n", count);
    if (qEnvironmentVariableIsSet("ZE_BENCH_COUNT_ONLY"))
        return 0;

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
    // The annual plan: a section per record, every figure counted on the server when printed.
    const double plan = BenchMedianMicros(std::max(1, rounds / 3), 1, [&] {
        application->SetPrompts(std::make_unique<ChooseOption>(3));
        FrmSoMaleg->GenerarRpt(FrmSoMaleg->spbReporte);
    });
    const int planPages = DtmReportes->frxRPlanAnual->PreparedPages().PageCount();
    QElapsedTimer split;
    split.start();
    DtmReportes->frxRPlanAnual->PrepareReport();
    const double planPrepare = double(split.nsecsElapsed()) / 1000.0;
    split.restart();
    TPdfExport().Export(DtmReportes->frxRPlanAnual->PreparedPages(), qEnvironmentVariable("ZE_BENCH_PLAN_PDF", dir.filePath(QStringLiteral("plan.pdf"))));
    const double planExport = double(split.nsecsElapsed()) / 1000.0;
    std::printf("  annual plan, prepare only:                   %8.1f ms\n  annual plan, export only:                    %8.1f ms\n",
                planPrepare / 1000, planExport / 1000);
    const int sections = DtmSoMaleg->QrySoMaleg->RecordCount();

    // Floor: the same count queries straight through the SQLite C API (168 per record: 48 by the
    // record navigation, 120 by the printed figures), plus the same pages' text drawn straight.
    double floorCounts = 0;
    {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(location.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "SELECT COUNT(ENE_PLAN) FROM SO_PLASS WHERE COD_EMPR = ? AND ENE_PLAN = 'S' AND FEC_PROC = ?"
                               " AND RMT_PAMA = ? AND RMT_DEPA = ? AND RMT_ESTA = ? AND RMT_ITES = ?",
                           -1, &st, nullptr);
        const QByteArray date = TDatabase::ToDb(QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0))).toString().toUtf8();
        QElapsedTimer t;
        t.start();
        for (int r = 0; r < sections; ++r)
            for (int c = 0; c < 168; ++c) {
                sqlite3_bind_int(st, 1, TBenchWorld::Company());
                sqlite3_bind_text(st, 2, date.constData(), int(date.size()), SQLITE_STATIC);
                for (int k = 3; k <= 6; ++k)
                    sqlite3_bind_int(st, k, 1 + (r + k) % 3);
                while (sqlite3_step(st) == SQLITE_ROW) {
                }
                sqlite3_reset(st);
            }
        floorCounts = double(t.nsecsElapsed()) / 1000.0;
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    const double floorPages = BenchMedianMicros(1, 1, [&] {
        drawTextOnly(DtmReportes->frxRPlanAnual->PreparedPages(), dir.filePath(QStringLiteral("fplan.pdf")));
    });
    const double planFloor = floorCounts + floorPages;
    std::printf("  annual plan to PDF (%d sections), embedded: %8.1f ms  %6.1f pages/s  (%d pages)  %.1fx the floor\n",
                sections, plan / 1000, planPages / (plan / 1e6), planPages, plan / planFloor);
    std::printf("  floor: %d counts through the C API %.1f ms + the pages' text drawn straight %.1f ms\n", sections * 168,
                floorCounts / 1000, floorPages / 1000);
    application->DestroyComponents();

    // The same over HTTP: the module talks to the service started in this process.
    THttpService http(engine);
    const int port = http.Start(QStringLiteral("127.0.0.1"), 0);
    gStProtocolo = QStringLiteral("http");
    gStParSrv = QStringLiteral("127.0.0.1:%1").arg(port);
    DtmSoMaleg = new TDtmSoMaleg(application);
    DtmReportes = new TDtmReportes(application);
    FrmSoMaleg = new TFrmSoMaleg(application);
    FrmMemo = new TFrmMemo(application);
    Captura = new TCaptura(application);
    FrmSoMaleg->DBQbe1->SetCondition(QStringLiteral("bench"), QStringLiteral("MA.FEC_PROC = :PFECPROC") +
                                                                 (areas.isEmpty() ? QString() : QStringLiteral(" AND MA.COD_AREA <= ") + QString::number(areas.toInt())));
    FrmSoMaleg->DBQbe1->ParamValues.insert(QStringLiteral("PFECPROC"), QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0)));
    FrmSoMaleg->DBQbe1->Reopen();
    application->SetPrompts(std::make_unique<ChooseOption>(3));
    QElapsedTimer overHttp;
    overHttp.start();
    FrmSoMaleg->GenerarRpt(FrmSoMaleg->spbReporte);
    const double planHttp = double(overHttp.nsecsElapsed()) / 1000.0;
    std::printf("  annual plan to PDF, HTTP:                   %8.1f ms  %6.1f pages/s\n", planHttp / 1000,
                DtmReportes->frxRPlanAnual->PreparedPages().PageCount() / (planHttp / 1e6));
    application->DestroyComponents();
    http.Stop();
    return 0;
}
