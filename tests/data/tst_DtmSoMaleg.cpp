// The evaluation data module as created: its components in order, the evaluation query's SQL, opening
// it through a provider, the connection handed over by the main form, the in-memory goal datasets and
// what the creation handler sets up.
#include "TDtmSoMaleg.h"

#include "FakeAppServer.h"
#include "Globals.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFieldFormat.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QStringList evaluationSql = {
    u"SELECT MA.ACT_USUA, MA.ACT_HORA, MA.ACT_ESTA, MA.COD_EMPR, MA.FEC_PROC, MA.CAS_CONT,"_s,
    u"       MA.RMT_PAMA, PA.COD_CICL, PA.FEC_INIC, PA.FEC_FINA, MA.RMT_DEPA, DT.DES_ESTA,"_s,
    u"       DT.POR_ESTA, MA.RMT_ESTA, DE.DES_ESTA, DE.POR_ESTA, MA.RMT_ITES,"_s,
    u"       DI.NUM_ERAL, DI.DES_ITEM, DI.VAL_ITEM, DI.MAR_LEGA, DI.TEX_CRIT, DI.TEX_MVER, MA.IND_CUMP,"_s,
    u"       MA.TEX_JUST, MA.TEX_EVID, MA.PLA_ACCI, MA.EMP_ORIG, MA.COD_RESP, MA.FEC_MALE,"_s,
    u"       MA.COD_ITGE, MA.FEC_FINC, MA.TIP_ACTI, MA.EST_CONT, MA.VAL_PRES, MA.TIP_ITEM,"_s,
    u"       MA.COD_AREA, AR.NOM_AREA, MA.OBJ_ASGS, MA.MET_ASGS, MA.DES_HALL,  MA.ADJ_GUID"_s,
    u"FROM SO_MALEG MA, SO_PAMAL PA, SO_DEPAM DT, SO_DEPAM DE, SO_DIPAM DI, SO_AREAS AR"_s,
    u"WHERE MA.COD_EMPR = PA.COD_EMPR"_s,
    u"  AND MA.RMT_PAMA = PA.RMT_PAMA"_s,
    u"  AND MA.COD_EMPR = DT.COD_EMPR"_s,
    u"  AND MA.RMT_PAMA = DT.RMT_PAMA"_s,
    u"  AND MA.RMT_DEPA = DT.RMT_DEPA"_s,
    u"  AND DT.RMT_ESTA = 0"_s,
    u"  AND MA.COD_EMPR = DE.COD_EMPR"_s,
    u"  AND MA.RMT_PAMA = DE.RMT_PAMA"_s,
    u"  AND MA.RMT_DEPA = DE.RMT_DEPA"_s,
    u"  AND MA.RMT_ESTA = DE.RMT_ESTA"_s,
    u"  AND MA.COD_EMPR = DI.COD_EMPR"_s,
    u"  AND MA.RMT_PAMA = DI.RMT_PAMA"_s,
    u"  AND MA.RMT_DEPA = DI.RMT_DEPA"_s,
    u"  AND MA.RMT_ESTA = DI.RMT_ESTA"_s,
    u"  AND MA.RMT_ITES = DI.RMT_ITES"_s,
    u"  AND MA.COD_EMPR = AR.COD_EMPR"_s,
    u"  AND MA.COD_AREA = AR.COD_AREA"_s,
};

SFieldDef column(const QString &name, TFieldType type, int size = 0)
{
    SFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    return def;
}

