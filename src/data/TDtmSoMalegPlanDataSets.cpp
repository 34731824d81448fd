// The datasets of the evaluation data module that hang on the current evaluation record (follow-up
// rows, annual plan activities and the four per-cycle plan datasets), their data sources, and the
// in-memory goal datasets of the annual plan reports.
#include "TDtmSoMaleg.h"

#include "FieldDefinition.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <QStringList>

using namespace FieldDefinition;

namespace {

// Month codes in calendar order; each names a planned ("_PLAN") and an executed ("_EJEC") flag.
QStringList monthCodes()
{
    return {QStringLiteral("ENE"), QStringLiteral("FEB"), QStringLiteral("MAR"), QStringLiteral("ABR"),
            QStringLiteral("MAY"), QStringLiteral("JUN"), QStringLiteral("JUL"), QStringLiteral("AGO"),
            QStringLiteral("SEP"), QStringLiteral("OCT"), QStringLiteral("NOV"), QStringLiteral("DIC")};
}

// The key of the current evaluation item, in the order every dependent dataset takes it.
void createItemParams(SClientDataSet *ds)
{
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("PCODEMPR"));
    ds->Params().CreateParam(TFieldType::ftDateTime, QStringLiteral("PFECPROC"));
    ds->Params().CreateParam(TFieldType::ftInteger, QStringLiteral("PRMTPAMA"));
    ds->Params().CreateParam(TFieldType::ftInteger, QStringLiteral("PRMTDEPA"));
    ds->Params().CreateParam(TFieldType::ftInteger, QStringLiteral("PRMTESTA"));
    ds->Params().CreateParam(TFieldType::ftInteger, QStringLiteral("PRMTITES"));
}

} // namespace

void TDtmSoMaleg::DefineQrySoSemon()
{
    SClientDataSet *ds = NewRemoteDataSet(QStringLiteral("QrySoSemon"), QStringLiteral("DtsPSoSemon"));
    QrySoSemon = ds;
    ds->SMainTable = QStringLiteral("SO_SEMON");
    createItemParams(ds);
    ds->Params().CreateParam(TFieldType::ftInteger, QStringLiteral("PCODAREA"));

    QrySoSemonACT_USUA = Define(new TStringField(ds, QStringLiteral("ACT_USUA"), 8), QString(), Required);
    QrySoSemonACT_HORA = Define(new TDateTimeField(ds, QStringLiteral("ACT_HORA")), QString(), Required);
    QrySoSemonACT_ESTA = Define(new TFixedCharField(ds, QStringLiteral("ACT_ESTA"), 1), QString(), Required);
    QrySoSemonCOD_EMPR = Define(new TSmallintField(ds, QStringLiteral("COD_EMPR")), QString(), Required | Key);
    QrySoSemonRMT_SEMO = Define(new TIntegerField(ds, QStringLiteral("RMT_SEMO")), QString(), Required | Key);
    QrySoSemonFEC_PROC = Define(new TDateTimeField(ds, QStringLiteral("FEC_PROC")), QString(), Required);
    QrySoSemonRMT_PAMA = Define(new TIntegerField(ds, QStringLiteral("RMT_PAMA")), QString(), Required);
    QrySoSemonRMT_DEPA = Define(new TIntegerField(ds, QStringLiteral("RMT_DEPA")), QString(), Required);
    QrySoSemonRMT_ESTA = Define(new TIntegerField(ds, QStringLiteral("RMT_ESTA")), QString(), Required);
    QrySoSemonRMT_ITES = Define(new TIntegerField(ds, QStringLiteral("RMT_ITES")), QString(), Required);
    QrySoSemonSEG_MIEN = Define(new TStringField(ds, QStringLiteral("SEG_MIEN"), 255), QStringLiteral("Seguimiento"));
    QrySoSemonFEC_SEGU =
        Define(new TDateTimeField(ds, QStringLiteral("FEC_SEGU")), QStringLiteral("Fecha Seguimiento"), Required);
    QrySoSemonCOD_RESP =
        Define(new TFloatField(ds, QStringLiteral("COD_RESP")), QStringLiteral("Responsable "), Required);
    QrySoSemonTEX_SEGU = Define(new TMemoField(ds, QStringLiteral("TEX_SEGU")), QStringLiteral("Observaciones"));
    QrySoSemonFEC_CUMP =
        Define(new TDateTimeField(ds, QStringLiteral("FEC_CUMP")), QStringLiteral("Fecha Cumplimiento "));
    QrySoSemonCOD_AREA = Define(new TIntegerField(ds, QStringLiteral("COD_AREA")), QStringLiteral("Area"), Required);
    QrySoSemonDtfNomResponsable =
        Define(new TStringField(ds, QStringLiteral("DtfNomResponsable"), 50, fkCalculated), QStringLiteral("Nombre"));
    QrySoSemonDtfApeResponsable =
        Define(new TStringField(ds, QStringLiteral("DtfApeResponsable"), 50, fkCalculated), QStringLiteral("Apellido"));
    QrySoSemonNUM_ERAL = Define(new TStringField(ds, QStringLiteral("NUM_ERAL"), 20), QStringLiteral("Numeral"));
    QrySoSemonPLA_ACCI = Define(new TMemoField(ds, QStringLiteral("PLA_ACCI")), QStringLiteral("Detalle de la Acción"));
    QrySoSemonTIP_ACTI = Define(new TFixedCharField(ds, QStringLiteral("TIP_ACTI"), 1), QStringLiteral("Tipo Acción"));
    QrySoSemonFEC_INIC = Define(new TDateTimeField(ds, QStringLiteral("FEC_INIC")), QStringLiteral("Fecha Inicial"));
    QrySoSemonFEC_FINA = Define(new TDateTimeField(ds, QStringLiteral("FEC_FINA")), QStringLiteral("Fecha Final"));
    QrySoSemonEST_ADOS = Define(new TFixedCharField(ds, QStringLiteral("EST_ADOS"), 1), QStringLiteral("Estado"));
}

