// Activity counts and the annual goal: the SQL the data module sends, its parameters, the unified
// count's running totals, and the activity date range taken when the evaluation opens.
#include "TDtmSoMaleg.h"

#include "FakeAppServer.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

#include <QLocale>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QVariant param(const QList<SParam> &params, const QString &name)
{
    for (const SParam &p : params)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return p.Value;
    return QVariant();
}

const QString kUnifiedPrefix =
    u"SELECT COUNT(ENE_PLAN) AS ENE_PLAN FROM SO_PLASS A WHERE A.COD_EMPR = :P_COD_EMPR   AND A.ENE_PLAN =:ENE_PLAN"
    "  AND EXISTS (SELECT * FROM SO_MALEG MA               WHERE A.COD_EMPR = MA.COD_EMPR "
    "                AND A.FEC_PROC = MA.FEC_PROC                 AND A.RMT_PAMA = MA.RMT_PAMA "
    "                AND A.RMT_DEPA = MA.RMT_DEPA                 AND A.RMT_ESTA = MA.RMT_ESTA "
    "                AND A.RMT_ITES = MA.RMT_ITES                 AND A.COD_AREA = MA.COD_AREA "
    "                AND "_s;

} // namespace

class tst_DtmSoMalegTotals : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeAppServer> server;
    std::unique_ptr<SDCOMConnection> connection;
    TDtmSoMaleg *dm = nullptr;
    QObject form, reports;
    bool planAnual = false, unificado = false;
    int totProgr = 0, totEjecu = 0;

    void answer(const QString &column, int value)
    {
        FakeAppServer::Table t;
        t.Fields = {SFieldDef{column, TFieldType::ftInteger}};
        t.Rows = {{value}};
        server->Tables.insert(u"DtsPTemporal"_s, t);
    }

    static FakeAppServer::Table tableLike(TDataSet *ds, const QVariantMap &values, int rows)
    {
        FakeAppServer::Table t;
        QVariantList row;
        for (TField *f : ds->Fields())
            if (!f->Calculated()) {
                t.Fields << SFieldDef{f->FieldName(), f->DataType(), f->Size(), false};
                row << values.value(f->FieldName());
            }
        for (int i = 0; i < rows; ++i)
            t.Rows << row;
        return t;
    }

    // One evaluation record with a known key, and n loaded activities.
    void openRecord(int activities)
    {
        server->Tables.insert(u"DtsPSoMaleg"_s,
                              tableLike(dm->QrySoMaleg,
                                        {{u"COD_EMPR"_s, 1}, {u"FEC_PROC"_s, QDateTime(QDate(2024, 1, 31), QTime(0, 0))},
                                         {u"RMT_PAMA"_s, 11}, {u"RMT_DEPA"_s, 22}, {u"RMT_ESTA"_s, 33},
                                         {u"RMT_ITES"_s, 44}, {u"COD_AREA"_s, 7}},
                                        1));
        server->Tables.insert(u"DtsPSoPlass"_s, tableLike(dm->QrySoPlass, {{u"CUM_META"_s, 80}}, activities));
        for (SClientDataSet *ds : {dm->QrySoSemon, dm->QrySoPlanear, dm->QrySoHacer, dm->QrySoActuar, dm->QrySoVerificar})
            server->Tables.insert(ds->ProviderName, tableLike(ds, {}, 0));
        dm->QrySoMaleg->Open();
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
        Application()->Tag = 1;
        server = std::make_shared<FakeAppServer>();
        connection = std::make_unique<SDCOMConnection>();
        connection->SetAppServer(server);
        dm = new TDtmSoMaleg(nullptr);
        dm->SetRemoteServer(connection.get());
        planAnual = unificado = false;
        totProgr = totEjecu = 0;
        dm->RegistrarFormaPrincipal(&form, &planAnual, &unificado, nullptr);
        dm->RegistrarTotalesUnificados(&reports, &totProgr, &totEjecu, nullptr);
    }
    void cleanup()
    {
        delete dm;
        dm = nullptr;
    }

    void itemCount()
    {
        openRecord(0);
        answer(u"MAR_PLAN"_s, 3);
        QCOMPARE(dm->TotalActiv(u"MAR_PLAN"_s), 3);
        QCOMPARE(server->LastCommandText,
                 u" SELECT COUNT(MAR_PLAN) AS MAR_PLAN FROM SO_PLASS  WHERE COD_EMPR =:PCODEMPR AND MAR_PLAN =:MAR_PLAN"
                 " AND   FEC_PROC =:PFECPROC AND RMT_PAMA =:PRMTPAMA  AND   RMT_DEPA =:PRMTDEPA AND RMT_ESTA =:PRMTESTA "
                 " AND   RMT_ITES =:PRMTITES \r\n"_s);
        const QList<SParam> &p = server->LastParams;
        QCOMPARE(param(p, u"PCODEMPR"_s).toInt(), 1);
        QCOMPARE(param(p, u"MAR_PLAN"_s).toString(), u"S"_s);
        QCOMPARE(param(p, u"PFECPROC"_s).toDateTime(), QDateTime(QDate(2024, 1, 31), QTime(0, 0)));
        QCOMPARE(param(p, u"PRMTPAMA"_s).toInt(), 11);
        QCOMPARE(param(p, u"PRMTITES"_s).toInt(), 44);
        QVERIFY(!param(p, u"PCODAREA"_s).isValid());
        // Item mode adds to no total.
        QCOMPARE(totProgr, 0);
        QCOMPARE(totEjecu, 0);
    }

    void unifiedCount_data()
    {
        QTest::addColumn<QString>("extra");
        QTest::addColumn<QString>("conditions");
        QTest::newRow("condición") << u" AND MA.COD_EMPR = 1"_s << u"MA.COD_EMPR = 1\r\n"_s;
        QTest::newRow("con orden") << u" AND MA.IND_CUMP = 'N' ORDER BY MA.RMT_ITES"_s << u"MA.IND_CUMP = 'N' "_s;
    }
    void unifiedCount()
    {
        QFETCH(QString, extra);
        QFETCH(QString, conditions);
        openRecord(0);
        QStringList sql = dm->QrySoMaleg->SQL();
        sql.last() += extra;
        dm->QrySoMaleg->SetSQL(sql);
        unificado = true;
        answer(u"ENE_PLAN"_s, 4);
        QCOMPARE(dm->TotalActiv(u"ENE_PLAN"_s), 4);
        QCOMPARE(server->LastCommandText.split(u"\r\n"_s).join(u"\n"_s).trimmed(),
                 QString(kUnifiedPrefix + conditions + u")"_s).split(u"\r\n"_s).join(u"\n"_s));
        QCOMPARE(param(server->LastParams, u"P_COD_EMPR"_s).toInt(), 1);
        QCOMPARE(param(server->LastParams, u"ENE_PLAN"_s).toString(), u"S"_s);
        answer(u"ENE_EJEC"_s, 2);
        QCOMPARE(dm->TotalActiv(u"ENE_EJEC"_s), 2);
        QCOMPARE(totProgr, 4);
        QCOMPARE(totEjecu, 2);
    }

    void unifiedCountTakesTheDateRange()
    {
        openRecord(0);
        dm->QrySoMaleg->Close();
        QStringList sql = dm->QrySoMaleg->SQL();
        sql.last() += u" AND MA.ACT_HORA BETWEEN :PDT_ACT_HORA_INIC AND :PDT_ACT_HORA_FINA"_s;
        dm->QrySoMaleg->SetSQL(sql);
        dm->QrySoMaleg->ParamByName(u"PDT_ACT_HORA_INIC"_s).SetAsDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
        dm->QrySoMaleg->ParamByName(u"PDT_ACT_HORA_FINA"_s).SetAsDateTime(QDateTime(QDate(2024, 6, 30), QTime(0, 0)));
        dm->QrySoMaleg->Open();
        QCOMPARE(dm->FechaIniActividad, QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
        QCOMPARE(dm->FechaFinActividad, QDateTime(QDate(2024, 6, 30), QTime(0, 0)));
        unificado = true;
        answer(u"DIC_EJEC"_s, 1);
        QCOMPARE(dm->TotalActiv(u"DIC_EJEC"_s), 1);
        QCOMPARE(param(server->LastParams, u"PDT_ACT_HORA_INIC"_s).toDateTime(), QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
        QCOMPARE(param(server->LastParams, u"PDT_ACT_HORA_FINA"_s).toDateTime(), QDateTime(QDate(2024, 6, 30), QTime(0, 0)));

        // A filter with only the start keeps the former end.
        dm->QrySoMaleg->Close();
        sql.last().replace(u" AND :PDT_ACT_HORA_FINA"_s, u" AND '2030-01-01'"_s);
        dm->QrySoMaleg->SetSQL(sql);
        dm->QrySoMaleg->ParamByName(u"PDT_ACT_HORA_INIC"_s).SetAsDateTime(QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
        dm->QrySoMaleg->Open();
        QCOMPARE(dm->FechaIniActividad, QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
        QCOMPARE(dm->FechaFinActividad, QDateTime(QDate(2024, 6, 30), QTime(0, 0)));
    }

    void unifiedCountWithoutItsConditionIsRefused()
    {
        openRecord(0); // the design-time query: the area join is its last condition
        unificado = true;
        answer(u"ENE_PLAN"_s, 4);
        const int calls = server->GetRecordsCalls;
        try {
            dm->TotalActiv(u"ENE_PLAN"_s);
            QFAIL("the count was sent");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), u"No es posible contar las actividades del plan unificado: la consulta de "
                                  "evaluaciones no tiene condiciones después de \"MA.COD_AREA = AR.COD_AREA AND\"."_s);
        }
        QCOMPARE(server->GetRecordsCalls, calls);
        QCOMPARE(totProgr, 0);
    }

    void annualGoal()
    {
        openRecord(2);
        answer(u"CUM_META"_s, 180);
        QCOMPARE(dm->MetaAnual(u"CUM_META"_s), 90.0);
        QVERIFY(server->LastCommandText.startsWith(
            u" SELECT SUM(CUM_META) AS CUM_META FROM SO_PLASS  WHERE COD_EMPR =:PCODEMPR AND FEC_PROC =:PFECPROC "
            "   AND RMT_PAMA =:PRMTPAMA AND RMT_DEPA =:PRMTDEPA    AND RMT_ESTA =:PRMTESTA AND RMT_ITES =:PRMTITES "_s));
        dm->QrySoMaleg->Close();
        openRecord(0);
        QCOMPARE(dm->MetaAnual(u"CUM_META"_s), 0.0);
    }
};

QTEST_MAIN(tst_DtmSoMalegTotals)
#include "tst_DtmSoMalegTotals.moc"
