// The chart reports, the annual plan and the unified annual plan over the demo world: the chart
// datasets; the annual plan over company 2's twelve activities arranged on two items (its sections,
// month marks, totals and percentages asked of the server, and the record navigation that keeps
// refilling after the report); the unified counts and percentages; and what the PDFs say.

#include "ReportWorld.h"
#include "TReport.h"
#include "dataset/TFieldFormat.h"

#include <QTest>
#include <map>
#include <tuple>

namespace {

SClientDataSet *maleg()
{
    return DtmSoMaleg->QrySoMaleg;
}

// The rows of a dataset as texts "field=value;...", in order.
QStringList rowsOf(SClientDataSet *ds, const QStringList &fields)
{
    QStringList rows;
    for (ds->First(); !ds->Eof(); ds->Next()) {
        QStringList row;
        for (const QString &f : fields)
            row << f + QLatin1Char('=') + ds->FieldByName(f)->AsString();
        rows << row.join(QLatin1Char(';'));
    }
    return rows;
}

// The first %1 activities of company 2, and every month of an activity left unmarked.
const QString kFirst =
    QStringLiteral("rowid IN (SELECT rowid FROM SO_PLASS WHERE COD_EMPR = 2 ORDER BY rowid LIMIT %1)");
const QString kNoMonthMarked =
    QStringLiteral("UPDATE SO_PLASS SET ENE_PLAN = 'N', ENE_EJEC = 'N', FEB_PLAN = 'N', FEB_EJEC = 'N', MAR_PLAN = 'N',"
                   " MAR_EJEC = 'N', ABR_PLAN = 'N', ABR_EJEC = 'N', MAY_PLAN = 'N', MAY_EJEC = 'N', JUN_PLAN = 'N',"
                   " JUN_EJEC = 'N', JUL_PLAN = 'N', JUL_EJEC = 'N', AGO_PLAN = 'N', AGO_EJEC = 'N', SEP_PLAN = 'N',"
                   " SEP_EJEC = 'N', OCT_PLAN = 'N', OCT_EJEC = 'N', NOV_PLAN = 'N', NOV_EJEC = 'N', DIC_PLAN = 'N',"
                   " DIC_EJEC = 'N'");

QString variable(const char *name)
{
    QVariant value;
    DtmReportes->frxRPlanAnualGetValue(QString::fromLatin1(name), value);
    return value.toString();
}

QString number(double v)
{
    return TFieldFormat::FloatToStr(v);
}

} // namespace

class tst_RptGraficas : public QObject
{
    Q_OBJECT
    std::unique_ptr<ReportWorld> world;

    // The sums the charts must show, worked out from the records the user sees.
    struct Expected
    {
        QStringList cycles, standards;
        QStringList cycleRows, standardRows;
    };
    static Expected expected()
    {
        QList<int> cycles;                                                          // in the order each first occurs
        QList<std::pair<int, int>> standards;                                       // (cycle, standard)
        QMap<int, std::tuple<QString, double, double>> perCycle;                    // name, maximum, points
        QMap<std::pair<int, int>, std::tuple<QString, double, double>> perStandard; // name, weight, points
        for (maleg()->First(); !maleg()->Eof(); maleg()->Next()) {
            const int c = DtmSoMaleg->QrySoMalegCOD_CICL->AsInteger();
            const std::pair<int, int> k{c, DtmSoMaleg->QrySoMalegRMT_DEPA->AsInteger()};
            const double score = DtmSoMaleg->QrySoMalegDtfCalificacion->AsFloat();
            if (!cycles.contains(c)) {
                cycles << c;
                perCycle[c] = {DtmSoMaleg->QrySoMalegDtfNmbCicl->AsString(), 0, 0};
            }
            std::get<1>(perCycle[c]) += DtmSoMaleg->QrySoMalegVAL_ITEM->AsFloat();
            std::get<2>(perCycle[c]) += score;
            if (!standards.contains(k)) {
                standards << k;
                perStandard[k] = {DtmSoMaleg->QrySoMalegDES_ESTA->AsString().left(25),
                                  DtmSoMaleg->QrySoMalegPOR_ESTA->AsFloat(), 0};
            }
            std::get<2>(perStandard[k]) += score;
        }
        Expected e;
        for (int c : cycles) {
            const auto &[name, maximum, points] = perCycle[c];
            e.cycles << name;
            e.cycleRows << QStringLiteral("COD_CICL=%1;NOM_CICL=%2;PUN_MAXI=%3;PUN_OBTE=%4")
                               .arg(c)
                               .arg(name, number(maximum), number(points));
        }
        for (const auto &k : standards) {
            const auto &[name, weight, points] = perStandard[k];
            e.standards << name;
            e.standardRows << QStringLiteral("COD_CICL=%1;RMT_DEPA=%2;DES_ESTA=%3;POR_ESTA=%4;PUN_OBTE=%5")
                                  .arg(k.first)
                                  .arg(k.second)
                                  .arg(name, number(weight), number(points));
        }
        return e;
    }