void TDtmSoMaleg::DefineQrySoPlass()
{
    SClientDataSet *ds = NewRemoteDataSet(QStringLiteral("QrySoPlass"), QStringLiteral("DtsPSoPlass"));
    QrySoPlass = ds;
    createItemParams(ds);

    QrySoPlassACT_USUA = Define(new TStringField(ds, QStringLiteral("ACT_USUA"), 8), QString(), Required);
    QrySoPlassACT_HORA = Define(new TDateTimeField(ds, QStringLiteral("ACT_HORA")), QString(), Required);
    QrySoPlassACT_ESTA = Define(new TFixedCharField(ds, QStringLiteral("ACT_ESTA"), 1), QString(), Required);
    QrySoPlassCOD_EMPR = Define(new TSmallintField(ds, QStringLiteral("COD_EMPR")), QString(), Required | Key);
    QrySoPlassFEC_PROC =
        Define(new TDateTimeField(ds, QStringLiteral("FEC_PROC")), QStringLiteral("Fecha Proceso"), Required);
    QrySoPlassRMT_PAMA = Define(new TIntegerField(ds, QStringLiteral("RMT_PAMA")), QString(), Required);
    QrySoPlassRMT_DEPA = Define(new TIntegerField(ds, QStringLiteral("RMT_DEPA")), QString(), Required);
    QrySoPlassRMT_ESTA = Define(new TIntegerField(ds, QStringLiteral("RMT_ESTA")), QString(), Required);
    QrySoPlassRMT_ITES = Define(new TIntegerField(ds, QStringLiteral("RMT_ITES")), QString(), Required);
    QrySoPlassOPC_CICL =
        Define(new TFixedCharField(ds, QStringLiteral("OPC_CICL"), 1), QStringLiteral("Opciones de ciclo"), Required);
    QrySoPlassACT_ASGS = Define(new TStringField(ds, QStringLiteral("ACT_ASGS"), 255), QStringLiteral("Actividad"));

    TFixedCharField *TDtmSoMaleg::*const monthFlags[] = {
        &TDtmSoMaleg::QrySoPlassENE_PLAN, &TDtmSoMaleg::QrySoPlassENE_EJEC, &TDtmSoMaleg::QrySoPlassFEB_PLAN,
        &TDtmSoMaleg::QrySoPlassFEB_EJEC, &TDtmSoMaleg::QrySoPlassMAR_PLAN, &TDtmSoMaleg::QrySoPlassMAR_EJEC,
        &TDtmSoMaleg::QrySoPlassABR_PLAN, &TDtmSoMaleg::QrySoPlassABR_EJEC, &TDtmSoMaleg::QrySoPlassMAY_PLAN,
        &TDtmSoMaleg::QrySoPlassMAY_EJEC, &TDtmSoMaleg::QrySoPlassJUN_PLAN, &TDtmSoMaleg::QrySoPlassJUN_EJEC,
        &TDtmSoMaleg::QrySoPlassJUL_PLAN, &TDtmSoMaleg::QrySoPlassJUL_EJEC, &TDtmSoMaleg::QrySoPlassAGO_PLAN,
        &TDtmSoMaleg::QrySoPlassAGO_EJEC, &TDtmSoMaleg::QrySoPlassSEP_PLAN, &TDtmSoMaleg::QrySoPlassSEP_EJEC,
        &TDtmSoMaleg::QrySoPlassOCT_PLAN, &TDtmSoMaleg::QrySoPlassOCT_EJEC, &TDtmSoMaleg::QrySoPlassNOV_PLAN,
        &TDtmSoMaleg::QrySoPlassNOV_EJEC, &TDtmSoMaleg::QrySoPlassDIC_PLAN, &TDtmSoMaleg::QrySoPlassDIC_EJEC,
    };
    int flag = 0;
    for (const QString &month : monthCodes()) {
        this->*monthFlags[flag++] =
            Define(new TFixedCharField(ds, month + QStringLiteral("_PLAN"), 1), QStringLiteral("Programado"));
        this->*monthFlags[flag++] =
            Define(new TFixedCharField(ds, month + QStringLiteral("_EJEC"), 1), QStringLiteral("Ejecutado"));
    }

    QrySoPlassRES_PONS = Define(new TStringField(ds, QStringLiteral("RES_PONS"), 255), QStringLiteral("Responsable"));
    QrySoPlassREC_URSO = Define(new TFixedCharField(ds, QStringLiteral("REC_URSO"), 1), QStringLiteral("Recursos"));
    QrySoPlassOBS_VACI = Define(new TStringField(ds, QStringLiteral("OBS_VACI"), 255), QStringLiteral("Observaciones"));
    QrySoPlassCUM_META = Define(new TIntegerField(ds, QStringLiteral("CUM_META")), QStringLiteral("Cumplimiento Meta"));
    QrySoPlassADJ_GUID =
        Define(new TStringField(ds, QStringLiteral("ADJ_GUID"), 36), QStringLiteral("Identificador GUID"));
    QrySoPlassCOD_AREA = Define(new TIntegerField(ds, QStringLiteral("COD_AREA")), QStringLiteral("Area"), Required);
    QrySoPlassRMT_PLAS = Define(new TIntegerField(ds, QStringLiteral("RMT_PLAS")), QString(), Required | Key);
}

