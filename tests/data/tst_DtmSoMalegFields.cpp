// The evaluation data module's datasets as declared: provider, main table, parameters, and every
// persistent field with its type, size, label and flags, dataset by dataset in the module's order.
#include "TDtmSoMaleg.h"

#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TField.h"
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

QString typeText(TFieldType type, int size)
{
    switch (type) {
    case TFieldType::ftString:
        return size ? u"text %1"_s.arg(size) : u"text"_s;
    case TFieldType::ftFixedChar:
        return size ? u"char %1"_s.arg(size) : u"char"_s;
    case TFieldType::ftSmallint:
        return u"small"_s;
    case TFieldType::ftInteger:
        return u"int"_s;
    case TFieldType::ftLargeint:
        return u"largeint"_s;
    case TFieldType::ftFloat:
        return u"float"_s;
    case TFieldType::ftDateTime:
        return u"date-time"_s;
    case TFieldType::ftMemo:
        return u"memo"_s;
    case TFieldType::ftBlob:
        return u"blob"_s;
    case TFieldType::ftBoolean:
        return u"boolean"_s;
    case TFieldType::ftUnknown:
        break;
    }
    return u"unknown"_s;
}

// "NAME|type|label|flags": the label is empty when it reads as the field name; flags, in this order,
// among required, ro, key (pfInKey), hidden (not visible) and calc.
QString describe(const TField *field)
{
    QStringList flags;
    if (field->Required)
        flags << u"required"_s;
    if (field->ReadOnly)
        flags << u"ro"_s;
    if (field->ProviderFlags & pfInKey)
        flags << u"key"_s;
    if (!field->Visible)
        flags << u"hidden"_s;
    if (field->FieldKind == fkCalculated)
        flags << u"calc"_s;
    const QString label = field->DisplayLabel() == field->FieldName() ? QString() : field->DisplayLabel();
    return u"%1|%2|%3|%4"_s.arg(field->FieldName(), typeText(field->DataType(), field->Size()), label,
                                flags.join(u' '));
}

QStringList describeFields(const SClientDataSet *ds)
{
    QStringList fields;
    for (const TField *field : ds->Fields())
        fields << describe(field);
    return fields;
}

QStringList describeParams(const SClientDataSet *ds)
{
    QStringList params;
    for (int i = 0; i < ds->Params().Count(); ++i)
        params << ds->Params().Items(i).Name + u' ' + typeText(ds->Params().Items(i).DataType, 0);
    return params;
}

QStringList each(const QString &names, const QString &rest)
{
    QStringList fields;
    for (const QString &name : names.split(u' ', Qt::SkipEmptyParts))
        fields << name + u'|' + rest;
    return fields;
}

const QStringList months = {u"ENE"_s, u"FEB"_s, u"MAR"_s, u"ABR"_s, u"MAY"_s, u"JUN"_s,
                            u"JUL"_s, u"AGO"_s, u"SEP"_s, u"OCT"_s, u"NOV"_s, u"DIC"_s};

const QStringList itemParams = {u"PCODEMPR small"_s, u"PFECPROC date-time"_s, u"PRMTPAMA int"_s,
                                u"PRMTDEPA int"_s,   u"PRMTESTA int"_s,       u"PRMTITES int"_s};