    void goToItem(int item)
    {
        QVERIFY(DtmSoMaleg->QrySoMaleg->Locate(QStringLiteral("RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES"),
                                               QVariantList{1, 1, 1, item}));
    }

private slots:
    void initTestCase()
    {
        world = std::make_unique<ReportWorld>();
        // Ten activities on item 1.1.1, two on 1.1.3; item 1.1.2 keeps none. Months: January 2
        // planned 1 executed, February 3/1, March 3/2, April 8/1; a mark that is neither "S" nor "N";
        // resources "A", "F" and another value.
        for (const QString &sql :
             {QStringLiteral("UPDATE SO_PLASS SET RMT_ITES = 3 WHERE COD_EMPR = 2"),
              QStringLiteral("UPDATE SO_PLASS SET RMT_ITES = 1 WHERE ") + kFirst.arg(10),
              kNoMonthMarked + QStringLiteral(", REC_URSO = 'Z' WHERE COD_EMPR = 2"),
              QStringLiteral("UPDATE SO_PLASS SET ENE_PLAN = 'S' WHERE ") + kFirst.arg(2),
              QStringLiteral(
                  "UPDATE SO_PLASS SET ENE_EJEC = 'S', FEB_EJEC = 'S', ABR_EJEC = 'S', REC_URSO = 'A' WHERE ") +
                  kFirst.arg(1),
              QStringLiteral("UPDATE SO_PLASS SET FEB_PLAN = 'S', MAR_PLAN = 'S' WHERE ") + kFirst.arg(3),
              QStringLiteral("UPDATE SO_PLASS SET MAR_EJEC = 'S' WHERE ") + kFirst.arg(2),
              QStringLiteral("UPDATE SO_PLASS SET ABR_PLAN = 'S' WHERE ") + kFirst.arg(8),
              QStringLiteral(
                  "UPDATE SO_PLASS SET REC_URSO = 'F', MAY_PLAN = 'x' WHERE rowid = (SELECT rowid FROM SO_PLASS"
                  " WHERE COD_EMPR = 2 ORDER BY rowid LIMIT 1 OFFSET 1)")})
            world->Exec(sql);
    }
    void cleanupTestCase() { world.reset(); }