// The plan activities of one cycle option, as the annual plan report reads them: the columns of the
// activities with the goal last, no labels, the cycle option not required and no key (nothing is
// written through them).
SClientDataSet *TDtmSoMaleg::DefineCyclePlan(const QString &name, const QString &providerName)
{
    SClientDataSet *ds = NewRemoteDataSet(name, providerName);
    createItemParams(ds);
    Define(new TStringField(ds, QStringLiteral("ACT_USUA"), 8), QString(), Required);
    Define(new TDateTimeField(ds, QStringLiteral("ACT_HORA")), QString(), Required);
    Define(new TFixedCharField(ds, QStringLiteral("ACT_ESTA"), 1), QString(), Required);
    Define(new TSmallintField(ds, QStringLiteral("COD_EMPR")), QString(), Required);
    Define(new TDateTimeField(ds, QStringLiteral("FEC_PROC")), QString(), Required);
    for (const QString &column : {QStringLiteral("RMT_PAMA"), QStringLiteral("RMT_DEPA"), QStringLiteral("RMT_ESTA"),
                                  QStringLiteral("RMT_ITES")})
        Define(new TIntegerField(ds, column), QString(), Required);
    Define(new TFixedCharField(ds, QStringLiteral("OPC_CICL"), 1));
    Define(new TStringField(ds, QStringLiteral("ACT_ASGS"), 255));
    for (const QString &month : monthCodes()) {
        Define(new TFixedCharField(ds, month + QStringLiteral("_PLAN"), 1));
        Define(new TFixedCharField(ds, month + QStringLiteral("_EJEC"), 1));
    }
    Define(new TStringField(ds, QStringLiteral("RES_PONS"), 255));
    Define(new TFixedCharField(ds, QStringLiteral("REC_URSO"), 1));
    Define(new TStringField(ds, QStringLiteral("OBS_VACI"), 255));
    Define(new TStringField(ds, QStringLiteral("ADJ_GUID"), 36));
    Define(new TIntegerField(ds, QStringLiteral("COD_AREA")), QString(), Required);
    Define(new TIntegerField(ds, QStringLiteral("RMT_PLAS")), QString(), Required);
    Define(new TIntegerField(ds, QStringLiteral("CUM_META")));
    return ds;
}

