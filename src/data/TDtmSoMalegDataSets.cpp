// The datasets of the evaluation data module: the evaluation records with their SQL, fields and event
// bindings, and the lookup and parameter datasets. The dependent datasets of the current record and
// the in-memory datasets are in TDtmSoMalegPlanDataSets.cpp.
#include "TDtmSoMaleg.h"

#include "FieldDefinition.h"
#include "dataset/SClientDataSet.h"
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

// The evaluation query. SO_DEPAM is joined twice (DT: the standard's title row, DE: the record's own
// description row), so the second DES_ESTA and POR_ESTA arrive as DES_ESTA_1 and POR_ESTA_1. The main
// form's query by example and date filter rewrite this text at run time and restore it on every
// company change.
QStringList evaluationSql()
{
    return {
        QStringLiteral("SELECT MA.ACT_USUA, MA.ACT_HORA, MA.ACT_ESTA, MA.COD_EMPR, MA.FEC_PROC, MA.CAS_CONT,"),
        QStringLiteral("       MA.RMT_PAMA, PA.COD_CICL, PA.FEC_INIC, PA.FEC_FINA, MA.RMT_DEPA, DT.DES_ESTA,"),
        QStringLiteral("       DT.POR_ESTA, MA.RMT_ESTA, DE.DES_ESTA, DE.POR_ESTA, MA.RMT_ITES,"),
        QStringLiteral(
            "       DI.NUM_ERAL, DI.DES_ITEM, DI.VAL_ITEM, DI.MAR_LEGA, DI.TEX_CRIT, DI.TEX_MVER, MA.IND_CUMP,"),
        QStringLiteral("       MA.TEX_JUST, MA.TEX_EVID, MA.PLA_ACCI, MA.EMP_ORIG, MA.COD_RESP, MA.FEC_MALE,"),
        QStringLiteral("       MA.COD_ITGE, MA.FEC_FINC, MA.TIP_ACTI, MA.EST_CONT, MA.VAL_PRES, MA.TIP_ITEM,"),
        QStringLiteral("       MA.COD_AREA, AR.NOM_AREA, MA.OBJ_ASGS, MA.MET_ASGS, MA.DES_HALL,  MA.ADJ_GUID"),
        QStringLiteral("FROM SO_MALEG MA, SO_PAMAL PA, SO_DEPAM DT, SO_DEPAM DE, SO_DIPAM DI, SO_AREAS AR"),
        QStringLiteral("WHERE MA.COD_EMPR = PA.COD_EMPR"),
        QStringLiteral("  AND MA.RMT_PAMA = PA.RMT_PAMA"),
        QStringLiteral("  AND MA.COD_EMPR = DT.COD_EMPR"),
        QStringLiteral("  AND MA.RMT_PAMA = DT.RMT_PAMA"),
        QStringLiteral("  AND MA.RMT_DEPA = DT.RMT_DEPA"),
        QStringLiteral("  AND DT.RMT_ESTA = 0"),
        QStringLiteral("  AND MA.COD_EMPR = DE.COD_EMPR"),
        QStringLiteral("  AND MA.RMT_PAMA = DE.RMT_PAMA"),
        QStringLiteral("  AND MA.RMT_DEPA = DE.RMT_DEPA"),
        QStringLiteral("  AND MA.RMT_ESTA = DE.RMT_ESTA"),
        QStringLiteral("  AND MA.COD_EMPR = DI.COD_EMPR"),
        QStringLiteral("  AND MA.RMT_PAMA = DI.RMT_PAMA"),
        QStringLiteral("  AND MA.RMT_DEPA = DI.RMT_DEPA"),
        QStringLiteral("  AND MA.RMT_ESTA = DI.RMT_ESTA"),
        QStringLiteral("  AND MA.RMT_ITES = DI.RMT_ITES"),
        QStringLiteral("  AND MA.COD_EMPR = AR.COD_EMPR"),
        QStringLiteral("  AND MA.COD_AREA = AR.COD_AREA"),
    };
}

// Names given as one space-separated text.
QStringList names(const QString &list)
{
    return list.split(u' ', Qt::SkipEmptyParts);
}

} // namespace

