// The chart reports and the unified annual plan over the demo world: the chart datasets, the
// unified counts and percentages, and what the PDFs say.

#include "ReportWorld.h"
#include "TReport.h"
#include "dataset/TFieldFormat.h"

#include <QTest>
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

private slots:
    void initTestCase() { world = std::make_unique<ReportWorld>(); }
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

    // Company 2's twelve activities arranged so that months show the rounding of the percentages.
    void unifiedPlan_data()
    {
        QTest::addColumn<QStringList>("arrange"); // SQL run before the report
        QTest::addColumn<QStringList>("rows");    // the report's three rows, as pdftotext lays them out
        const QString first =
            QStringLiteral("rowid IN (SELECT rowid FROM SO_PLASS WHERE COD_EMPR = 2 ORDER BY rowid LIMIT %1)");
        const QString none =
            QStringLiteral("UPDATE SO_PLASS SET ENE_PLAN = 'N', ENE_EJEC = 'N', FEB_PLAN = 'N', FEB_EJEC = 'N',"
                           " MAR_PLAN = 'N', MAR_EJEC = 'N', ABR_PLAN = 'N', ABR_EJEC = 'N', MAY_PLAN = 'N',"
                           " MAY_EJEC = 'N', JUN_PLAN = 'N', JUN_EJEC = 'N', JUL_PLAN = 'N', JUL_EJEC = 'N',"
                           " AGO_PLAN = 'N', AGO_EJEC = 'N', SEP_PLAN = 'N', SEP_EJEC = 'N', OCT_PLAN = 'N',"
                           " OCT_EJEC = 'N', NOV_PLAN = 'N', NOV_EJEC = 'N', DIC_PLAN = 'N', DIC_EJEC = 'N'"
                           " WHERE COD_EMPR = 2");
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
                               first.arg(8),
                           QStringLiteral("UPDATE SO_PLASS SET ENE_EJEC = 'S' WHERE ") + first.arg(1),
                           QStringLiteral("UPDATE SO_PLASS SET FEB_EJEC = 'S' WHERE ") + first.arg(3),
                           QStringLiteral("UPDATE SO_PLASS SET MAR_EJEC = 'S', ABR_EJEC = 'S' WHERE ") + first.arg(5)}
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
