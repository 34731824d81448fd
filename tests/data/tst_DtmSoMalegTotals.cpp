// Activity counts and the annual goal on the application server over a database built here: the
// counts the server answers compared with the stored rows, the unified count's running totals, and
// the activity date range taken when the evaluation opens.

#include "EmbeddedWorld.h"

#include <QLocale>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Item 1.1.3 of company 1, area 1: rated "P", with two activities (goals 80 and 100).
const QString kItem = u"MA.COD_EMPR = 1 AND MA.RMT_PAMA = 1 AND MA.RMT_DEPA = 1 AND MA.RMT_ESTA = 1"
                      " AND MA.RMT_ITES = 3 AND MA.COD_AREA = 1"_s;
const QString kItemPlass = u" FROM SO_PLASS WHERE COD_EMPR = 1 AND RMT_PAMA = 1 AND RMT_DEPA = 1 AND RMT_ESTA = 1"
                           " AND RMT_ITES = 3"_s;

} // namespace

class tst_DtmSoMalegTotals : public QObject
{
    Q_OBJECT

    std::unique_ptr<EmbeddedWorld> world;
    TDtmSoMaleg *dm = nullptr;
    QObject form, reports;
    bool planAnual = false, unificado = false;
    int totProgr = 0, totEjecu = 0;