    // Sums per cycle and per standard in the order each first occurs; twice gives the same rows; the
    // main dataset is left past its last record; the PDF shows titles, legend, labels and every value.
    void chartData_data()
    {
        QTest::addColumn<int>("company");
        QTest::newRow("areas") << 1;
        QTest::newRow("no areas") << 2;
    }
    void chartData()
    {
        QFETCH(int, company);
        world->SelectCompany(company);
        const Expected e = expected();
        QVERIFY(e.standardRows.size() > e.cycleRows.size()); // standards of several cycles, several per cycle
        const QStringList cycleFields = {QStringLiteral("COD_CICL"), QStringLiteral("NOM_CICL"),
                                         QStringLiteral("PUN_MAXI"), QStringLiteral("PUN_OBTE")};
        const QStringList standardFields = {QStringLiteral("COD_CICL"), QStringLiteral("RMT_DEPA"),
                                            QStringLiteral("DES_ESTA"), QStringLiteral("POR_ESTA"),
                                            QStringLiteral("PUN_OBTE")};
        for (int run = 0; run < 2; ++run) {
            const QString cycles = world->Print(1);
            QVERIFY(maleg()->Eof());
            QCOMPARE(rowsOf(DtmReportes->CdsGraCicl, cycleFields), e.cycleRows);
            const QString standards = world->Print(2);
            QCOMPARE(rowsOf(DtmReportes->CdsGraEsta, standardFields), e.standardRows);
            if (run == 1)
                continue;
            for (const char *text : {"Sistema de Gestión de la Seguridad y Salud en el Trabajo -", "Gráfico por Ciclo",
                                     "Desarrollo por ciclo PHVA", "Máximo", "Obtenido"})
                QVERIFY2(cycles.contains(QString::fromUtf8(text)), text);
            for (const char *text : {"Gráfico por Estándar", "Desarrollo por Estándar", "Máximo", "Obtenido"})
                QVERIFY2(standards.contains(QString::fromUtf8(text)), text);
            for (const QString &name : e.cycles)
                QVERIFY2(cycles.contains(name), qPrintable(name));
            // Labels of standards wrap over lines: every word is there.
            for (const QString &name : e.standards)
                for (const QString &word : name.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                    QVERIFY2(standards.contains(word), qPrintable(word));
            for (SClientDataSet *ds : {DtmReportes->CdsGraCicl, DtmReportes->CdsGraEsta})
                for (ds->First(); !ds->Eof(); ds->Next())
                    QVERIFY(QRegularExpression(QStringLiteral("(^|\\s)%1(\\s|$)")
                                                   .arg(QRegularExpression::escape(
                                                       ds->FieldByName(QStringLiteral("PUN_OBTE"))->DisplayText())),
                                               QRegularExpression::MultilineOption)
                                .match(ds == DtmReportes->CdsGraCicl ? cycles : standards)
                                .hasMatch());
        }
    }

    void anEmptySelectionGivesEmptyCharts()
    {
        world->SelectCompany(1, QDate(2026, 2, 2), QStringLiteral("1 = 0"));
        QCOMPARE(maleg()->RecordCount(), 0);
        const QString text = world->Print(1);
        QCOMPARE(DtmReportes->CdsGraCicl->RecordCount(), 0);
        QVERIFY(text.contains(QStringLiteral("Desarrollo por ciclo PHVA")));
        world->Print(2);
        QCOMPARE(DtmReportes->CdsGraEsta->RecordCount(), 0);
        world->SelectCompany(1);
    }

    void sectionsTotalsAndPercentages()
    {
        world->SelectCompany(2);
        const QString text = world->Print(3);
        QVERIFY(FrmSoMaleg->ImprimePlanAnual && !FrmSoMaleg->ImprimePlanUnificado);
        // Two sections, each on its own page; the item without activities has none.
        QCOMPARE(text.count(QStringLiteral("OBJETIVO")), 2);
        qsizetype sectionPages = 0;
        for (const QString &page : text.split(QLatin1Char('\f')))
            sectionPages += page.contains(QStringLiteral("OBJETIVO")) ? 1 : 0;
        QCOMPARE(sectionPages, 2);
        auto simplified = [](const QString &t) {
            QStringList lines;
            for (const QString &line : t.split(QLatin1Char('\n')))
                lines << line.simplified().replace(QStringLiteral(" %"),
                                                   QStringLiteral("%")); // the extractor may drop the blank
            return lines;
        };
        const QStringList lines = simplified(text);
        for (const char *expected : {"Total Actividades 2 1 3 1 3 2 8 1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
                                     "% Ejecución Mensual de las actividades 50% 33% 67% 13% 0% 0% 0% 0% 0% 0% 0% 0%"})
            QVERIFY2(lines.contains(QString::fromUtf8(expected)), expected);
        for (const char *expected :
             {"Cumplir el numeral con evidencia verificable durante la vigencia", "I PLANEAR",
              "% COBERTURA DEL PROGRAMA", "CUMPLIMIENTO ANUAL", "Programado", "Ejecutado", "Meta anual",
              "Porcentaje cumplimiento", "31 %", "%Meta Vigencia", "% Cumplimiento Mensual",
              "FIRMA DEL EMPLEADOR O CONTRATANTE", "FIRMA RESPONSABLE EJECUCIÓN SGSST"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);

        // The marks of the first section: "1" on olive, "0" unfilled, anything else an empty
        // unfilled cell; an "X" under the resource the activity names.
        const auto page = DtmReportes->frxRPlanAnual->PreparedPages().Page(0);
        std::map<double, std::map<double, const TPrimitive *>> rows; // y -> x -> cell
        for (const TPrimitive &p : page->items)
            if (p.kind == TPrimitive::Text && p.rect.width() < 7 && p.rect.height() < 30)
                rows[p.rect.y()][p.rect.x()] = &p;
        // Activity rows are those with an olive mark (headings and totals have none).
        int ones = 0, blanks = 0;
        for (const auto &[y, cells] : rows) {
            const QColor olive(128, 128, 0);
            const bool activityRow =
                std::any_of(cells.begin(), cells.end(), [&](const auto &c) { return c.second->fill == olive; });
            if (!activityRow)
                continue;
            for (const auto &[x, cell] : cells) {
                const QString t = cell->lines.join(QString());
                QCOMPARE(cell->fill.isValid(), t == QStringLiteral("1"));
                if (cell->fill.isValid())
                    QCOMPARE(cell->fill, QColor(128, 128, 0));
                ones += t == QStringLiteral("1");
                blanks += t.isEmpty();
            }
        }
        QCOMPARE(ones, 21); // the marks "S" of the first item
        QVERIFY(blanks >= 1);
        QCOMPARE(text.count(QRegularExpression(QStringLiteral("\\bX\\b"))), 2);
    }

    // Every variable is a fresh count; the flag stays on and moving refills the record's figures.
    void variablesAndTheFlagAfterTheReport()
    {
        world->SelectCompany(2);
        world->Print(3);
        goToItem(1);
        const std::pair<const char *, const char *> expected[] = {
            {"gIntEne", "2"},      {"gIntEneEj", "1"},    {"gInFebEj", "1"},    {"gInMareEj", "2"},
            {"gIntAbr", "8"},      {"EjeMetaEne", "50"},  {"EjeMetaFeb", "33"}, {"EjeMetaMar", "67"},
            {"EjeMetaAbr", "13"},  {"EjeMetaMay", "0"},   {"gSTotProgr", "16"}, {"gSTotEjecu", "5"},
            {"gSPorcCumpl", "31"}, {"gStCodUsua", "demo"}};
        for (const auto &[name, value] : expected)
            QCOMPARE(variable(name), QString::fromLatin1(value));
        QVERIFY(FrmSoMaleg->ImprimePlanAnual);
        QCOMPARE(DtmSoMaleg->CdsSeguiCumpli->RecordCount(), 12);
        QCOMPARE(DtmSoMaleg->CdsCumplEjecuPOR_CUMP->AsFloat(), 31.0);

        // A change made meanwhile is seen by the next ask; nothing is kept from the last one.
        world->Exec(QStringLiteral("UPDATE SO_PLASS SET MAY_PLAN = 'S' WHERE ") + kFirst.arg(1));
        QCOMPARE(variable("gIntMay"), QStringLiteral("1"));

        // Activities with no month marked: every figure 0.
        world->Exec(QStringLiteral("UPDATE SO_PLASS SET ENE_PLAN = 'N', FEB_PLAN = 'N', MAR_PLAN = 'N', ABR_PLAN = 'N',"
                                   " MAY_PLAN = 'N', ENE_EJEC = 'N', FEB_EJEC = 'N', MAR_EJEC = 'N', ABR_EJEC = 'N'"
                                   " WHERE COD_EMPR = 2"));
        for (const char *name :
             {"gIntEne", "gIntAbrEj", "gSTotProgr", "gSTotEjecu", "gSPorcCumpl", "EjeMetaEne", "EjeMetaDic"})
            QCOMPARE(variable(name), QStringLiteral("0"));
    }

    // The month's execution percentage the report module gives the plans' rows (shown rounded).
    void executionPercentage_data()
    {
        QTest::addColumn<int>("planned");
        QTest::addColumn<int>("executed");
        QTest::addColumn<double>("percentage");
        QTest::newRow("sin plan") << 0 << 5 << 0.0;
        QTest::newRow("1 de 3") << 3 << 1 << 100.0 / 3.0;
        QTest::newRow("1 de 8") << 8 << 1 << 12.5;
        QTest::newRow("más de lo planeado") << 2 << 3 << 150.0;
    }
    void executionPercentage()
    {
        QFETCH(int, planned);
        QFETCH(int, executed);
        QFETCH(double, percentage);
        QCOMPARE(double(TDtmReportes::EjecMensualActi(planned, executed)), percentage);
    }

    void aSelectionWithoutActivitiesPrintsOnlyTheSignatures()
    {
        world->SelectCompany(2, QDate(2026, 2, 2), QStringLiteral("MA.RMT_ITES = 2"));
        const QString text = world->Print(3);
        QVERIFY(!text.contains(QStringLiteral("OBJETIVO")));
        QVERIFY(text.contains(QStringLiteral("FIRMA RESPONSABLE EJECUCIÓN SGSST")));
        QCOMPARE(DtmReportes->frxRPlanAnual->PreparedPages().PageCount(), 1);
        world->SelectCompany(2);
    }

    // Company 2's twelve activities arranged anew so that months show the rounding of the percentages.
    void unifiedPlan_data()
    {
        QTest::addColumn<QStringList>("arrange"); // SQL run before the report
        QTest::addColumn<QStringList>("rows");    // the report's three rows, as pdftotext lays them out
        const QString none = kNoMonthMarked + QStringLiteral(" WHERE COD_EMPR = 2");
        QTest::newRow("nothing marked") << QStringList{none}
                                        << QStringList{QStringLiteral("Actividades Programadas") +
                                                           QStringLiteral(" 0").repeated(12) + QStringLiteral(" 0"),
                                                       QStringLiteral("Actividades Ejecutadas") +
                                                           QStringLiteral(" 0").repeated(12) + QStringLiteral(" 0"),
                                                       QStringLiteral("Porcentaje de Cumplimiento") +
                                                           QStringLiteral(" 0%").repeated(12) + QStringLiteral(" 0 %")};
        QTest::newRow("1, 3 and 5 of 8; executed without planned")
            << QStringList{none,
                           QStringLiteral("UPDATE SO_PLASS SET ENE_PLAN = 'S', FEB_PLAN = 'S', MAR_PLAN = 'S' WHERE ") +
                               kFirst.arg(8),
                           QStringLiteral("UPDATE SO_PLASS SET ENE_EJEC = 'S' WHERE ") + kFirst.arg(1),
                           QStringLiteral("UPDATE SO_PLASS SET FEB_EJEC = 'S' WHERE ") + kFirst.arg(3),
                           QStringLiteral("UPDATE SO_PLASS SET MAR_EJEC = 'S', ABR_EJEC = 'S' WHERE ") + kFirst.arg(5)}
            << QStringList{QStringLiteral("Actividades Programadas 8 8 8") + QStringLiteral(" 0").repeated(9) +
                               QStringLiteral(" 24"),
                           QStringLiteral("Actividades Ejecutadas 1 3 5 5") + QStringLiteral(" 0").repeated(8) +
                               QStringLiteral(" 14"),
                           QStringLiteral("Porcentaje de Cumplimiento 12% 38% 62%") +
                               QStringLiteral(" 0%").repeated(9) + QStringLiteral(" 58 %")};
    }
    void unifiedPlan()
    {
        QFETCH(QStringList, arrange);
        QFETCH(QStringList, rows);
        for (const QString &sql : arrange)
            world->Exec(sql);
        world->SelectCompany(2);
        for (int run = 0; run < 2; ++run) {
            const QString text = world->Print(4);
            QVERIFY(FrmSoMaleg->ImprimePlanUnificado && !FrmSoMaleg->ImprimePlanAnual);
            // The text extractor may or may not keep the blank of "58 %".
            auto normal = [](QString line) {
                return line.simplified().replace(QStringLiteral(" %"), QStringLiteral("%"));
            };
            QStringList lines;
            for (const QString &line : text.split(QLatin1Char('\n')))
                lines << normal(line);
            for (const QString &row : rows)
                QVERIFY2(
                    lines.contains(normal(row)),
                    qPrintable(row + QStringLiteral(" | ") + lines.filter(row.left(12)).join(QStringLiteral(" | "))));
            for (const char *title :
                 {"Plan de Trabajo Anual de Seguridad y Salud en el Trabajo Unificado", "ACTIVIDADES SGSST",
                  "TOTAL ANUAL", "Seguimiento Mensual al Cumplimiento del plan de Trabajo del SGSST",
                  "Total Actividades del Año del SGSST", "Programado", "Ejecutado", "FIRMA DEL EMPLEADOR O CONTRATANTE",
                  "FIRMA RESPONSABLE EJECUCIÓN SGSST"})
                QVERIFY2(text.contains(QString::fromUtf8(title)), title);
            // Both totals restart on every run; the annual chart's row holds them.
            QCOMPARE(DtmSoMaleg->CdsCumplEjecu->RecordCount(), 1);
            QCOMPARE(DtmSoMaleg->CdsCumplEjecuPOR_CUMP->AsFloat(), double(DtmReportes->FTotProgr));
            QCOMPARE(DtmSoMaleg->CdsCumplEjecuCUM_META->AsFloat(), double(DtmReportes->FTotEjecu));
            QCOMPARE(DtmReportes->CdsRptUnifGraf->RecordCount(), 12);
        }
    }
};

QTEST_MAIN(tst_RptGraficas)
#include "tst_RptGraficas.moc"