void TDtmSoMaleg::DefineQrySoMaleg()
{
    SClientDataSet *ds = NewRemoteDataSet(QStringLiteral("QrySoMaleg"), QStringLiteral("DtsPSoMaleg"));
    QrySoMaleg = ds;
    ds->SMainTable = QStringLiteral("SO_MALEG");
    ds->SetSQL(evaluationSql());

    // Key columns locate the row on the server; the cycle, standard and item columns come from the
    // joined tables and are read-only here.
    QrySoMalegACT_USUA =
        Define(new TStringField(ds, QStringLiteral("ACT_USUA"), 8), QStringLiteral("Usuario"), Required);
    QrySoMalegACT_HORA =
        Define(new TDateTimeField(ds, QStringLiteral("ACT_HORA")), QStringLiteral("Fecha Operación"), Required);
    QrySoMalegACT_ESTA =
        Define(new TFixedCharField(ds, QStringLiteral("ACT_ESTA"), 1), QStringLiteral("Operación"), Required);
    QrySoMalegCOD_EMPR =
        Define(new TSmallintField(ds, QStringLiteral("COD_EMPR")), QStringLiteral("Código Empresa"), Required | Key);
    QrySoMalegFEC_PROC = Define(new TDateTimeField(ds, QStringLiteral("FEC_PROC")), QStringLiteral("Fecha Proceso"),
                                Required | ReadOnly | Key);
    QrySoMalegCAS_CONT =
        Define(new TIntegerField(ds, QStringLiteral("CAS_CONT")), QStringLiteral("Secuencial Workflow"), Hidden);
    QrySoMalegRMT_PAMA = Define(new TIntegerField(ds, QStringLiteral("RMT_PAMA")), QStringLiteral("Secuencial Ciclo"),
                                Required | ReadOnly | Key);
    QrySoMalegCOD_CICL =
        Define(new TIntegerField(ds, QStringLiteral("COD_CICL")), QStringLiteral("Ciclo"), Required | ReadOnly);
    QrySoMalegFEC_INIC = Define(new TDateTimeField(ds, QStringLiteral("FEC_INIC")), QStringLiteral("Fecha Inicial"),
                                Required | ReadOnly);
    QrySoMalegFEC_FINA =
        Define(new TDateTimeField(ds, QStringLiteral("FEC_FINA")), QStringLiteral("Fecha Final"), ReadOnly);
    QrySoMalegRMT_DEPA = Define(new TIntegerField(ds, QStringLiteral("RMT_DEPA")),
                                QStringLiteral("Secuencial Titulo Estándar"), Required | ReadOnly | Key);
    QrySoMalegDES_ESTA = Define(new TStringField(ds, QStringLiteral("DES_ESTA"), 255),
                                QStringLiteral("Titulo Estándar"), Required | ReadOnly);
    QrySoMalegPOR_ESTA =
        Define(new TFloatField(ds, QStringLiteral("POR_ESTA")), QStringLiteral("Porcentaje Estándar"), ReadOnly);
    QrySoMalegRMT_ESTA = Define(new TIntegerField(ds, QStringLiteral("RMT_ESTA")),
                                QStringLiteral("Secuencial Descripción Estándar"), Required | ReadOnly | Key);
    QrySoMalegDES_ESTA_1 = Define(new TStringField(ds, QStringLiteral("DES_ESTA_1"), 255),
                                  QStringLiteral("Descripción Estándar"), Required | ReadOnly);
    QrySoMalegPOR_ESTA_1 = Define(new TFloatField(ds, QStringLiteral("POR_ESTA_1")),
                                  QStringLiteral("Porcentaje Descripción Estándar"), ReadOnly);
    QrySoMalegRMT_ITES = Define(new TIntegerField(ds, QStringLiteral("RMT_ITES")),
                                QStringLiteral("Secuencial Item Estándar"), Required | ReadOnly | Key);
    QrySoMalegNUM_ERAL =
        Define(new TStringField(ds, QStringLiteral("NUM_ERAL"), 20), QStringLiteral("Numeral"), Required | ReadOnly);
    QrySoMalegDES_ITEM = Define(new TStringField(ds, QStringLiteral("DES_ITEM"), 255),
                                QStringLiteral("Descripción Item"), Required | ReadOnly);
    QrySoMalegVAL_ITEM =
        Define(new TFloatField(ds, QStringLiteral("VAL_ITEM")), QStringLiteral("Valor Item"), Required | ReadOnly);
    QrySoMalegMAR_LEGA =
        Define(new TStringField(ds, QStringLiteral("MAR_LEGA"), 255), QStringLiteral("Marco Legal"), ReadOnly);
    QrySoMalegTEX_CRIT = Define(new TMemoField(ds, QStringLiteral("TEX_CRIT")), QStringLiteral("Criterio"), ReadOnly);
    QrySoMalegTEX_MVER =
        Define(new TMemoField(ds, QStringLiteral("TEX_MVER")), QStringLiteral("Modo Verificación"), ReadOnly);
    QrySoMalegIND_CUMP =
        Define(new TFixedCharField(ds, QStringLiteral("IND_CUMP"), 1), QStringLiteral("Indicador Cumplimiento"));
    QrySoMalegTEX_JUST = Define(new TMemoField(ds, QStringLiteral("TEX_JUST")), QStringLiteral("Justificación"));
    QrySoMalegTEX_EVID = Define(new TMemoField(ds, QStringLiteral("TEX_EVID")), QStringLiteral("Evidencias"));
    QrySoMalegPLA_ACCI = Define(new TMemoField(ds, QStringLiteral("PLA_ACCI")), QStringLiteral("Plan Acción"));
    QrySoMalegEMP_ORIG =
        Define(new TSmallintField(ds, QStringLiteral("EMP_ORIG")), QStringLiteral("Empresa Responsable"));
    QrySoMalegCOD_RESP = Define(new TFloatField(ds, QStringLiteral("COD_RESP")), QStringLiteral("Responsable"));
    QrySoMalegFEC_MALE = Define(new TDateTimeField(ds, QStringLiteral("FEC_MALE")), QStringLiteral("Fecha"));
    QrySoMalegCOD_ITGE = Define(new TFloatField(ds, QStringLiteral("COD_ITGE")), QStringLiteral("Eje"));
    QrySoMalegTIP_ACTI =
        Define(new TFixedCharField(ds, QStringLiteral("TIP_ACTI"), 1), QStringLiteral("Tipo Actividad "));
    QrySoMalegEST_CONT = Define(new TFixedCharField(ds, QStringLiteral("EST_CONT"), 1), QStringLiteral("Estado"));
    QrySoMalegVAL_PRES = Define(new TFloatField(ds, QStringLiteral("VAL_PRES")), QStringLiteral("Presupuesto"));
    QrySoMalegFEC_FINC = Define(new TDateTimeField(ds, QStringLiteral("FEC_FINC")), QStringLiteral("Fecha Final"));
    QrySoMalegTIP_ITEM =
        Define(new TSmallintField(ds, QStringLiteral("TIP_ITEM")), QStringLiteral("Tipo Item"), Hidden);
    QrySoMalegCOD_AREA =
        Define(new TIntegerField(ds, QStringLiteral("COD_AREA")), QStringLiteral("Area"), Required | Key);
    QrySoMalegNOM_AREA =
        Define(new TStringField(ds, QStringLiteral("NOM_AREA"), 60), QStringLiteral("Nombre Area"), Required);
    QrySoMalegOBJ_ASGS = Define(new TStringField(ds, QStringLiteral("OBJ_ASGS"), 255), QStringLiteral("Objetivo"));
    QrySoMalegMET_ASGS = Define(new TStringField(ds, QStringLiteral("MET_ASGS"), 255), QStringLiteral("Meta"));
    QrySoMalegDES_HALL = Define(new TMemoField(ds, QStringLiteral("DES_HALL")));
    QrySoMalegADJ_GUID = Define(new TStringField(ds, QStringLiteral("ADJ_GUID"), 36));

    QrySoMalegDtfNmbCicl =
        Define(new TStringField(ds, QStringLiteral("DtfNmbCicl"), 20, fkCalculated), QStringLiteral("Nombre Ciclo"));
    QrySoMalegDtfNmbCump = Define(new TStringField(ds, QStringLiteral("DtfNmbCump"), 40, fkCalculated),
                                  QStringLiteral("Nombre Cumplimiento"), Hidden);
    QrySoMalegDtfNmbResp = Define(new TStringField(ds, QStringLiteral("DtfNmbResp"), 40, fkCalculated),
                                  QStringLiteral("Nombres Responsable"));
    QrySoMalegDtfApeResp = Define(new TStringField(ds, QStringLiteral("DtfApeResp"), 40, fkCalculated),
                                  QStringLiteral("Apellidos Responsable"));
    QrySoMalegDtfCalificacion =
        Define(new TFloatField(ds, QStringLiteral("DtfCalificacion"), fkCalculated), QStringLiteral("Calificación"));
    QrySoMalegDtfNmbItge =
        Define(new TStringField(ds, QStringLiteral("DtfNmbItge"), 1000, fkCalculated), QStringLiteral("Gestión / Eje"));

    // After scroll is bound by the creation handler.
    ds->AfterOpen = [this](TDataSet &DataSet) { QrySoMalegAfterOpen(DataSet); };
    ds->BeforeEdit = [this](TDataSet &DataSet) { QrySoMalegBeforeEdit(DataSet); };
    ds->AfterEdit = [this](TDataSet &DataSet) { QrySoMalegAfterEdit(DataSet); };
    ds->BeforePost = [this](TDataSet &DataSet) { QrySoMalegBeforePost(DataSet); };
    ds->OnCalcFields = [this](TDataSet &DataSet) { QrySoMalegCalcFields(DataSet); };
    ds->OnNewRecord = [this](TDataSet &DataSet) { QrySoMalegNewRecord(DataSet); };
    ds->OnReconcileError = [this](SClientDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind,
                                  TReconcileAction &Action) {
        QrySoMalegReconcileError(DataSet, E, UpdateKind, Action);
    };
    ds->AfterApplyUpdates = [this](SClientDataSet &Sender, QVariant &OwnerData) {
        QrySoMalegAfterApplyUpdates(Sender, OwnerData);
    };
    QrySoMalegIND_CUMP->OnValidate = [this](TField &Sender) { QrySoMalegIND_CUMPValidate(Sender); };
    QrySoMalegCOD_RESP->OnValidate = [this](TField &Sender) { QrySoMalegCOD_RESPValidate(Sender); };
    QrySoMalegEST_CONT->OnChange = [this](TField &Sender) { QrySoMalegEST_CONTChange(Sender); };
}