QStringList evaluationFields()
{
    return {
        u"ACT_USUA|text 8|Usuario|required"_s,
        u"ACT_HORA|date-time|Fecha Operación|required"_s,
        u"ACT_ESTA|char 1|Operación|required"_s,
        u"COD_EMPR|small|Código Empresa|required key"_s,
        u"FEC_PROC|date-time|Fecha Proceso|required ro key"_s,
        u"CAS_CONT|int|Secuencial Workflow|hidden"_s,
        u"RMT_PAMA|int|Secuencial Ciclo|required ro key"_s,
        u"COD_CICL|int|Ciclo|required ro"_s,
        u"FEC_INIC|date-time|Fecha Inicial|required ro"_s,
        u"FEC_FINA|date-time|Fecha Final|ro"_s,
        u"RMT_DEPA|int|Secuencial Titulo Estándar|required ro key"_s,
        u"DES_ESTA|text 255|Titulo Estándar|required ro"_s,
        u"POR_ESTA|float|Porcentaje Estándar|ro"_s,
        u"RMT_ESTA|int|Secuencial Descripción Estándar|required ro key"_s,
        u"DES_ESTA_1|text 255|Descripción Estándar|required ro"_s,
        u"POR_ESTA_1|float|Porcentaje Descripción Estándar|ro"_s,
        u"RMT_ITES|int|Secuencial Item Estándar|required ro key"_s,
        u"NUM_ERAL|text 20|Numeral|required ro"_s,
        u"DES_ITEM|text 255|Descripción Item|required ro"_s,
        u"VAL_ITEM|float|Valor Item|required ro"_s,
        u"MAR_LEGA|text 255|Marco Legal|ro"_s,
        u"TEX_CRIT|memo|Criterio|ro"_s,
        u"TEX_MVER|memo|Modo Verificación|ro"_s,
        u"IND_CUMP|char 1|Indicador Cumplimiento|"_s,
        u"TEX_JUST|memo|Justificación|"_s,
        u"TEX_EVID|memo|Evidencias|"_s,
        u"PLA_ACCI|memo|Plan Acción|"_s,
        u"EMP_ORIG|small|Empresa Responsable|"_s,
        u"COD_RESP|float|Responsable|"_s,
        u"FEC_MALE|date-time|Fecha|"_s,
        u"COD_ITGE|float|Eje|"_s,
        u"TIP_ACTI|char 1|Tipo Actividad |"_s,
        u"EST_CONT|char 1|Estado|"_s,
        u"VAL_PRES|float|Presupuesto|"_s,
        u"FEC_FINC|date-time|Fecha Final|"_s,
        u"TIP_ITEM|small|Tipo Item|hidden"_s,
        u"COD_AREA|int|Area|required key"_s,
        u"NOM_AREA|text 60|Nombre Area|required"_s,
        u"OBJ_ASGS|text 255|Objetivo|"_s,
        u"MET_ASGS|text 255|Meta|"_s,
        u"DES_HALL|memo||"_s,
        u"ADJ_GUID|text 36||"_s,
        u"DtfNmbCicl|text 20|Nombre Ciclo|calc"_s,
        u"DtfNmbCump|text 40|Nombre Cumplimiento|hidden calc"_s,
        u"DtfNmbResp|text 40|Nombres Responsable|calc"_s,
        u"DtfApeResp|text 40|Apellidos Responsable|calc"_s,
        u"DtfCalificacion|float|Calificación|calc"_s,
        u"DtfNmbItge|text 1000|Gestión / Eje|calc"_s,
    };
}

QStringList parameterFields()
{
    QStringList fields = {u"ACT_USUA|char 8||required"_s, u"ACT_HORA|date-time||required"_s,
                          u"ACT_ESTA|char 1||required"_s, u"COD_EMPR|small||required"_s, u"COR_EMPL|text 60||"_s};
    fields << each(u"VAL_IAFP OCP_HABT PER_MONA INV_IPSE PRM_GERN PRM_SEGR PRM_HIGI HAB_ADIC HAB_EVID HAB_CNTL "
                   u"HAB_RECM HAB_OBSV HAB_RINT UTI_CARG UTI_SECC TIP_LEDE DIG_OCHA HAB_DEPA"_s,
                   u"char 1||required"_s);
    fields << each(u"COD_DEMI COD_DEMP COD_DEMV COD_DEMF"_s, u"small||"_s);
    fields << each(u"CAL_PINT ORI_GENP PER_FUCA SAN_DISC COM_PERA COM_INSA"_s, u"char 1||"_s);
    fields << each(u"MIN_FICN MIN_POCT"_s, u"int||"_s) << u"COD_TIPC|small||"_s << u"PER_EXPU|char 1||required"_s;
    fields << each(u"HAB_MAQU HAB_INEL HAB_MATE HAB_AMBI HAB_INDI HAB_OTRA HAB_ACTO HAB_COND HAB_ORGA HAB_ACTI "
                   u"HAB_FATR HAB_FAPE HAB_INVE ACT_MECO UTI_CCOS UTI_LOCC UTI_GLOB UTI_NIPA UTI_CENT UTI_PROC "
                   u"UTI_AREA HAB_CSTE VAL_IPAC"_s,
                   u"char 1||"_s);
    fields << u"CAS_CONT|int||"_s << u"TIP_ARIN|char 1||required"_s;
    fields << each(u"PAR_NIVE DEP_VOTA VOT_NIAR ASO_NIVE"_s, u"char 1||"_s) << u"TIP_APLI|char 2||"_s;
    fields << each(u"VUL_PERS VUL_RECU VUL_SIST"_s, u"text 16||"_s);
    fields << each(u"IND_CARG IND_CENP IND_ROLE"_s, u"char 1||"_s);
    fields << each(u"VIG_AUDI VIG_VISU VIG_OSTE VIG_CARD VIG_RESP VIG_PSIC VIG_ESVI VIG_ERGO VIG_BIOL VIG_RADI "
                   u"VIG_CONS"_s,
                   u"char 1||required"_s);
    fields << each(u"VIG_AGQU MAN_AREA"_s, u"char 1||"_s);
    return fields;
}