// The provider's answer to the evaluation query: the columns in the order the SELECT lists them, the
// second DES_ESTA and POR_ESTA renamed DES_ESTA_1 and POR_ESTA_1, as the application server sends them.
// No column is marked as key here: the key the client sends must come from its own field declarations.
FakeAppServer::Table evaluationTable()
{
    using T = TFieldType;
    FakeAppServer::Table table;
    table.Fields = {
        column(u"ACT_USUA"_s, T::ftString, 8),     column(u"ACT_HORA"_s, T::ftDateTime),
        column(u"ACT_ESTA"_s, T::ftFixedChar, 1),  column(u"COD_EMPR"_s, T::ftSmallint),
        column(u"FEC_PROC"_s, T::ftDateTime),      column(u"CAS_CONT"_s, T::ftInteger),
        column(u"RMT_PAMA"_s, T::ftInteger),       column(u"COD_CICL"_s, T::ftInteger),
        column(u"FEC_INIC"_s, T::ftDateTime),      column(u"FEC_FINA"_s, T::ftDateTime),
        column(u"RMT_DEPA"_s, T::ftInteger),       column(u"DES_ESTA"_s, T::ftString, 255),
        column(u"POR_ESTA"_s, T::ftFloat),         column(u"RMT_ESTA"_s, T::ftInteger),
        column(u"DES_ESTA_1"_s, T::ftString, 255), column(u"POR_ESTA_1"_s, T::ftFloat),
        column(u"RMT_ITES"_s, T::ftInteger),       column(u"NUM_ERAL"_s, T::ftString, 20),
        column(u"DES_ITEM"_s, T::ftString, 255),   column(u"VAL_ITEM"_s, T::ftFloat),
        column(u"MAR_LEGA"_s, T::ftString, 255),   column(u"TEX_CRIT"_s, T::ftMemo),
        column(u"TEX_MVER"_s, T::ftMemo),          column(u"IND_CUMP"_s, T::ftFixedChar, 1),
        column(u"TEX_JUST"_s, T::ftMemo),          column(u"TEX_EVID"_s, T::ftMemo),
        column(u"PLA_ACCI"_s, T::ftMemo),          column(u"EMP_ORIG"_s, T::ftSmallint),
        column(u"COD_RESP"_s, T::ftFloat),         column(u"FEC_MALE"_s, T::ftDateTime),
        column(u"COD_ITGE"_s, T::ftFloat),         column(u"FEC_FINC"_s, T::ftDateTime),
        column(u"TIP_ACTI"_s, T::ftFixedChar, 1),  column(u"EST_CONT"_s, T::ftFixedChar, 1),
        column(u"VAL_PRES"_s, T::ftFloat),         column(u"TIP_ITEM"_s, T::ftSmallint),
        column(u"COD_AREA"_s, T::ftInteger),       column(u"NOM_AREA"_s, T::ftString, 60),
        column(u"OBJ_ASGS"_s, T::ftString, 255),   column(u"MET_ASGS"_s, T::ftString, 255),
        column(u"DES_HALL"_s, T::ftMemo),          column(u"ADJ_GUID"_s, T::ftString, 36),
    };
    // Rows given by column name; columns not named are null.
    const auto row = [&table](const QList<std::pair<QString, QVariant>> &values) {
        QVariantList result(table.Fields.size());
        for (const auto &[name, value] : values) {
            int index = 0;
            while (table.Fields.at(index).Name != name)
                ++index;
            result[index] = value;
        }
        return result;
    };
    const QDateTime stamp(QDate(2024, 3, 1), QTime(9, 30));
    const QDateTime process(QDate(2024, 1, 15), QTime(0, 0));
    const QList<std::pair<QString, QVariant>> common = {
        {u"ACT_USUA"_s, u"ADMIN"_s}, {u"ACT_HORA"_s, stamp},
        {u"ACT_ESTA"_s, u"A"_s},     {u"COD_EMPR"_s, 1},
        {u"FEC_PROC"_s, process},    {u"RMT_PAMA"_s, 7},
        {u"COD_CICL"_s, 1},          {u"FEC_INIC"_s, QDateTime(QDate(2024, 1, 1), QTime(0, 0))},
        {u"RMT_DEPA"_s, 3},          {u"DES_ESTA"_s, u"Recursos"_s},
        {u"POR_ESTA"_s, 4.0},        {u"COD_AREA"_s, 2},
        {u"NOM_AREA"_s, u"Planta"_s}};
    table.Rows = {
        row(common + QList<std::pair<QString, QVariant>>{{u"RMT_ESTA"_s, 11},
                                                         {u"DES_ESTA_1"_s, u"Recursos financieros"_s},
                                                         {u"POR_ESTA_1"_s, 0.5},
                                                         {u"RMT_ITES"_s, 21},
                                                         {u"NUM_ERAL"_s, u"1.1.1"_s},
                                                         {u"DES_ITEM"_s, u"Responsable del sistema"_s},
                                                         {u"VAL_ITEM"_s, 0.5},
                                                         {u"IND_CUMP"_s, u"C"_s},
                                                         {u"TEX_EVID"_s, u"Acta"_s},
                                                         {u"EMP_ORIG"_s, 1},
                                                         {u"COD_RESP"_s, 1020.0},
                                                         {u"FEC_MALE"_s, process},
                                                         {u"COD_ITGE"_s, 12.0},
                                                         {u"FEC_FINC"_s, QDateTime(QDate(2024, 6, 30), QTime(0, 0))},
                                                         {u"TIP_ACTI"_s, u"P"_s},
                                                         {u"EST_CONT"_s, u"E"_s},
                                                         {u"VAL_PRES"_s, 250.5},
                                                         {u"TIP_ITEM"_s, 5},
                                                         {u"OBJ_ASGS"_s, u"Objetivo"_s},
                                                         {u"MET_ASGS"_s, u"Meta"_s}}),
        row(common + QList<std::pair<QString, QVariant>>{{u"RMT_ESTA"_s, 12},
                                                         {u"DES_ESTA_1"_s, u"Capacitación"_s},
                                                         {u"POR_ESTA_1"_s, 1.0},
                                                         {u"RMT_ITES"_s, 22},
                                                         {u"NUM_ERAL"_s, u"1.2.1"_s},
                                                         {u"DES_ITEM"_s, u"Programa de capacitación"_s},
                                                         {u"VAL_ITEM"_s, 1.0}}),
    };
    return table;
}

} // namespace

