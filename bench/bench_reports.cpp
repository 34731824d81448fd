// The values table of the 600-record evaluation printed to PDF through the report dispatch, as the
// host's --report 0 --pdf does, embedded (SQLite in process). Floor, measured in the same run: the
// same pages drawn straight with QPdfWriter (texts line by line, fills, frames, lines, charts).

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
#include "TChartView.h"
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

// The pages drawn straight with QPdfWriter, without the report engine's painter: fills and frames
// as rectangles and lines, every text line at its place in one font, images, and each chart as its
// axes, bars, polylines, title, category names and value marks.
void drawStraight(const TPreparedReport &pages, const QString &file)
{
    QPdfWriter writer(file);
    writer.setResolution(1200);
    const double scale = 1200 / 25.4;
    writer.setPageSize(QPageSize(pages.Page(0)->paperSize, QPageSize::Millimeter));
    QPainter painter(&writer);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSizeF(8);
    painter.setFont(font);
    const auto mm = [scale](const QRectF &r) {
        return QRectF(r.x() * scale, r.y() * scale, r.width() * scale, r.height() * scale);
    };
    for (int i = 0; i < pages.PageCount(); ++i) {
        if (i > 0)
            writer.newPage();
        for (const TPrimitive &p : pages.Page(i)->items) {
            const QRectF box = mm(p.rect);
            switch (p.kind) {
            case TPrimitive::Line:
                painter.drawLine(box.topLeft(), box.bottomRight());
                break;
            case TPrimitive::Rect:
            case TPrimitive::Text:
                if (p.fill.isValid())
                    painter.fillRect(box, p.fill);
                if (p.frameSides == TPrimitive::AllSides) {
                    painter.drawRect(box);
                } else {
                    if (p.frameSides & TPrimitive::LeftSide)
                        painter.drawLine(box.topLeft(), box.bottomLeft());
                    if (p.frameSides & TPrimitive::TopSide)
                        painter.drawLine(box.topLeft(), box.topRight());
                    if (p.frameSides & TPrimitive::RightSide)
                        painter.drawLine(box.topRight(), box.bottomRight());
                    if (p.frameSides & TPrimitive::BottomSide)
                        painter.drawLine(box.bottomLeft(), box.bottomRight());
                }
                for (int l = 0; l < p.lines.size(); ++l)
                    painter.drawText(QPointF(box.x(), box.y() + (l + 1) * p.lineHeight * scale), p.lines[l]);
                break;
            case TPrimitive::Image:
                painter.drawImage(box, p.image);
                break;
            case TPrimitive::Drawing: {
                const TChartDrawing chart = TChartDrawing::Decode(p.drawing);
                painter.drawText(box.topLeft() + QPointF(box.width() / 3, 40), chart.Title);
                const QRectF plot =
                    box.adjusted(box.width() * 0.1, box.height() * 0.15, -box.width() * 0.2, -box.height() * 0.2);
                painter.drawLine(plot.bottomLeft(), plot.topLeft());
                painter.drawLine(plot.bottomLeft(), plot.bottomRight());
                const int n = std::max<int>(1, int(chart.Data.Categories.size()));
                const double step = plot.width() / n;
                for (int c = 0; c < chart.Data.Categories.size(); ++c)
                    painter.drawText(QPointF(plot.x() + c * step, plot.bottom() + 80), chart.Data.Categories[c]);
                double top = 1;
                for (const QList<double> &values : chart.Data.Values)
                    for (double v : values)
                        top = std::max(top, v);
                for (size_t k = 0; k < chart.SeriesList.size() && k < size_t(chart.Data.Values.size()); ++k) {
                    const QList<double> &values = chart.Data.Values[qsizetype(k)];
                    painter.drawText(QPointF(plot.right() + 40, plot.top() + 80 * double(k + 1)),
                                     chart.SeriesList[k].Title);
                    QPolygonF line;
                    for (int c = 0; c < values.size(); ++c) {
                        const QPointF at(plot.x() + (c + 0.5) * step, plot.bottom() - values[c] / top * plot.height());
                        if (chart.SeriesList[k].Line)
                            line << at;
                        else
                            painter.fillRect(QRectF(at.x() - step / 4, at.y(), step / 2, plot.bottom() - at.y()),
                                             chart.SeriesList[k].Color);
                        painter.drawText(at - QPointF(0, 20), QString::number(values[c]));
                    }
                    if (!line.isEmpty())
                        painter.drawPolyline(line);
                }
                break;
            }
            }
        }
    }
}

