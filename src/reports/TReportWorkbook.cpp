#include "TReportWorkbook.h"

#include "TDtmReportes.h"
#include "TReport.h"
#include "TReportDBDataSet.h"
#include "TReportMonths.h"
#include "TWorkProgress.h"
#include "TXlsxWorkbook.h"

#include <QHash>
#include <QMap>
#include <QPair>

namespace {

// Scores as the spreadsheet's general format shows them: 16.25, 0 (Excel has no pattern for
// "decimals only when there are any").
const QString kScore;

QString text(const IReportDataSet &ds, const char *field)
{
    return ds.DisplayText(QString::fromLatin1(field));
}

QVariant value(const IReportDataSet &ds, const char *field)
{
    return ds.Value(QString::fromLatin1(field));
}

// The plan's phase and resource codes by the names the plan page offers them under.
QString phaseName(const QString &code)
{
    static const QHash<QString, QString> names{{QStringLiteral("P"), QStringLiteral("Planear")},
                                               {QStringLiteral("H"), QStringLiteral("Hacer")},
                                               {QStringLiteral("V"), QStringLiteral("Verificar")},
                                               {QStringLiteral("A"), QStringLiteral("Actuar")}};
    return names.value(code, code);
}

QString resourceName(const QString &code)
{
    static const QHash<QString, QString> names{{QStringLiteral("A"), QStringLiteral("Administrativos")},
                                               {QStringLiteral("F"), QStringLiteral("Financieros")}};
    return names.value(code, code);
}

} // namespace

TReportWorkbook::TReportWorkbook(TDtmReportes &reports) : m_reports(reports)
{}

bool TReportWorkbook::Write(const TReport &report, const QString &fileName, QWidget *parent)
{
    TXlsxWorkbook book(fileName);
    TWorkProgress progress(QStringLiteral("Exportar a Excel"), QStringLiteral("Exportando a Excel…"), parent);
    bool done = true;
    if (&report == m_reports.frxRptMaleg.get())
        done = ValuesTable(book, progress);
    else if (&report == m_reports.frxRptGraCicl.get())
        ChartTable(book, true);
    else if (&report == m_reports.frxRptGraEsta.get())
        ChartTable(book, false);
    else if (&report == m_reports.frxRPlanAnual.get())
        done = AnnualPlan(book, progress);
    else if (&report == m_reports.frxRptPlanAnualU.get())
        UnifiedPlan(book);
    if (!done)
        return false;
    book.Save();
    return true;
}

bool TReportWorkbook::ValuesTable(TXlsxWorkbook &book, TWorkProgress &progress)
{
    QVariant manArea;
    m_reports.frxRptMalegGetValue(QStringLiteral("gBoManArea"), manArea);
    const bool areas = manArea.toBool();
    QStringList headings{QStringLiteral("CICLO"), QStringLiteral("ESTÁNDAR"), QStringLiteral("% ESTÁNDAR")};
    if (areas)
        headings << QStringLiteral("ÁREA");
    headings << QStringLiteral("SUBESTÁNDAR") << QStringLiteral("% SUBESTÁNDAR") << QStringLiteral("NUMERAL")
             << QStringLiteral("DESCRIPCIÓN") << QStringLiteral("FECHA") << QStringLiteral("VALOR")
             << QStringLiteral("CUMPLIMIENTO") << QStringLiteral("CALIFICACIÓN") << QStringLiteral("JUSTIFICACIÓN");
    const int scoreColumn = int(headings.indexOf(QStringLiteral("CALIFICACIÓN")));
    book.AddSheet(QStringLiteral("Tabla Valores"));
    book.WriteHeadings(0, headings);
    const QList<double> widths{14, 40, 11, 22, 50, 13, 10, 60, 11, 8, 22, 13, 40};
    for (int c = 0; c < headings.size(); ++c)
        book.SetColumnWidth(c, widths.value(c + (areas || c < 3 ? 0 : 1)));

    IReportDataSet &ds = *m_reports.frxDBSoMaleg;
    QMap<int, QPair<QString, double>> byArea;
    double total = 0;
    int row = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        if (row % 50 == 0 && !progress.Step(row, 0, QStringLiteral("Exportando a Excel… registro %1").arg(row + 1)))
            return false;
        ++row;
        int c = 0;
        book.WriteText(row, c++, QStringLiteral("%1. %2").arg(text(ds, "COD_CICL"), text(ds, "DtfNmbCicl").toUpper()));
        book.WriteText(row, c++, text(ds, "DES_ESTA"));
        book.Write(row, c++, value(ds, "POR_ESTA"));
        if (areas)
            book.WriteText(row, c++, QStringLiteral("%1 %2").arg(text(ds, "COD_AREA"), text(ds, "NOM_AREA")));
        book.WriteText(row, c++, text(ds, "DES_ESTA_1"));
        book.Write(row, c++, value(ds, "POR_ESTA_1"));
        book.WriteText(row, c++, text(ds, "NUM_ERAL"));
        book.WriteText(row, c++, text(ds, "DES_ITEM"));
        book.Write(row, c++, value(ds, "FEC_PROC"));
        book.Write(row, c++, value(ds, "VAL_ITEM"));
        book.WriteText(row, c++, text(ds, "DtfNmbCump"));
        const QVariant score = value(ds, "DtfCalificacion");
        if (score.isValid())
            book.WriteNumber(row, c, score.toDouble(), kScore);
        ++c;
        book.WriteText(row, c++, text(ds, "TEX_JUST"));
        auto &area = byArea[value(ds, "COD_AREA").toInt()];
        area.first = text(ds, "NOM_AREA");
        area.second += score.toDouble();
        total += score.toDouble();
    }
    book.AutoFilter(0, row, int(headings.size()) - 1);

    // The closing lines of the report, under the table: the area totals, the total and its level.
    auto level = [&](double points) {
        return m_reports.frxRptMalegUserFunction(QStringLiteral("EVALCRITERIO"), {points}).toString();
    };
    row += 1;
    if (areas && row > 1) {
        for (auto it = byArea.cbegin(); it != byArea.cend(); ++it) {
            ++row;
            book.WriteText(row, scoreColumn - 1, QStringLiteral("TOTAL ÁREA %1 %2").arg(it.key()).arg(it->first), true);
            book.WriteNumber(row, scoreColumn, it->second, kScore, true);
            book.WriteText(row, scoreColumn + 1, level(it->second), true);
        }
    }
    book.WriteText(++row, scoreColumn - 1, QStringLiteral("TOTALES"), true);
    book.WriteNumber(row, scoreColumn, total, kScore, true);
    book.WriteText(++row, scoreColumn - 1, QStringLiteral("EL NIVEL DE SU EVALUACIÓN ES:"), true);
    book.WriteText(row, scoreColumn, level(total), true);
    return true;
}