class tst_DtmSoMaleg : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void componentsInOrder();
    void evaluationSqlAsCommandTextAndList();
    void openingEvaluationBindsPersistentFields();
    void openingWithoutTheRenamedColumnsFails();
    void savingSendsTheRecordKey();
    void remoteServerHandedOverByTheForm();
    void dataSourcesOverDependentDataSets();
    void goalDataSets_data();
    void goalDataSets();
    void creationState();
    void eventBindings();
    void creationHandlerRebindsAndClears();

private:
    std::shared_ptr<FakeAppServer> server;
    std::unique_ptr<SDCOMConnection> connection;
    std::unique_ptr<TDtmSoMaleg> dm;
};

void tst_DtmSoMaleg::init()
{
    server = std::make_shared<FakeAppServer>();
    server->Tables.insert(u"DtsPSoMaleg"_s, evaluationTable());
    // An edit is stamped with the user and the server's time.
    gStCodiUsua = u"prueba"_s;
    server->Methods.insert(u"BuscarFechaServidor"_s,
                           [](QVariantList &) { return QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4))); });
    connection = std::make_unique<SDCOMConnection>();
    connection->SetAppServer(server);
    dm = std::make_unique<TDtmSoMaleg>(nullptr);
    // Opening the evaluation looks up names and reopens the current record's dependent datasets:
    // every other provider answers with no rows, shaped like its dataset's declared fields.
    for (const SClientDataSet *ds : dm->findChildren<SClientDataSet *>())
        if (!ds->ProviderName.isEmpty() && !server->Tables.contains(ds->ProviderName)) {
            FakeAppServer::Table t;
            for (const TField *f : ds->Fields())
                if (!f->Calculated())
                    t.Fields << SFieldDef{f->FieldName(), f->DataType(), f->Size(), false};
            server->Tables.insert(ds->ProviderName, t);
        }
}

