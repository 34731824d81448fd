// The annual plan report over company 2 of the demo world, its twelve activities arranged on two
// items: the sections, the month marks, the totals and percentages asked of the server, and the
// record navigation that keeps refilling after the report.

#include "ReportWorld.h"
#include "TReport.h"

#include <QTest>
#include <map>

namespace {

const QString kFirst =
    QStringLiteral("rowid IN (SELECT rowid FROM SO_PLASS WHERE COD_EMPR = 2 ORDER BY rowid LIMIT %1)");

QString variable(const char *name)
{
    QVariant value;
    DtmReportes->frxRPlanAnualGetValue(QString::fromLatin1(name), value);
    return value.toString();
}

} // namespace

class tst_RptPlanAnual : public QObject
{
    Q_OBJECT
    std::unique_ptr<ReportWorld> world;

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
              QStringLiteral(
                  "UPDATE SO_PLASS SET ENE_PLAN = 'N', ENE_EJEC = 'N', FEB_PLAN = 'N', FEB_EJEC = 'N', MAR_PLAN = 'N',"
                  " MAR_EJEC = 'N', ABR_PLAN = 'N', ABR_EJEC = 'N', MAY_PLAN = 'N', MAY_EJEC = 'N', JUN_PLAN = 'N',"
                  " JUN_EJEC = 'N', JUL_PLAN = 'N', JUL_EJEC = 'N', AGO_PLAN = 'N', AGO_EJEC = 'N', SEP_PLAN = 'N',"
                  " SEP_EJEC = 'N', OCT_PLAN = 'N', OCT_EJEC = 'N', NOV_PLAN = 'N', NOV_EJEC = 'N', DIC_PLAN = 'N',"
                  " DIC_EJEC = 'N', REC_URSO = 'Z' WHERE COD_EMPR = 2"),
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
};

QTEST_MAIN(tst_RptPlanAnual)
#include "tst_RptPlanAnual.moc"