void TReportWorkbook::ChartTable(TXlsxWorkbook &book, bool byCycle)
{
    IReportDataSet &ds = byCycle ? *m_reports.frxDBGraCicl : *m_reports.frxDBGraEsta;
    book.AddSheet(byCycle ? QStringLiteral("Gráfico por Ciclo") : QStringLiteral("Gráfico por Estándar"));
    book.WriteHeadings(0, {QStringLiteral("CICLO"), byCycle ? QStringLiteral("NOMBRE") : QStringLiteral("ESTÁNDAR"),
                           QStringLiteral("MÁXIMO"), QStringLiteral("OBTENIDO")});
    book.SetColumnWidth(1, byCycle ? 20 : 60);
    int row = 0;
    double reachable = 0, obtained = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        ++row;
        book.Write(row, 0, value(ds, "COD_CICL"));
        book.WriteText(row, 1, byCycle ? text(ds, "NOM_CICL") : text(ds, "DES_ESTA"));
        const double max = value(ds, byCycle ? "PUN_MAXI" : "POR_ESTA").toDouble();
        const double got = value(ds, "PUN_OBTE").toDouble();
        book.WriteNumber(row, 2, max, kScore);
        book.WriteNumber(row, 3, got, kScore);
        reachable += max;
        obtained += got;
    }
    book.AutoFilter(0, row, 3);
    book.WriteText(row + 2, 1, QStringLiteral("TOTALES"), true);
    book.WriteNumber(row + 2, 2, reachable, kScore, true);
    book.WriteNumber(row + 2, 3, obtained, kScore, true);
}