void tst_DtmSoMaleg::cleanup()
{
    dm.reset();
    connection.reset();
    server.reset();
}

void tst_DtmSoMaleg::componentsInOrder()
{
    QStringList names;
    for (const QObject *child : dm->children())
        names << child->objectName();
    QCOMPARE(names, (QStringList{u"QrySoMaleg"_s, u"QryBiEmple"_s, u"QryValResp"_s, u"QryGnDitem"_s, u"QryGnTerce"_s,
                                 u"QryTemporal"_s, u"QryGnDigif"_s, u"QrySoParam"_s, u"QrySoSemon"_s, u"QrySoPlass"_s,
                                 u"QrySoPlanear"_s, u"QrySoHacer"_s, u"QrySoActuar"_s, u"QrySoVerificar"_s,
                                 u"DtsSoSemon"_s, u"DtsSoPlass"_s, u"CdsCumplEjecu"_s, u"CdsSeguiCumpli"_s}));
    QCOMPARE(dm->objectName(), u"DtmSoMaleg"_s);
    const QList<QObject *> members = {
        dm->QrySoMaleg,  dm->QryBiEmple,     dm->QryValResp, dm->QryGnDitem, dm->QryGnTerce,    dm->QryTemporal,
        dm->QryGnDigif,  dm->QrySoParam,     dm->QrySoSemon, dm->QrySoPlass, dm->QrySoPlanear,  dm->QrySoHacer,
        dm->QrySoActuar, dm->QrySoVerificar, dm->DtsSoSemon, dm->DtsSoPlass, dm->CdsCumplEjecu, dm->CdsSeguiCumpli};
    QCOMPARE(members, dm->children());
}

void tst_DtmSoMaleg::evaluationSqlAsCommandTextAndList()
{
    QCOMPARE(dm->QrySoMaleg->SQL(), evaluationSql);
    QCOMPARE(dm->QrySoMaleg->CommandText(), evaluationSql.join(u"\r\n"_s) + u"\r\n"_s);
    QCOMPARE(dm->QrySoMaleg->Params().Count(), 0);
}

void tst_DtmSoMaleg::openingEvaluationBindsPersistentFields()
{
    dm->SetRemoteServer(connection.get());
    dm->QrySoMaleg->Open();

    QCOMPARE(server->CommandTextByProvider.value(u"DtsPSoMaleg"_s), dm->QrySoMaleg->CommandText());
    QVERIFY(server->ParamsByProvider.value(u"DtsPSoMaleg"_s).isEmpty());
    QCOMPARE(dm->QrySoMaleg->FieldCount(), 48); // the declared fields, none created from the packet
    QCOMPARE(dm->QrySoMaleg->RecordCount(), 2);

    // The title row and the record's own description row, side by side.
    QCOMPARE(dm->QrySoMalegDES_ESTA->AsString(), u"Recursos"_s);
    QCOMPARE(dm->QrySoMalegPOR_ESTA->AsFloat(), 4.0);
    QCOMPARE(dm->QrySoMalegDES_ESTA_1->AsString(), u"Recursos financieros"_s);
    QCOMPARE(dm->QrySoMalegPOR_ESTA_1->AsFloat(), 0.5);
    // Columns whose field order differs from the SELECT's are bound by name.
    QCOMPARE(dm->QrySoMalegCOD_ITGE->AsFloat(), 12.0);
    QCOMPARE(dm->QrySoMalegFEC_FINC->AsDateTime(), QDateTime(QDate(2024, 6, 30), QTime(0, 0)));
    QCOMPARE(dm->QrySoMalegTIP_ACTI->AsString(), u"P"_s);
    QCOMPARE(dm->QrySoMalegEST_CONT->AsString(), u"E"_s);
    QCOMPARE(dm->QrySoMalegVAL_PRES->AsFloat(), 250.5);
    QCOMPARE(dm->QrySoMalegTIP_ITEM->AsInteger(), 5);
    QCOMPARE(dm->QrySoMalegCOD_AREA->AsInteger(), 2);
    QCOMPARE(dm->QrySoMalegNOM_AREA->AsString(), u"Planta"_s);
    QCOMPARE(dm->QrySoMalegIND_CUMP->AsString(), u"C"_s);
    QCOMPARE(dm->QrySoMalegCOD_RESP->AsFloat(), 1020.0);
    QVERIFY(dm->QrySoMalegFEC_FINA->IsNull());

    dm->QrySoMaleg->Next();
    QCOMPARE(dm->QrySoMalegDES_ESTA_1->AsString(), u"Capacitación"_s);
    QCOMPARE(dm->QrySoMalegNUM_ERAL->AsString(), u"1.2.1"_s);
    QVERIFY(dm->QrySoMalegIND_CUMP->IsNull());
    // Nothing fills the calculated fields yet.
    QVERIFY(dm->QrySoMalegDtfCalificacion->IsNull());
}