// Only the 600-record evaluation, as a query by example leaves it; areas (ZE_BENCH_AREAS) keeps
// the first N areas only.
void selectRecords(const QString &areas)
{
    FrmSoMaleg->DBQbe1->SetCondition(
        QStringLiteral("bench"),
        QStringLiteral("MA.FEC_PROC = :PFECPROC") +
            (areas.isEmpty() ? QString() : QStringLiteral(" AND MA.COD_AREA <= ") + QString::number(areas.toInt())));
    FrmSoMaleg->DBQbe1->ParamValues.insert(QStringLiteral("PFECPROC"),
                                           QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0)));
    FrmSoMaleg->DBQbe1->Reopen();
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
        db.Run(QStringLiteral(
                   "INSERT INTO SO_PLASS (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, FEC_PROC, RMT_PAMA, RMT_DEPA,"
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
    selectRecords(areas);
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
    maleg->SetCommandText(maleg->CommandText() +
                          QStringLiteral(" ORDER BY MA.RMT_PAMA, MA.RMT_DEPA, MA.COD_AREA, MA.RMT_ESTA"));
    maleg->Open();
    const double prepare = BenchMedianMicros(rounds, 1, [&] { report.PrepareReport(); });
    const double exportPdf = BenchMedianMicros(
        rounds, 1, [&] { TPdfExport().Export(report.PreparedPages(), dir.filePath(QStringLiteral("e.pdf"))); });
    const double floor = BenchMedianMicros(
        rounds, 1, [&] { drawStraight(report.PreparedPages(), dir.filePath(QStringLiteral("f.pdf"))); });

    std::printf("bench_reports: values table of %d records, %d pages, medians of %d rounds\n", records, pages, rounds);
    std::printf("  dispatch to PDF (reopen + prepare + export): %8.1f ms  %6.1f pages/s  %.2fx the floor\n",
                whole / 1000, pages / (whole / 1e6), whole / floor);
    std::printf("  prepare only:                                %8.1f ms  %6.1f pages/s\n", prepare / 1000,
                pages / (prepare / 1e6));
    std::printf("  export only:                                 %8.1f ms  %6.1f pages/s\n", exportPdf / 1000,
                pages / (exportPdf / 1e6));
    std::printf("  floor, the pages drawn straight with QPdfWriter: %5.1f ms  %6.1f pages/s\n", floor / 1000,
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
    TPdfExport().Export(DtmReportes->frxRPlanAnual->PreparedPages(),
                        qEnvironmentVariable("ZE_BENCH_PLAN_PDF", dir.filePath(QStringLiteral("plan.pdf"))));
    const double planExport = double(split.nsecsElapsed()) / 1000.0;
    std::printf("  annual plan, prepare only:                   %8.1f ms\n  annual plan, export only:                  "
                "  %8.1f ms\n",
                planPrepare / 1000, planExport / 1000);
    const int sections = DtmSoMaleg->QrySoMaleg->RecordCount();

    // Floor: the same count queries straight through the SQLite C API on the printed records' keys
    // (168 per record: 48 by the record navigation, 120 by the printed figures), plus the same
    // pages drawn straight.
    double floorCounts = 0;
    {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(location.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        // The printed records' own keys, and one statement per month flag, each prepared once.
        struct Key
        {
            QByteArray date;
            int pama, depa, esta, ites;
        };
        std::vector<Key> keys;
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(
            db,
            "SELECT FEC_PROC, RMT_PAMA, RMT_DEPA, RMT_ESTA, RMT_ITES FROM SO_MALEG WHERE COD_EMPR = ? AND FEC_PROC = ?"
            " AND (? = 0 OR COD_AREA <= ?)",
            -1, &st, nullptr);
        const QByteArray processDate =
            TDatabase::ToDb(QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0))).toString().toUtf8();
        sqlite3_bind_int(st, 1, TBenchWorld::Company());
        sqlite3_bind_text(st, 2, processDate.constData(), int(processDate.size()), SQLITE_STATIC);
        sqlite3_bind_int(st, 3, areas.toInt());
        sqlite3_bind_int(st, 4, areas.toInt());
        while (sqlite3_step(st) == SQLITE_ROW)
            keys.push_back({QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))),
                            sqlite3_column_int(st, 1), sqlite3_column_int(st, 2), sqlite3_column_int(st, 3),
                            sqlite3_column_int(st, 4)});
        sqlite3_finalize(st);
        std::vector<sqlite3_stmt *> counts;
        for (const char *m : {"ENE", "FEB", "MAR", "ABR", "MAY", "JUN", "JUL", "AGO", "SEP", "OCT", "NOV", "DIC"})
            for (const char *kind : {"_PLAN", "_EJEC"}) {
                const QByteArray column = QByteArray(m) + kind;
                const QByteArray sql =
                    "SELECT COUNT(" + column + ") FROM SO_PLASS WHERE COD_EMPR = ? AND " + column +
                    " = ? AND FEC_PROC = ? AND RMT_PAMA = ? AND RMT_DEPA = ? AND RMT_ESTA = ? AND RMT_ITES = ?";
                counts.push_back(nullptr);
                sqlite3_prepare_v2(db, sql.constData(), -1, &counts.back(), nullptr);
            }
        QElapsedTimer t;
        t.start();
        for (const Key &k : keys)
            for (int c = 0; c < 168; ++c) {
                sqlite3_stmt *q = counts[size_t(c % 24)];
                sqlite3_bind_int(q, 1, TBenchWorld::Company());
                sqlite3_bind_text(q, 2, "S", 1, SQLITE_STATIC);
                sqlite3_bind_text(q, 3, k.date.constData(), int(k.date.size()), SQLITE_STATIC);
                sqlite3_bind_int(q, 4, k.pama);
                sqlite3_bind_int(q, 5, k.depa);
                sqlite3_bind_int(q, 6, k.esta);
                sqlite3_bind_int(q, 7, k.ites);
                while (sqlite3_step(q) == SQLITE_ROW) {
                }
                sqlite3_reset(q);
            }
        floorCounts = double(t.nsecsElapsed()) / 1000.0;
        for (sqlite3_stmt *q : counts)
            sqlite3_finalize(q);
        sqlite3_close(db);
    }
    const double floorPages = BenchMedianMicros(1, 1, [&] {
        drawStraight(DtmReportes->frxRPlanAnual->PreparedPages(), dir.filePath(QStringLiteral("fplan.pdf")));
    });
    const double planFloor = floorCounts + floorPages;
    std::printf("  annual plan to PDF (%d sections), embedded: %8.1f ms  %6.1f pages/s  (%d pages)  %.1fx the floor\n",
                sections, plan / 1000, planPages / (plan / 1e6), planPages, plan / planFloor);
    std::printf("  floor: %d counts through the C API %.1f ms + the pages drawn straight %.1f ms\n", sections * 168,
                floorCounts / 1000, floorPages / 1000);
    application->DestroyComponents();
    // ZE_BENCH_NO_HTTP: the embedded figures only (for profiling runs).
    if (qEnvironmentVariableIsSet("ZE_BENCH_NO_HTTP"))
        return 0;

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
    selectRecords(areas);
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