bool TReportWorkbook::AnnualPlan(TXlsxWorkbook &book, TWorkProgress &progress)
{
    const QStringList &months = TReportMonths::Codes();
    QStringList headings{QStringLiteral("NUMERAL"),     QStringLiteral("ÍTEM"),    QStringLiteral("OBJETIVO"),
                         QStringLiteral("META"),        QStringLiteral("FASE"),    QStringLiteral("ACTIVIDAD"),
                         QStringLiteral("RESPONSABLE"), QStringLiteral("RECURSOS")};
    const int firstMonth = int(headings.size());
    for (const QString &month : TReportMonths::Names())
        headings << month.left(3) + QStringLiteral(" P") << month.left(3) + QStringLiteral(" E");
    headings << QStringLiteral("OBSERVACIONES") << QStringLiteral("CUMPLIMIENTO META");
    book.AddSheet(QStringLiteral("Plan Anual SGSST"));
    book.WriteHeadings(0, headings);
    const QList<double> widths{10, 45, 35, 30, 10, 45, 25, 14};
    for (int c = 0; c < widths.size(); ++c)
        book.SetColumnWidth(c, widths.at(c));
    for (int c = firstMonth; c < firstMonth + 24; ++c)
        book.SetColumnWidth(c, 6);
    book.SetColumnWidth(firstMonth + 24, 35);

    IReportDataSet &records = *m_reports.frxDBSoMalegPlan;
    IReportDataSet &activities = *m_reports.frxDBDSoPlass;
    QList<int> marks(24, 0);
    int row = 0, record = 0;
    for (records.First(); !records.Eof(); records.Next()) {
        if (!progress.Step(record, 0, QStringLiteral("Exportando a Excel… registro %1").arg(record + 1)))
            return false;
        ++record;
        for (activities.First(); !activities.Eof(); activities.Next()) {
            ++row;
            book.WriteText(row, 0, text(records, "NUM_ERAL"));
            book.WriteText(row, 1, text(records, "DES_ITEM"));
            book.WriteText(row, 2, text(records, "OBJ_ASGS"));
            book.WriteText(row, 3, text(records, "MET_ASGS"));
            book.WriteText(row, 4, phaseName(text(activities, "OPC_CICL")));
            book.WriteText(row, 5, text(activities, "ACT_ASGS"));
            book.WriteText(row, 6, text(activities, "RES_PONS"));
            book.WriteText(row, 7, resourceName(text(activities, "REC_URSO")));
            int m = 0;
            for (const QString &month : months)
                for (const char *suffix : {"_PLAN", "_EJEC"}) {
                    const QString flag = activities.Value(month + QLatin1String(suffix)).toString();
                    if (flag == QStringLiteral("S") || flag == QStringLiteral("N"))
                        book.WriteNumber(row, firstMonth + m, flag == QStringLiteral("S") ? 1 : 0, QStringLiteral("0"));
                    marks[m++] += flag == QStringLiteral("S") ? 1 : 0;
                }
            book.WriteText(row, firstMonth + 24, text(activities, "OBS_VACI"));
            book.Write(row, firstMonth + 25, value(activities, "CUM_META"));
        }
    }
    book.AutoFilter(0, row, int(headings.size()) - 1);
    book.WriteText(row + 2, firstMonth - 1, QStringLiteral("TOTAL"), true);
    for (int m = 0; m < 24; ++m)
        book.WriteNumber(row + 2, firstMonth + m, marks.at(m), QStringLiteral("0"), true);
    return true;
}

void TReportWorkbook::UnifiedPlan(TXlsxWorkbook &book)
{
    book.AddSheet(QStringLiteral("Plan Anual SGSST Unificado"));
    book.WriteHeadings(0, {QStringLiteral("MES"), QStringLiteral("PROGRAMADAS"), QStringLiteral("EJECUTADAS"),
                           QStringLiteral("% CUMPLIMIENTO")});
    book.SetColumnWidth(0, 14);
    book.SetColumnWidth(1, 14);
    book.SetColumnWidth(2, 14);
    book.SetColumnWidth(3, 16);
    IReportDataSet &months = *m_reports.frxDBCdsRptUnifGraf;
    IReportDataSet &percentages = *m_reports.frxDBCdsRptUnif;
    percentages.First();
    int row = 0;
    for (months.First(); !months.Eof(); months.Next()) {
        book.WriteText(row + 1, 0, text(months, "MES_NOMB"));
        book.Write(row + 1, 1, value(months, "MES_PLAN"));
        book.Write(row + 1, 2, value(months, "MES_EJEC"));
        if (!percentages.Eof() && row < TReportMonths::Codes().size())
            book.WriteNumber(row + 1, 3,
                             percentages.Value(TReportMonths::Codes().at(row) + QStringLiteral("_PORC")).toDouble(),
                             QStringLiteral("0"));
        ++row;
    }
    book.AutoFilter(0, row, 3);
    QVariant planned, executed, compliance;
    m_reports.frxRptPlanAnualUGetValue(QStringLiteral("gSTotProgr"), planned);
    m_reports.frxRptPlanAnualUGetValue(QStringLiteral("gSTotEjecu"), executed);
    m_reports.frxRptPlanAnualUGetValue(QStringLiteral("gSPorcCumpl"), compliance);
    book.WriteText(row + 2, 0, QStringLiteral("TOTAL AÑO"), true);
    book.WriteNumber(row + 2, 1, planned.toString().toDouble(), QStringLiteral("0"), true);
    book.WriteNumber(row + 2, 2, executed.toString().toDouble(), QStringLiteral("0"), true);
    book.WriteNumber(row + 2, 3, compliance.toString().toDouble(), QStringLiteral("0"), true);
}