void tst_DtmSoMaleg::openingWithoutTheRenamedColumnsFails()
{
    // A provider that sent the duplicate columns under their plain names would leave the description
    // fields without a column: the open is refused rather than showing the title twice.
    FakeAppServer::Table &table = server->Tables[u"DtsPSoMaleg"_s];
    table.Fields[14].Name = u"DES_ESTA"_s;
    table.Fields[15].Name = u"POR_ESTA"_s;
    dm->SetRemoteServer(connection.get());
    QString message;
    try {
        dm->QrySoMaleg->Open();
    } catch (const Exception &e) {
        message = e.Message();
    }
    QCOMPARE(message, u"Field 'DES_ESTA_1' not found"_s);
    QVERIFY(!dm->QrySoMaleg->Active());
}

void tst_DtmSoMaleg::savingSendsTheRecordKey()
{
    dm->SetRemoteServer(connection.get());
    dm->QrySoMaleg->Open();
    dm->QrySoMaleg->Edit();
    dm->QrySoMalegOBJ_ASGS->SetAsString(u"Objetivo revisado"_s);
    dm->QrySoMaleg->Post();
    QCOMPARE(dm->QrySoMaleg->ApplyUpdates(0), 0);

    QStringList keys;
    for (const SFieldDef &def : server->LastDelta.Fields)
        if (def.InKey)
            keys << def.Name;
    QCOMPARE(keys, (QStringList{u"COD_EMPR"_s, u"FEC_PROC"_s, u"RMT_PAMA"_s, u"RMT_DEPA"_s, u"RMT_ESTA"_s,
                                u"RMT_ITES"_s, u"COD_AREA"_s}));
    QCOMPARE(server->Tables[u"DtsPSoMaleg"_s].Rows.at(0).at(38).toString(), u"Objetivo revisado"_s);
}

void tst_DtmSoMaleg::remoteServerHandedOverByTheForm()
{
    dm->SetRemoteServer(connection.get());
    int remote = 0;
    for (const SClientDataSet *ds : dm->findChildren<SClientDataSet *>()) {
        if (ds->ProviderName.isEmpty()) {
            QVERIFY2(ds->RemoteServer == nullptr, qPrintable(ds->Name()));
            continue;
        }
        QVERIFY2(ds->RemoteServer == connection.get(), qPrintable(ds->Name()));
        ++remote;
    }
    QCOMPARE(remote, 14);
}

void tst_DtmSoMaleg::dataSourcesOverDependentDataSets()
{
    QCOMPARE(dm->DtsSoSemon->DataSet(), static_cast<TDataSet *>(dm->QrySoSemon));
    QCOMPARE(dm->DtsSoPlass->DataSet(), static_cast<TDataSet *>(dm->QrySoPlass));
}

void tst_DtmSoMaleg::goalDataSets_data()
{
    QTest::addColumn<QString>("format"); // display format of CUM_META and POR_CUMP

    QTest::newRow("CdsCumplEjecu") << QString();
    QTest::newRow("CdsSeguiCumpli") << u"0"_s;
}