QStringList followUpFields()
{
    return {
        u"ACT_USUA|text 8||required"_s,
        u"ACT_HORA|date-time||required"_s,
        u"ACT_ESTA|char 1||required"_s,
        u"COD_EMPR|small||required key"_s,
        u"RMT_SEMO|int||required key"_s,
        u"FEC_PROC|date-time||required"_s,
        u"RMT_PAMA|int||required"_s,
        u"RMT_DEPA|int||required"_s,
        u"RMT_ESTA|int||required"_s,
        u"RMT_ITES|int||required"_s,
        u"SEG_MIEN|text 255|Seguimiento|"_s,
        u"FEC_SEGU|date-time|Fecha Seguimiento|required"_s,
        u"COD_RESP|float|Responsable |required"_s,
        u"TEX_SEGU|memo|Observaciones|"_s,
        u"FEC_CUMP|date-time|Fecha Cumplimiento |"_s,
        u"COD_AREA|int|Area|required"_s,
        u"DtfNomResponsable|text 50|Nombre|calc"_s,
        u"DtfApeResponsable|text 50|Apellido|calc"_s,
        u"NUM_ERAL|text 20|Numeral|"_s,
        u"PLA_ACCI|memo|Detalle de la Acción|"_s,
        u"TIP_ACTI|char 1|Tipo Acción|"_s,
        u"FEC_INIC|date-time|Fecha Inicial|"_s,
        u"FEC_FINA|date-time|Fecha Final|"_s,
        u"EST_ADOS|char 1|Estado|"_s,
    };
}

// The annual plan activities; the per-cycle datasets carry the same columns without labels or keys,
// with the cycle option optional and the goal last.
QStringList planFields(bool cycle)
{
    const auto label = [cycle](const QString &text) { return cycle ? QString() : text; };
    QStringList fields = {u"ACT_USUA|text 8||required"_s,
                          u"ACT_HORA|date-time||required"_s,
                          u"ACT_ESTA|char 1||required"_s,
                          cycle ? u"COD_EMPR|small||required"_s : u"COD_EMPR|small||required key"_s,
                          u"FEC_PROC|date-time|%1|required"_s.arg(label(u"Fecha Proceso"_s)),
                          u"RMT_PAMA|int||required"_s,
                          u"RMT_DEPA|int||required"_s,
                          u"RMT_ESTA|int||required"_s,
                          u"RMT_ITES|int||required"_s,
                          cycle ? u"OPC_CICL|char 1||"_s : u"OPC_CICL|char 1|Opciones de ciclo|required"_s,
                          u"ACT_ASGS|text 255|%1|"_s.arg(label(u"Actividad"_s))};
    for (const QString &month : months)
        fields << u"%1_PLAN|char 1|%2|"_s.arg(month, label(u"Programado"_s))
               << u"%1_EJEC|char 1|%2|"_s.arg(month, label(u"Ejecutado"_s));
    fields << u"RES_PONS|text 255|%1|"_s.arg(label(u"Responsable"_s))
           << u"REC_URSO|char 1|%1|"_s.arg(label(u"Recursos"_s))
           << u"OBS_VACI|text 255|%1|"_s.arg(label(u"Observaciones"_s));
    const QString goal = u"CUM_META|int|%1|"_s.arg(label(u"Cumplimiento Meta"_s));
    if (!cycle)
        fields << goal;
    fields << u"ADJ_GUID|text 36|%1|"_s.arg(label(u"Identificador GUID"_s))
           << u"COD_AREA|int|%1|required"_s.arg(label(u"Area"_s))
           << (cycle ? u"RMT_PLAS|int||required"_s : u"RMT_PLAS|int||required key"_s);
    if (cycle)
        fields << goal;
    return fields;
}

} // namespace

class tst_DtmSoMalegFields : public QObject
{
    Q_OBJECT
private slots:
    void init() { dm = std::make_unique<TDtmSoMaleg>(nullptr); }
    void cleanup() { dm.reset(); }