void TDtmSoMaleg::DefineLookups()
{
    SClientDataSet *ds = NewRemoteDataSet(QStringLiteral("QryBiEmple"), QStringLiteral("DtsPBiEmple"));
    QryBiEmple = ds;
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("P_COD_EMPR"));
    ds->Params().CreateParam(TFieldType::ftFloat, QStringLiteral("P_COD_EMPL"));
    QryBiEmpleNOM_EMPL = Define(new TStringField(ds, QStringLiteral("NOM_EMPL"), 40));
    QryBiEmpleAPE_EMPL = Define(new TStringField(ds, QStringLiteral("APE_EMPL"), 40));

    // A row comes back when person P_COD_EMPL exists for company P_COD_EMPR.
    ds = NewRemoteDataSet(QStringLiteral("QryValResp"), QStringLiteral("DtsPValResp"));
    QryValResp = ds;
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("P_COD_EMPR"));
    ds->Params().CreateParam(TFieldType::ftFloat, QStringLiteral("P_COD_EMPL"));
    QryValRespCOD_TERC = Define(new TFloatField(ds, QStringLiteral("COD_TERC")), QString(), Required);

    // Item type 5: management axes by code; item type 4: the evaluation level for a total score.
    ds = NewRemoteDataSet(QStringLiteral("QryGnDitem"), QStringLiteral("DtsPGnDitem"));
    QryGnDitem = ds;
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("P_COD_EMPR"));
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("P_TIP_ITEM"));
    ds->Params().CreateParam(TFieldType::ftFloat, QStringLiteral("P_COD_ITEM"));
    QryGnDitemCOD_ITEM = Define(new TFloatField(ds, QStringLiteral("COD_ITEM")), QString(), Required);
    QryGnDitemDES_ITEM = Define(new TStringField(ds, QStringLiteral("DES_ITEM"), 50), QString(), Required);
    QryGnDitemOBS_ERVA = Define(new TMemoField(ds, QStringLiteral("OBS_ERVA")));
    ds->SetIndexFieldNames(QStringLiteral("COD_ITEM"));

    ds = NewRemoteDataSet(QStringLiteral("QryGnTerce"), QStringLiteral("DtsPGnTerce"));
    QryGnTerce = ds;
    ds->Params().CreateParam(TFieldType::ftFloat, QStringLiteral("PFLCOD_TERC"));
    QryGnTerceNOM_TERC = Define(new TFixedCharField(ds, QStringLiteral("NOM_TERC"), 40));
    QryGnTerceAPE_TERC = Define(new TFixedCharField(ds, QStringLiteral("APE_TERC"), 40));
    QryGnTerceDCE_MAIL = Define(new TFixedCharField(ds, QStringLiteral("DCE_MAIL"), 50));

    // Scratch dataset: whoever uses it writes its SQL and parameters; its fields follow the result.
    QryTemporal = NewRemoteDataSet(QStringLiteral("QryTemporal"), QStringLiteral("DtsPTemporal"));

    ds = NewRemoteDataSet(QStringLiteral("QryGnDigif"), QStringLiteral("DtsPGnDigif"));
    QryGnDigif = ds;
    ds->Params().CreateParam(TFieldType::ftString, QStringLiteral("PCODVARI"));
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("PCODPAIS"));
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("PCODEMPR"));
    QryGnDigifVAL_VARI = Define(new TStringField(ds, QStringLiteral("VAL_VARI"), 20));
    QryGnDigifTIP_DATO = Define(new TFixedCharField(ds, QStringLiteral("TIP_DATO"), 1), QString(), Required);
}