void tst_DtmSoMaleg::goalDataSets()
{
    QFETCH(QString, format);
    auto *ds = dm->findChild<SClientDataSet *>(QString::fromUtf8(QTest::currentDataTag()));
    QVERIFY(ds);
    QVERIFY(ds->Active());
    QVERIFY(ds->IsEmpty());
    QVERIFY(ds->ProviderName.isEmpty());

    QStringList fields;
    for (const TField *field : ds->Fields())
        fields << u"%1 %2"_s.arg(field->FieldName()).arg(int(field->DataType()));
    QCOMPARE(fields, (QStringList{u"CUM_PLIM %1"_s.arg(int(TFieldType::ftString)),
                                  u"CUM_META %1"_s.arg(int(TFieldType::ftFloat)),
                                  u"POR_CUMP %1"_s.arg(int(TFieldType::ftFloat))}));
    QCOMPARE(ds->FieldByName(u"CUM_PLIM"_s)->Size(), 20);
    QCOMPARE(ds->FieldByName(u"CUM_META"_s)->DisplayFormat, format);
    QCOMPARE(ds->FieldByName(u"POR_CUMP"_s)->DisplayFormat, format);

    // Rows go in and out without a provider.
    ds->AppendRecord({u"ENE"_s, 80.0, 62.5});
    QCOMPARE(ds->RecordCount(), 1);
    QCOMPARE(ds->FieldByName(u"POR_CUMP"_s)->DisplayText(),
             format.isEmpty() ? TFieldFormat::FloatToStr(62.5) : u"63"_s);
    ds->EmptyDataSet();
    QVERIFY(ds->IsEmpty());
}

void tst_DtmSoMaleg::creationState()
{
    for (const SClientDataSet *ds : dm->findChildren<SClientDataSet *>())
        if (!ds->ProviderName.isEmpty())
            QVERIFY2(!ds->Active(), qPrintable(ds->Name())); // nothing is opened at creation
    QCOMPARE(dm->SeguimientoAutomatico, false);
    QCOMPARE(dm->RespAntesEdicion, 0.0);
    QVERIFY(dm->CumpAntesEdicion.isEmpty());
    const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
    QCOMPARE(dm->FechaIniActividad, zero);
    QCOMPARE(dm->FechaFinActividad, zero);
}

void tst_DtmSoMaleg::eventBindings()
{
    const SClientDataSet *q = dm->QrySoMaleg;
    QVERIFY(q->AfterOpen && q->AfterScroll && q->BeforeEdit && q->AfterEdit && q->BeforePost);
    QVERIFY(q->OnCalcFields && q->OnNewRecord && q->OnReconcileError && q->AfterApplyUpdates);
    QVERIFY(dm->QrySoMalegIND_CUMP->OnValidate);
    QVERIFY(dm->QrySoMalegCOD_RESP->OnValidate);
    QVERIFY(dm->QrySoMalegEST_CONT->OnChange);
    // Only those: the other events stay free for the host framework.
    QVERIFY(!q->BeforeOpen && !q->AfterClose && !q->BeforeInsert && !q->AfterPost && !q->BeforeApplyUpdates);
    QVERIFY(!dm->QrySoMalegCOD_RESP->OnChange && !dm->QrySoMalegIND_CUMP->OnChange);
}

void tst_DtmSoMaleg::creationHandlerRebindsAndClears()
{
    dm->SeguimientoAutomatico = true;
    dm->QrySoMaleg->AfterScroll = nullptr;
    dm->DataModuleCreate(dm.get());
    QCOMPARE(dm->SeguimientoAutomatico, false);
    QVERIFY(dm->QrySoMaleg->AfterScroll);
}

QTEST_GUILESS_MAIN(tst_DtmSoMaleg)
#include "tst_DtmSoMaleg.moc"