    void remoteDataSets_data();
    void remoteDataSets();
    void fields_data();
    void fields();
    void fieldMembersPointAtTheirFields();
    void lookupIndex();

private:
    SClientDataSet *dataSet(const QString &name) const
    {
        return dm->findChild<SClientDataSet *>(name, Qt::FindDirectChildrenOnly);
    }
    std::unique_ptr<TDtmSoMaleg> dm;
};

void tst_DtmSoMalegFields::remoteDataSets_data()
{
    QTest::addColumn<QString>("provider");
    QTest::addColumn<QString>("mainTable");
    QTest::addColumn<QStringList>("params");

    QTest::newRow("QrySoMaleg") << u"DtsPSoMaleg"_s << u"SO_MALEG"_s << QStringList();
    QTest::newRow("QryBiEmple") << u"DtsPBiEmple"_s << QString()
                                << QStringList{u"P_COD_EMPR small"_s, u"P_COD_EMPL float"_s};
    QTest::newRow("QryValResp") << u"DtsPValResp"_s << QString()
                                << QStringList{u"P_COD_EMPR small"_s, u"P_COD_EMPL float"_s};
    QTest::newRow("QryGnDitem") << u"DtsPGnDitem"_s << QString()
                                << QStringList{u"P_COD_EMPR small"_s, u"P_TIP_ITEM small"_s, u"P_COD_ITEM float"_s};
    QTest::newRow("QryGnTerce") << u"DtsPGnTerce"_s << QString() << QStringList{u"PFLCOD_TERC float"_s};
    QTest::newRow("QryTemporal") << u"DtsPTemporal"_s << QString() << QStringList();
    QTest::newRow("QryGnDigif") << u"DtsPGnDigif"_s << QString()
                                << QStringList{u"PCODVARI text"_s, u"PCODPAIS small"_s, u"PCODEMPR small"_s};
    QTest::newRow("QrySoParam") << u"DtsPSoParam"_s << QString() << QStringList{u"P_COD_EMPR small"_s};
    QTest::newRow("QrySoSemon") << u"DtsPSoSemon"_s << u"SO_SEMON"_s << (itemParams + QStringList{u"PCODAREA int"_s});
    QTest::newRow("QrySoPlass") << u"DtsPSoPlass"_s << QString() << itemParams;
    QTest::newRow("QrySoPlanear") << u"DtsPSoPlanear"_s << QString() << itemParams;
    QTest::newRow("QrySoHacer") << u"DtsPSoHacer"_s << QString() << itemParams;
    QTest::newRow("QrySoActuar") << u"DtsPSoActuar"_s << QString() << itemParams;
    QTest::newRow("QrySoVerificar") << u"DtsPSoVerificar"_s << QString() << itemParams;
}

void tst_DtmSoMalegFields::remoteDataSets()
{
    QFETCH(QString, provider);
    QFETCH(QString, mainTable);
    QFETCH(QStringList, params);
    const SClientDataSet *ds = dataSet(QString::fromUtf8(QTest::currentDataTag()));
    QVERIFY(ds);
    QCOMPARE(ds->ProviderName, provider);
    QCOMPARE(ds->SMainTable, mainTable);
    QCOMPARE(describeParams(ds), params);
    QCOMPARE(ds->Company, 0);
    QCOMPARE(ds->SAuditFields, false);
    QVERIFY(!ds->Active());
    QVERIFY(ds->RemoteServer == nullptr); // until the main form hands over its connection
}

void tst_DtmSoMalegFields::fields_data()
{
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("QrySoMaleg") << evaluationFields();
    QTest::newRow("QryBiEmple") << QStringList{u"NOM_EMPL|text 40||"_s, u"APE_EMPL|text 40||"_s};
    QTest::newRow("QryValResp") << QStringList{u"COD_TERC|float||required"_s};
    QTest::newRow("QryGnDitem") << QStringList{u"COD_ITEM|float||required"_s, u"DES_ITEM|text 50||required"_s,
                                               u"OBS_ERVA|memo||"_s};
    QTest::newRow("QryGnTerce") << QStringList{u"NOM_TERC|char 40||"_s, u"APE_TERC|char 40||"_s,
                                               u"DCE_MAIL|char 50||"_s};
    QTest::newRow("QryTemporal") << QStringList();
    QTest::newRow("QryGnDigif") << QStringList{u"VAL_VARI|text 20||"_s, u"TIP_DATO|char 1||required"_s};
    QTest::newRow("QrySoParam") << parameterFields();
    QTest::newRow("QrySoSemon") << followUpFields();
    QTest::newRow("QrySoPlass") << planFields(false);
    QTest::newRow("QrySoPlanear") << planFields(true);
    QTest::newRow("QrySoHacer") << planFields(true);
    QTest::newRow("QrySoActuar") << planFields(true);
    QTest::newRow("QrySoVerificar") << planFields(true);
}

