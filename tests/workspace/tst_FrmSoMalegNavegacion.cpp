// The execution percentage the report module gives the annual plan's rows, and the registration
// through which the evaluation data module adds the unified plan's counts to the report totals.
#include "TApplication.h"
#include "TDtmReportes.h"
#include "TDtmSoMaleg.h"

#include <QTest>

class tst_FrmSoMalegNavegacion : public QObject
{
    Q_OBJECT

private slots:
    void executionPercentage_data()
    {
        QTest::addColumn<int>("planned");
        QTest::addColumn<int>("executed");
        QTest::addColumn<double>("percentage");
        QTest::newRow("sin plan") << 0 << 5 << 0.0;
        QTest::newRow("3 de 4") << 4 << 3 << 75.0;
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

    void reportModuleRegistersItsTotals()
    {
        TApplication *app = Application();
        DtmSoMaleg = new TDtmSoMaleg(app);
        DtmReportes = new TDtmReportes(app);
        QVERIFY(DtmSoMaleg->RegEjecMensual);
        QCOMPARE(DtmSoMaleg->RegEjecMensual(4, 3), 75.0);
        QCOMPARE(DtmSoMaleg->RegTotProgr, &DtmReportes->FTotProgr);
        QCOMPARE(DtmSoMaleg->RegTotEjecu, &DtmReportes->FTotEjecu);
        delete DtmReportes;
        DtmReportes = nullptr;
        // Gone with the report module.
        QVERIFY(!DtmSoMaleg->RegEjecMensual);
        QVERIFY(!DtmSoMaleg->RegTotProgr);
        delete DtmSoMaleg;
        DtmSoMaleg = nullptr;
    }
};

QTEST_MAIN(tst_FrmSoMalegNavegacion)
#include "tst_FrmSoMalegNavegacion.moc"