void TDtmSoMaleg::DefineQrySoParam()
{
    SClientDataSet *ds = NewRemoteDataSet(QStringLiteral("QrySoParam"), QStringLiteral("DtsPSoParam"));
    QrySoParam = ds;
    ds->Params().CreateParam(TFieldType::ftSmallint, QStringLiteral("P_COD_EMPR"));

    // The module reads only MAN_AREA; the rest of the row is carried as the provider returns it.
    const auto flags = [ds](const QString &list, unsigned flag) {
        for (const QString &name : names(list))
            Define(new TFixedCharField(ds, name, 1), QString(), flag);
    };
    const auto smalls = [ds](const QString &list) {
        for (const QString &name : names(list))
            Define(new TSmallintField(ds, name));
    };
    const auto integers = [ds](const QString &list) {
        for (const QString &name : names(list))
            Define(new TIntegerField(ds, name));
    };

    Define(new TFixedCharField(ds, QStringLiteral("ACT_USUA"), 8), QString(), Required);
    Define(new TDateTimeField(ds, QStringLiteral("ACT_HORA")), QString(), Required);
    Define(new TFixedCharField(ds, QStringLiteral("ACT_ESTA"), 1), QString(), Required);
    Define(new TSmallintField(ds, QStringLiteral("COD_EMPR")), QString(), Required);
    Define(new TStringField(ds, QStringLiteral("COR_EMPL"), 60));
    flags(QStringLiteral("VAL_IAFP OCP_HABT PER_MONA INV_IPSE PRM_GERN PRM_SEGR PRM_HIGI HAB_ADIC HAB_EVID "
                         "HAB_CNTL HAB_RECM HAB_OBSV HAB_RINT UTI_CARG UTI_SECC TIP_LEDE DIG_OCHA HAB_DEPA"),
          Required);
    smalls(QStringLiteral("COD_DEMI COD_DEMP COD_DEMV COD_DEMF"));
    flags(QStringLiteral("CAL_PINT ORI_GENP PER_FUCA SAN_DISC COM_PERA COM_INSA"), None);
    integers(QStringLiteral("MIN_FICN MIN_POCT"));
    smalls(QStringLiteral("COD_TIPC"));
    flags(QStringLiteral("PER_EXPU"), Required);
    flags(QStringLiteral("HAB_MAQU HAB_INEL HAB_MATE HAB_AMBI HAB_INDI HAB_OTRA HAB_ACTO HAB_COND HAB_ORGA "
                         "HAB_ACTI HAB_FATR HAB_FAPE HAB_INVE ACT_MECO UTI_CCOS UTI_LOCC UTI_GLOB UTI_NIPA "
                         "UTI_CENT UTI_PROC UTI_AREA HAB_CSTE VAL_IPAC"),
          None);
    integers(QStringLiteral("CAS_CONT"));
    flags(QStringLiteral("TIP_ARIN"), Required);
    flags(QStringLiteral("PAR_NIVE DEP_VOTA VOT_NIAR ASO_NIVE"), None);
    Define(new TFixedCharField(ds, QStringLiteral("TIP_APLI"), 2));
    for (const QString &name : names(QStringLiteral("VUL_PERS VUL_RECU VUL_SIST")))
        Define(new TStringField(ds, name, 16));
    flags(QStringLiteral("IND_CARG IND_CENP IND_ROLE"), None);
    flags(QStringLiteral("VIG_AUDI VIG_VISU VIG_OSTE VIG_CARD VIG_RESP VIG_PSIC VIG_ESVI VIG_ERGO VIG_BIOL "
                         "VIG_RADI VIG_CONS"),
          Required);
    flags(QStringLiteral("VIG_AGQU"), None);
    QrySoParamMAN_AREA = Define(new TFixedCharField(ds, QStringLiteral("MAN_AREA"), 1));
}