void tst_DtmSoMalegFields::fields()
{
    QFETCH(QStringList, expected);
    const SClientDataSet *ds = dataSet(QString::fromUtf8(QTest::currentDataTag()));
    QVERIFY(ds);
    const QStringList actual = describeFields(ds);
    for (int i = 0; i < qMin(actual.size(), expected.size()); ++i)
        QCOMPARE(actual.at(i), expected.at(i));
    QCOMPARE(actual.size(), expected.size());
}

// Each field member is the field of its name, so rules written against the members and the fields the
// provider binds are the same objects.
void tst_DtmSoMalegFields::fieldMembersPointAtTheirFields()
{
    const QList<TField *> evaluation = {
        dm->QrySoMalegACT_USUA,   dm->QrySoMalegACT_HORA,   dm->QrySoMalegACT_ESTA,        dm->QrySoMalegCOD_EMPR,
        dm->QrySoMalegFEC_PROC,   dm->QrySoMalegCAS_CONT,   dm->QrySoMalegRMT_PAMA,        dm->QrySoMalegCOD_CICL,
        dm->QrySoMalegFEC_INIC,   dm->QrySoMalegFEC_FINA,   dm->QrySoMalegRMT_DEPA,        dm->QrySoMalegDES_ESTA,
        dm->QrySoMalegPOR_ESTA,   dm->QrySoMalegRMT_ESTA,   dm->QrySoMalegDES_ESTA_1,      dm->QrySoMalegPOR_ESTA_1,
        dm->QrySoMalegRMT_ITES,   dm->QrySoMalegNUM_ERAL,   dm->QrySoMalegDES_ITEM,        dm->QrySoMalegVAL_ITEM,
        dm->QrySoMalegMAR_LEGA,   dm->QrySoMalegTEX_CRIT,   dm->QrySoMalegTEX_MVER,        dm->QrySoMalegIND_CUMP,
        dm->QrySoMalegTEX_JUST,   dm->QrySoMalegTEX_EVID,   dm->QrySoMalegPLA_ACCI,        dm->QrySoMalegEMP_ORIG,
        dm->QrySoMalegCOD_RESP,   dm->QrySoMalegFEC_MALE,   dm->QrySoMalegCOD_ITGE,        dm->QrySoMalegTIP_ACTI,
        dm->QrySoMalegEST_CONT,   dm->QrySoMalegVAL_PRES,   dm->QrySoMalegFEC_FINC,        dm->QrySoMalegTIP_ITEM,
        dm->QrySoMalegCOD_AREA,   dm->QrySoMalegNOM_AREA,   dm->QrySoMalegOBJ_ASGS,        dm->QrySoMalegMET_ASGS,
        dm->QrySoMalegDES_HALL,   dm->QrySoMalegADJ_GUID,   dm->QrySoMalegDtfNmbCicl,      dm->QrySoMalegDtfNmbCump,
        dm->QrySoMalegDtfNmbResp, dm->QrySoMalegDtfApeResp, dm->QrySoMalegDtfCalificacion, dm->QrySoMalegDtfNmbItge};
    QCOMPARE(evaluation, dm->QrySoMaleg->Fields());

    const QList<TField *> followUp = {
        dm->QrySoSemonACT_USUA, dm->QrySoSemonACT_HORA,          dm->QrySoSemonACT_ESTA,
        dm->QrySoSemonCOD_EMPR, dm->QrySoSemonRMT_SEMO,          dm->QrySoSemonFEC_PROC,
        dm->QrySoSemonRMT_PAMA, dm->QrySoSemonRMT_DEPA,          dm->QrySoSemonRMT_ESTA,
        dm->QrySoSemonRMT_ITES, dm->QrySoSemonSEG_MIEN,          dm->QrySoSemonFEC_SEGU,
        dm->QrySoSemonCOD_RESP, dm->QrySoSemonTEX_SEGU,          dm->QrySoSemonFEC_CUMP,
        dm->QrySoSemonCOD_AREA, dm->QrySoSemonDtfNomResponsable, dm->QrySoSemonDtfApeResponsable,
        dm->QrySoSemonNUM_ERAL, dm->QrySoSemonPLA_ACCI,          dm->QrySoSemonTIP_ACTI,
        dm->QrySoSemonFEC_INIC, dm->QrySoSemonFEC_FINA,          dm->QrySoSemonEST_ADOS};
    QCOMPARE(followUp, dm->QrySoSemon->Fields());

    const QList<TField *> plan = {
        dm->QrySoPlassACT_USUA, dm->QrySoPlassACT_HORA, dm->QrySoPlassACT_ESTA, dm->QrySoPlassCOD_EMPR,
        dm->QrySoPlassFEC_PROC, dm->QrySoPlassRMT_PAMA, dm->QrySoPlassRMT_DEPA, dm->QrySoPlassRMT_ESTA,
        dm->QrySoPlassRMT_ITES, dm->QrySoPlassOPC_CICL, dm->QrySoPlassACT_ASGS, dm->QrySoPlassENE_PLAN,
        dm->QrySoPlassENE_EJEC, dm->QrySoPlassFEB_PLAN, dm->QrySoPlassFEB_EJEC, dm->QrySoPlassMAR_PLAN,
        dm->QrySoPlassMAR_EJEC, dm->QrySoPlassABR_PLAN, dm->QrySoPlassABR_EJEC, dm->QrySoPlassMAY_PLAN,
        dm->QrySoPlassMAY_EJEC, dm->QrySoPlassJUN_PLAN, dm->QrySoPlassJUN_EJEC, dm->QrySoPlassJUL_PLAN,
        dm->QrySoPlassJUL_EJEC, dm->QrySoPlassAGO_PLAN, dm->QrySoPlassAGO_EJEC, dm->QrySoPlassSEP_PLAN,
        dm->QrySoPlassSEP_EJEC, dm->QrySoPlassOCT_PLAN, dm->QrySoPlassOCT_EJEC, dm->QrySoPlassNOV_PLAN,
        dm->QrySoPlassNOV_EJEC, dm->QrySoPlassDIC_PLAN, dm->QrySoPlassDIC_EJEC, dm->QrySoPlassRES_PONS,
        dm->QrySoPlassREC_URSO, dm->QrySoPlassOBS_VACI, dm->QrySoPlassCUM_META, dm->QrySoPlassADJ_GUID,
        dm->QrySoPlassCOD_AREA, dm->QrySoPlassRMT_PLAS};
    QCOMPARE(plan, dm->QrySoPlass->Fields());

    const QList<std::pair<TField *, TField *>> lookups = {
        {dm->QryBiEmpleNOM_EMPL, dm->QryBiEmple->FieldByName(u"NOM_EMPL"_s)},
        {dm->QryBiEmpleAPE_EMPL, dm->QryBiEmple->FieldByName(u"APE_EMPL"_s)},
        {dm->QryValRespCOD_TERC, dm->QryValResp->FieldByName(u"COD_TERC"_s)},
        {dm->QryGnDitemCOD_ITEM, dm->QryGnDitem->FieldByName(u"COD_ITEM"_s)},
        {dm->QryGnDitemDES_ITEM, dm->QryGnDitem->FieldByName(u"DES_ITEM"_s)},
        {dm->QryGnDitemOBS_ERVA, dm->QryGnDitem->FieldByName(u"OBS_ERVA"_s)},
        {dm->QryGnTerceNOM_TERC, dm->QryGnTerce->FieldByName(u"NOM_TERC"_s)},
        {dm->QryGnTerceAPE_TERC, dm->QryGnTerce->FieldByName(u"APE_TERC"_s)},
        {dm->QryGnTerceDCE_MAIL, dm->QryGnTerce->FieldByName(u"DCE_MAIL"_s)},
        {dm->QryGnDigifVAL_VARI, dm->QryGnDigif->FieldByName(u"VAL_VARI"_s)},
        {dm->QryGnDigifTIP_DATO, dm->QryGnDigif->FieldByName(u"TIP_DATO"_s)},
        {dm->QrySoParamMAN_AREA, dm->QrySoParam->FieldByName(u"MAN_AREA"_s)},
    };
    for (const auto &[member, field] : lookups)
        QCOMPARE(member, field);
}

void tst_DtmSoMalegFields::lookupIndex()
{
    QCOMPARE(dm->QryGnDitem->IndexFieldNames(), u"COD_ITEM"_s);
}

QTEST_GUILESS_MAIN(tst_DtmSoMalegFields)
#include "tst_DtmSoMalegFields.moc"