    int count(const QString &sql) { return world->Value(sql).toInt(); }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
        world = std::make_unique<EmbeddedWorld>();
        dm = world->dm.get();
        planAnual = unificado = false;
        totProgr = totEjecu = 0;
        dm->RegistrarFormaPrincipal(&form, &planAnual, &unificado, nullptr);
        dm->RegistrarTotalesUnificados(&reports, &totProgr, &totEjecu, nullptr);
    }
    void cleanup()
    {
        dm = nullptr;
        world.reset();
    }

    void itemCount_data()
    {
        QTest::addColumn<QString>("column");
        for (const QString &c : {u"ENE_PLAN"_s, u"ENE_EJEC"_s, u"MAR_PLAN"_s, u"ABR_PLAN"_s, u"DIC_EJEC"_s})
            QTest::newRow(qPrintable(c)) << c;
    }
    void itemCount()
    {
        QFETCH(QString, column);
        world->Open(kItem);
        const int expected = count(u"SELECT COUNT(*)"_s + kItemPlass + u" AND "_s + column + u" = 'S'"_s);
        QCOMPARE(dm->TotalActiv(column), expected);
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, column).toString(), u"S"_s);
        // Item mode adds to no total.
        QCOMPARE(totProgr, 0);
        QCOMPARE(totEjecu, 0);
    }

    // The unified count takes the main query's conditions (up to the ORDER BY the harness adds), which may name any
    // table the main query joins.
    void unifiedCount_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("independent");
        const QString joined = u"SELECT COUNT(*) FROM SO_PLASS A JOIN SO_MALEG MA ON A.COD_EMPR = MA.COD_EMPR"
                               " AND A.FEC_PROC = MA.FEC_PROC AND A.RMT_PAMA = MA.RMT_PAMA"
                               " AND A.RMT_DEPA = MA.RMT_DEPA AND A.RMT_ESTA = MA.RMT_ESTA"
                               " AND A.RMT_ITES = MA.RMT_ITES AND A.COD_AREA = MA.COD_AREA"_s;
        QTest::newRow("condición") << u"MA.COD_EMPR = 1"_s
                                   << u"SELECT COUNT(*) FROM SO_PLASS A WHERE A.COD_EMPR = 1 AND A.%1 = 'S'"_s;
        QTest::newRow("dos condiciones") << u"MA.COD_EMPR = 1 AND MA.IND_CUMP = 'N'"_s
                                         << joined + u" WHERE A.COD_EMPR = 1 AND MA.IND_CUMP = 'N' AND A.%1 = 'S'"_s;
        QTest::newRow("tabla unida")
            << u"MA.COD_EMPR = 1 AND AR.NOM_AREA = 'Planta'"_s
            << joined + u" JOIN SO_AREAS AR ON AR.COD_EMPR = MA.COD_EMPR AND AR.COD_AREA = MA.COD_AREA"
                        " WHERE A.COD_EMPR = 1 AND AR.NOM_AREA = 'Planta' AND A.%1 = 'S'"_s;
        // The same items in an area without activities count nothing of the other area's.
        QTest::newRow("área sin actividades") << u"MA.COD_EMPR = 1 AND MA.COD_AREA = 2"_s
                                              << joined + u" WHERE A.COD_EMPR = 1 AND MA.COD_AREA = 2 AND A.%1 = 'S'"_s;
    }
    void unifiedCount()
    {
        QFETCH(QString, extra);
        QFETCH(QString, independent);
        world->Open(extra);
        unificado = true;
        const int planned = count(independent.arg(u"ENE_PLAN"_s));
        const int executed = count(independent.arg(u"ENE_EJEC"_s));
        QCOMPARE(planned > 0, !extra.contains(u"COD_AREA = 2"_s));
        QCOMPARE(dm->TotalActiv(u"ENE_PLAN"_s), planned);
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, u"P_COD_EMPR"_s).toInt(), 1);
        QCOMPARE(dm->TotalActiv(u"ENE_EJEC"_s), executed);
        QCOMPARE(totProgr, planned);
        QCOMPARE(totEjecu, executed);
    }

    void unifiedCountTakesTheDateRange()
    {
        // Stamped in the last second of the range: the count sees the end with its milliseconds.
        const QDateTime end(QDate(2026, 3, 31), QTime(23, 59, 59, 999));
        const QDateTime stamped(QDate(2026, 3, 31), QTime(23, 59, 59, 500));
        world->Exec(u"UPDATE SO_MALEG SET ACT_HORA = ? WHERE COD_EMPR = 1 AND RMT_PAMA = 1"_s,
                    {TDatabase::ToDb(stamped)});
        world->Open(
            u"MA.COD_EMPR = 1 AND MA.ACT_HORA BETWEEN :PDT_ACT_HORA_INIC AND :PDT_ACT_HORA_FINA"_s,
            {{u"PDT_ACT_HORA_INIC"_s, QDateTime(QDate(2026, 3, 1), QTime(0, 0))}, {u"PDT_ACT_HORA_FINA"_s, end}});
        SClientDataSet *q = dm->QrySoMaleg;
        QCOMPARE(q->RecordCount(), count(u"SELECT COUNT(*) FROM SO_MALEG WHERE COD_EMPR = 1 AND RMT_PAMA = 1"_s));
        QCOMPARE(dm->FechaIniActividad, QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        QCOMPARE(dm->FechaFinActividad, end);
        unificado = true;
        QCOMPARE(dm->TotalActiv(u"ENE_PLAN"_s),
                 count(u"SELECT COUNT(*) FROM SO_PLASS WHERE COD_EMPR = 1 AND RMT_PAMA = 1 AND ENE_PLAN = 'S'"_s));
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, u"PDT_ACT_HORA_INIC"_s).toDateTime(),
                 QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        QCOMPARE(RecordingAppServer::Param(world->server->LastParams, u"PDT_ACT_HORA_FINA"_s).toDateTime(), end);

        // A filter with only the start keeps the former end.
        q->Close();
        QStringList sql = q->SQL();
        for (QString &line : sql)
            line.replace(u" AND :PDT_ACT_HORA_FINA"_s, u" AND '2030-01-01'"_s);
        q->SetSQL(sql);
        q->ParamByName(u"PDT_ACT_HORA_INIC"_s).SetAsDateTime(QDateTime(QDate(2026, 3, 5), QTime(0, 0)));
        q->Open();
        QCOMPARE(dm->FechaIniActividad, QDateTime(QDate(2026, 3, 5), QTime(0, 0)));
        QCOMPARE(dm->FechaFinActividad, end);
    }

    void unifiedCountWithoutItsConditionIsRefused()
    {
        // The design-time query: the area join is its last condition.
        dm->QrySoMaleg->Open();
        unificado = true;
        const int calls = world->server->GetRecordsCalls;
        QCOMPARE(ErrorOf([&] { dm->TotalActiv(u"ENE_PLAN"_s); }),
                 u"No es posible contar las actividades del plan unificado: la consulta de "
                 "evaluaciones no tiene condiciones después de \"MA.COD_AREA = AR.COD_AREA AND\"."_s);
        QCOMPARE(world->server->GetRecordsCalls, calls);
        QCOMPARE(totProgr, 0);
    }

    void annualGoal()
    {
        world->Open(kItem);
        QCOMPARE(dm->QrySoPlass->RecordCount(), 2);
        QCOMPARE(dm->MetaAnual(u"CUM_META"_s), 90.0); // (80 + 100) / 2
        // An item without activities has no goal.
        world->Exec(u"DELETE"_s + kItemPlass);
        world->Open(kItem);
        QCOMPARE(dm->MetaAnual(u"CUM_META"_s), 0.0);
    }
};

QTEST_MAIN(tst_DtmSoMalegTotals)
#include "tst_DtmSoMalegTotals.moc"
