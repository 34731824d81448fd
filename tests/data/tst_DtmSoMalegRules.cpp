// The rules of the evaluation records as a user meets them through the data module: names and
// scores, the refusal to edit a cycle not in force, the audit stamp, the responsible check, the
// refusal of new rows, and what moving through the records does.
#include "TDtmSoMaleg.h"

#include "FakeAppServer.h"
#include "Globals.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QLocale>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

FakeAppServer::Table tableLike(TDataSet *ds)
{
    FakeAppServer::Table t;
    for (TField *f : ds->Fields())
        if (!f->Calculated())
            t.Fields << SFieldDef{f->FieldName(), f->DataType(), f->Size(), false};
    return t;
}

QVariantList rowOf(const FakeAppServer::Table &t, const QVariantMap &values)
{
    QVariantList row;
    for (const SFieldDef &f : t.Fields)
        row << values.value(f.Name);
    return row;
}

QVariant param(const QList<SParam> &params, const QString &name)
{
    for (const SParam &p : params)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return p.Value;
    return QVariant();
}

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

} // namespace

class tst_DtmSoMalegRules : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeAppServer> server;
    std::unique_ptr<SDCOMConnection> connection;
    TDtmSoMaleg *dm = nullptr;
    // What the last GetRecords of each provider received.
    QHash<QString, QList<SParam>> sent;

    QVariantMap baseRecord()
    {
        return {{u"COD_EMPR"_s, 1},          {u"FEC_PROC"_s, day(2019, 3, 1)}, {u"RMT_PAMA"_s, 11},
                {u"COD_CICL"_s, 3},          {u"FEC_INIC"_s, day(2019, 1, 1)}, {u"RMT_DEPA"_s, 22},
                {u"DES_ESTA"_s, u"Gestión de la salud"_s}, {u"POR_ESTA"_s, 5}, {u"RMT_ESTA"_s, 33},
                {u"DES_ESTA_1"_s, u"Condiciones de salud"_s}, {u"POR_ESTA_1"_s, 2.5}, {u"RMT_ITES"_s, 44},
                {u"NUM_ERAL"_s, u"3.1.1"_s}, {u"DES_ITEM"_s, u"Ítem"_s}, {u"VAL_ITEM"_s, 5.0},
                {u"COD_AREA"_s, 7},          {u"NOM_AREA"_s, u"Planta"_s}, {u"ACT_USUA"_s, u"otro"_s},
                {u"ACT_HORA"_s, day(2019, 1, 1)}, {u"ACT_ESTA"_s, u"A"_s}};
    }

    // Opens the evaluation with one record made of baseRecord() overridden by values.
    void openWith(const QVariantMap &values)
    {
        QVariantMap record = baseRecord();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            record.insert(it.key(), it.value());
        FakeAppServer::Table &t = server->Tables[u"DtsPSoMaleg"_s];
        t.Rows = {rowOf(t, record)};
        dm->QrySoMaleg->Close();
        dm->QrySoMaleg->Open();
    }

    // A scratch-query answer holding one row with the given result columns.
    void temporalAnswers(const QVariantMap &columns)
    {
        FakeAppServer::Table t;
        for (auto it = columns.cbegin(); it != columns.cend(); ++it)
            t.Fields << SFieldDef{it.key(), TFieldType::ftInteger};
        t.Rows = {columns.values()};
        server->Tables.insert(u"DtsPTemporal"_s, t);
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
    }

    void init()
    {
        Application()->Tag = 1;
        gStCodiUsua = u"jperez"_s;
        server = std::make_shared<FakeAppServer>();
        connection = std::make_unique<SDCOMConnection>();
        connection->SetAppServer(server);
        dm = new TDtmSoMaleg(nullptr);
        DtmSoMaleg = dm;
        dm->SetRemoteServer(connection.get());
        server->Tables.insert(u"DtsPSoMaleg"_s, tableLike(dm->QrySoMaleg));
        for (SClientDataSet *ds : {dm->QrySoSemon, dm->QrySoPlass, dm->QrySoPlanear, dm->QrySoHacer,
                                   dm->QrySoActuar, dm->QrySoVerificar}) {
            // A probe row, never returned, lets the filter see every request's parameters.
            FakeAppServer::Table t = tableLike(ds);
            t.Fields << SFieldDef{u"SONDA"_s, TFieldType::ftInteger};
            QVariantList probe(t.Fields.size());
            probe.last() = 1;
            t.Rows << probe;
            const QString provider = ds->ProviderName;
            t.Filter = [this, provider](const QVariantList &row, const QList<SParam> &params) {
                sent.insert(provider, params);
                return row.last().toInt() != 1;
            };
            server->Tables.insert(provider, t);
        }
        FakeAppServer::Table terce = tableLike(dm->QryGnTerce);
        terce.Fields << SFieldDef{u"COD_TERC"_s, TFieldType::ftFloat};
        terce.Rows = {{u"Ana"_s, u"Ríos"_s, QVariant(), 900.0}};
        terce.Filter = [](const QVariantList &row, const QList<SParam> &params) {
            return row.at(3) == param(params, u"PFLCOD_TERC"_s);
        };
        server->Tables.insert(u"DtsPGnTerce"_s, terce);
        FakeAppServer::Table ditem = tableLike(dm->QryGnDitem);
        ditem.Fields << SFieldDef{u"TIP_ITEM"_s, TFieldType::ftSmallint};
        ditem.Rows = {{12.0, u"Eje de prevención"_s, QVariant(), 5}, {60.0, u"Moderadamente aceptable"_s, QVariant(), 4}};
        ditem.Filter = [](const QVariantList &row, const QList<SParam> &params) {
            return row.at(3) == param(params, u"P_TIP_ITEM"_s) &&
                   (row.at(3).toInt() == 4 ? param(params, u"P_COD_ITEM"_s).toDouble() >= row.at(0).toDouble()
                                           : row.at(0) == param(params, u"P_COD_ITEM"_s));
        };
        server->Tables.insert(u"DtsPGnDitem"_s, ditem);
        FakeAppServer::Table valResp = tableLike(dm->QryValResp);
        valResp.Fields << SFieldDef{u"COD_EMPR"_s, TFieldType::ftSmallint};
        valResp.Rows = {{900.0, 1}, {901.0, 2}};
        valResp.Filter = [](const QVariantList &row, const QList<SParam> &params) {
            return row.at(0) == param(params, u"P_COD_EMPL"_s) && row.at(1) == param(params, u"P_COD_EMPR"_s);
        };
        server->Tables.insert(u"DtsPValResp"_s, valResp);
        server->Methods.insert(u"BuscarFechaServidor"_s,
                               [](QVariantList &) { return QVariant(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6))); });
    }

    void cleanup()
    {
        delete dm;
        dm = nullptr;
        DtmSoMaleg = nullptr;
        sent.clear();
    }

    void cycleNames_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << QString();
        QTest::newRow("1") << 1 << u"Planear"_s;
        QTest::newRow("2") << 2 << u"Hacer"_s;
        QTest::newRow("3") << 3 << u"Verificar"_s;
        QTest::newRow("4") << 4 << u"Actuar"_s;
        QTest::newRow("5") << 5 << QString();
    }
    void cycleNames()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(TDtmSoMaleg::NombreCiclo(code), name);
    }

    void namesAndScores_data()
    {
        QTest::addColumn<QVariant>("code");
        QTest::addColumn<int>("year");
        QTest::addColumn<QVariant>("justification");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("score"); // invalid: empty
        const QVariant none;
        QTest::newRow("C") << QVariant(u"C"_s) << 2019 << none << u"Cumple Totalmente"_s << QVariant(5.0);
        QTest::newRow("P") << QVariant(u"P"_s) << 2019 << none << u"Cumple Parcialmente"_s << QVariant(2.5);
        QTest::newRow("N") << QVariant(u"N"_s) << 2019 << none << u"No Cumple"_s << QVariant(0.0);
        QTest::newRow("X 2018") << QVariant(u"X"_s) << 2018 << none << u"No Aplica - No Justifica"_s << QVariant(5.0);
        QTest::newRow("X 2019") << QVariant(u"X"_s) << 2019 << none << u"No Aplica"_s << QVariant(5.0);
        QTest::newRow("J 2018 sin") << QVariant(u"J"_s) << 2018 << none << u"No Aplica - Justifica"_s << QVariant(0.0);
        QTest::newRow("J 2018 con") << QVariant(u"J"_s) << 2018 << QVariant(u"x"_s) << u"No Aplica - Justifica"_s
                                    << QVariant(5.0);
        QTest::newRow("J 2019 sin") << QVariant(u"J"_s) << 2019 << QVariant(QString()) << u"No Aplica"_s
                                    << QVariant(0.0);
        QTest::newRow("J 2019 con") << QVariant(u"J"_s) << 2019 << QVariant(u"Sin personal"_s) << u"No Aplica"_s
                                    << QVariant(5.0);
        QTest::newRow("Z") << QVariant(u"Z"_s) << 2019 << none << QString() << QVariant(0.0);
        QTest::newRow("null") << none << 2019 << none << QString() << none;
    }
    void namesAndScores()
    {
        QFETCH(QVariant, code);
        QFETCH(int, year);
        QFETCH(QVariant, justification);
        QFETCH(QString, name);
        QFETCH(QVariant, score);
        openWith({{u"IND_CUMP"_s, code}, {u"FEC_PROC"_s, day(year, 12, 31)}, {u"TEX_JUST"_s, justification}});
        QCOMPARE(dm->QrySoMalegDtfNmbCicl->AsString(), u"Verificar"_s);
        QCOMPARE(dm->QrySoMalegDtfNmbCump->AsString(), name);
        QCOMPARE(dm->QrySoMalegDtfCalificacion->IsNull(), !score.isValid());
        if (score.isValid())
            QCOMPARE(dm->QrySoMalegDtfCalificacion->AsFloat(), score.toDouble());
    }

    void responsibleAndAxisNames()
    {
        openWith({{u"COD_RESP"_s, 900.0}, {u"COD_ITGE"_s, 12.0}});
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), u"Ana"_s);
        QCOMPARE(dm->QrySoMalegDtfApeResp->AsString(), u"Ríos"_s);
        QCOMPARE(dm->QrySoMalegDtfNmbItge->AsString(), u"Eje de prevención"_s);
        openWith({{u"COD_RESP"_s, 999.0}, {u"COD_ITGE"_s, 13.0}});
        QCOMPARE(dm->QrySoMalegDtfNmbResp->AsString(), QString());
        QCOMPARE(dm->QrySoMalegDtfNmbItge->AsString(), QString());
    }

    void evaluationCriterion()
    {
        openWith({});
        QCOMPARE(dm->EvalCriterio(75.5L), u"Moderadamente aceptable"_s);
        QCOMPARE(dm->EvalCriterio(10.0L), QString());
    }

    void editRefusal_data()
    {
        QTest::addColumn<int>("startInDays");
        QTest::addColumn<QVariant>("endInDays");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("empezó hoy, sin fin") << 0 << QVariant() << true;
        QTest::newRow("empezó, ya terminó") << -30 << QVariant(-1) << true;
        QTest::newRow("empieza mañana, sin fin") << 1 << QVariant() << false;
        QTest::newRow("empieza mañana, termina en un mes") << 1 << QVariant(30) << true;
        QTest::newRow("empieza mañana, terminó ayer") << 1 << QVariant(-1) << false;
    }
    void editRefusal()
    {
        QFETCH(int, startInDays);
        QFETCH(QVariant, endInDays);
        QFETCH(bool, allowed);
        const QDate today = QDate::currentDate();
        openWith({{u"FEC_INIC"_s, QDateTime(today.addDays(startInDays), QTime(0, 0))},
                  {u"FEC_FINA"_s, endInDays.isValid() ? QVariant(QDateTime(today.addDays(endInDays.toInt()), QTime(0, 0)))
                                                      : QVariant()},
                  {u"COD_RESP"_s, 900.0}, {u"IND_CUMP"_s, u"N"_s}});
        if (allowed) {
            dm->QrySoMaleg->Edit();
            QCOMPARE(dm->QrySoMaleg->State(), dsEdit);
            QCOMPARE(dm->RespAntesEdicion, 900.0);
            QCOMPARE(dm->CumpAntesEdicion, u"N"_s);
        } else {
            try {
                dm->QrySoMaleg->Edit();
                QFAIL("the edit was not refused");
            } catch (const Exception &e) {
                QCOMPARE(e.Message(), u"No Es Posible Modificar. No Se Encuentra Vigente!!"_s);
            }
            QCOMPARE(dm->QrySoMaleg->State(), dsBrowse);
            QCOMPARE(dm->RespAntesEdicion, 0.0);
        }
    }

    void editIsStampedWithTheServersTime()
    {
        openWith({});
        dm->QrySoMaleg->Edit();
        QCOMPARE(dm->QrySoMalegACT_USUA->AsString(), u"jperez"_s);
        QCOMPARE(dm->QrySoMalegACT_HORA->AsDateTime(), QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)));
        QCOMPARE(dm->QrySoMalegACT_ESTA->AsString(), u"M"_s);
        QCOMPARE(dm->QrySoMalegFEC_MALE->AsDateTime(), QDateTime(QDate::currentDate(), QTime(0, 0)));
        QCOMPARE(dm->QrySoMalegTIP_ITEM->AsInteger(), 5);
    }

    void responsibleCheck()
    {
        openWith({{u"COD_RESP"_s, 900.0}, {u"EMP_ORIG"_s, 1}});
        dm->QrySoMaleg->Edit();
        try {
            dm->QrySoMalegCOD_RESP->SetAsFloat(901.0); // a person of company 2, not of EMP_ORIG 1
            QFAIL("the responsible was accepted");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), u"El Responsable no existe en QGnTerce."_s);
        }
        QCOMPARE(dm->QrySoMalegCOD_RESP->AsFloat(), 900.0);

        dm->QrySoMalegCOD_RESP->Clear();
        QVERIFY(dm->QrySoMalegEMP_ORIG->IsNull());
        // Without EMP_ORIG the selected company is taken before the check.
        Application()->Tag = 2;
        dm->QrySoMalegCOD_RESP->SetAsFloat(901.0);
        QCOMPARE(dm->QrySoMalegEMP_ORIG->AsInteger(), 2);
        QCOMPARE(dm->QrySoMalegCOD_RESP->AsFloat(), 901.0);
    }

    void newRowsAreRefused()
    {
        openWith({});
        dm->QrySoMaleg->Append();
        QCOMPARE(dm->QrySoMaleg->State(), dsBrowse);
        QCOMPARE(dm->QrySoMaleg->RecordCount(), 1);
        QCOMPARE(dm->QrySoMaleg->ChangeCount(), 0);
    }

    void navigationFillsTitlesAndReopensDependents()
    {
        QObject form;
        bool planAnual = false;
        bool unificado = false;
        QStringList titles;
        dm->RegistrarFormaPrincipal(&form, &planAnual, &unificado,
                                    [&titles](const QString &a, const QString &b, const QString &c) { titles = {a, b, c}; });
        Application()->Tag = 1;
        openWith({});
        QCOMPARE(titles, QStringList({u"3. VERIFICAR"_s, u"ESTÁNDAR GESTIÓN DE LA SALUD (5%)"_s,
                                      u"Estándar: Condiciones de salud (2,5%)"_s}));
        for (SClientDataSet *ds : {dm->QrySoSemon, dm->QrySoPlass, dm->QrySoPlanear, dm->QrySoHacer, dm->QrySoActuar,
                                   dm->QrySoVerificar}) {
            QVERIFY2(ds->Active(), qPrintable(ds->Name()));
            const QList<SParam> &p = sent.value(ds->ProviderName);
            QCOMPARE(param(p, u"PCODEMPR"_s).toInt(), 1);
            QCOMPARE(param(p, u"PFECPROC"_s).toDateTime(), day(2019, 3, 1));
            QCOMPARE(param(p, u"PRMTPAMA"_s).toInt(), 11);
            QCOMPARE(param(p, u"PRMTDEPA"_s).toInt(), 22);
            QCOMPARE(param(p, u"PRMTESTA"_s).toInt(), 33);
            QCOMPARE(param(p, u"PRMTITES"_s).toInt(), 44);
        }
        QCOMPARE(param(sent.value(u"DtsPSoSemon"_s), u"PCODAREA"_s).toInt(), 7);
        QCOMPARE(dm->CdsCumplEjecu->RecordCount(), 0);
        QCOMPARE(dm->CdsSeguiCumpli->RecordCount(), 0);

        // No current record: empty parts, zero parameters.
        server->Tables[u"DtsPSoMaleg"_s].Rows.clear();
        dm->QrySoMaleg->Close();
        dm->QrySoMaleg->Open();
        dm->QrySoMalegAfterScroll(*dm->QrySoMaleg);
        QCOMPARE(titles, QStringList({u". "_s, u"ESTÁNDAR  (%)"_s, u"Estándar:  (%)"_s}));
        QCOMPARE(param(sent.value(u"DtsPSoPlass"_s), u"PRMTITES"_s).toInt(), 0);
    }

    void goalRowsWhileTheAnnualPlanPrints_data()
    {
        QTest::addColumn<int>("planned");
        QTest::addColumn<int>("executed");
        QTest::addColumn<double>("yearly");
        QTest::newRow("3 de 4") << 4 << 3 << 75.0;
        QTest::newRow("1 de 8") << 8 << 1 << 12.0;
        QTest::newRow("sin plan") << 0 << 2 << 0.0;
    }
    void goalRowsWhileTheAnnualPlanPrints()
    {
        QFETCH(int, planned);
        QFETCH(int, executed);
        QFETCH(double, yearly);
        QObject form, reports;
        bool planAnual = true;
        bool unificado = false;
        dm->RegistrarFormaPrincipal(&form, &planAnual, &unificado, nullptr);
        QList<QPair<int, int>> asked;
        dm->RegistrarTotalesUnificados(&reports, nullptr, nullptr, [&asked](int p, int e) {
            asked << qMakePair(p, e);
            return 33.5;
        });
        // March holds every activity; the goal column sums 5 over the two loaded activities.
        temporalAnswers({{u"MAR_PLAN"_s, planned}, {u"MAR_EJEC"_s, executed}, {u"CUM_META"_s, 5},
                         {u"ENE_PLAN"_s, 0}, {u"ENE_EJEC"_s, 0}});
        FakeAppServer::Table &plass = server->Tables[u"DtsPSoPlass"_s];
        plass.Rows << rowOf(plass, {}) << rowOf(plass, {});
        // Every other month answers 0 through a column of its own.
        for (const QString &m : {u"FEB"_s, u"ABR"_s, u"MAY"_s, u"JUN"_s, u"JUL"_s, u"AGO"_s, u"SEP"_s, u"OCT"_s,
                                 u"NOV"_s, u"DIC"_s}) {
            server->Tables[u"DtsPTemporal"_s].Fields << SFieldDef{m + u"_PLAN"_s, TFieldType::ftInteger}
                                                     << SFieldDef{m + u"_EJEC"_s, TFieldType::ftInteger};
            server->Tables[u"DtsPTemporal"_s].Rows[0] << 0 << 0;
        }
        openWith({});
        QCOMPARE(dm->MetaAnualActual, 3.0); // 2.5 rounded away from zero
        QCOMPARE(dm->CdsCumplEjecu->RecordCount(), 1);
        QVERIFY(dm->CdsCumplEjecu->FieldByName(u"CUM_PLIM"_s)->IsNull());
        QCOMPARE(dm->CdsCumplEjecu->FieldByName(u"CUM_META"_s)->AsFloat(), 3.0);
        QCOMPARE(dm->CdsCumplEjecu->FieldByName(u"POR_CUMP"_s)->AsFloat(), yearly);
        QCOMPARE(dm->CdsSeguiCumpli->RecordCount(), 12);
        dm->CdsSeguiCumpli->First();
        QCOMPARE(dm->CdsSeguiCumpli->FieldByName(u"CUM_PLIM"_s)->AsString(), u"ENE"_s);
        dm->CdsSeguiCumpli->SetRecNo(3);
        QCOMPARE(dm->CdsSeguiCumpli->FieldByName(u"CUM_PLIM"_s)->AsString(), u"MAR"_s);
        QCOMPARE(dm->CdsSeguiCumpli->FieldByName(u"POR_CUMP"_s)->AsFloat(), 33.5);
        QCOMPARE(asked.size(), 12);
        QCOMPARE(asked.at(2), qMakePair(planned, executed));

        // Once the flag is cleared a change of record leaves both empty.
        planAnual = false;
        dm->QrySoMalegAfterScroll(*dm->QrySoMaleg);
        QCOMPARE(dm->CdsCumplEjecu->RecordCount(), 0);
        QCOMPARE(dm->CdsSeguiCumpli->RecordCount(), 0);
    }
};

QTEST_MAIN(tst_DtmSoMalegRules)
#include "tst_DtmSoMalegRules.moc"