void TDtmSoMaleg::DefineDataSources()
{
    DtsSoSemon = new TDataSource(this, QStringLiteral("DtsSoSemon"));
    DtsSoSemon->SetDataSet(QrySoSemon);
    DtsSoPlass = new TDataSource(this, QStringLiteral("DtsSoPlass"));
    DtsSoPlass->SetDataSet(QrySoPlass);
}

// Filled by the record navigation (annual plan report) and by the unified annual plan report.
void TDtmSoMaleg::DefineGoalDataSets()
{
    CdsCumplEjecu = new SClientDataSet(this, QStringLiteral("CdsCumplEjecu"));
    CdsCumplEjecuCUM_PLIM = Define(new TStringField(CdsCumplEjecu, QStringLiteral("CUM_PLIM"), 20));
    CdsCumplEjecuCUM_META = Define(new TFloatField(CdsCumplEjecu, QStringLiteral("CUM_META")));
    CdsCumplEjecuPOR_CUMP = Define(new TFloatField(CdsCumplEjecu, QStringLiteral("POR_CUMP")));
    CdsCumplEjecu->CreateDataSet();

    CdsSeguiCumpli = new SClientDataSet(this, QStringLiteral("CdsSeguiCumpli"));
    CdsSeguiCumpliCUM_PLIM = Define(new TStringField(CdsSeguiCumpli, QStringLiteral("CUM_PLIM"), 20));
    CdsSeguiCumpliCUM_META = Define(new TFloatField(CdsSeguiCumpli, QStringLiteral("CUM_META")));
    CdsSeguiCumpliCUM_META->DisplayFormat = QStringLiteral("0");
    CdsSeguiCumpliPOR_CUMP = Define(new TFloatField(CdsSeguiCumpli, QStringLiteral("POR_CUMP")));
    CdsSeguiCumpliPOR_CUMP->DisplayFormat = QStringLiteral("0");
    CdsSeguiCumpli->CreateDataSet();
}
