#pragma once

#include "DataPacket.h"
#include "TDataModule.h"
#include "dataset/DataSetTypes.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>
#include <optional>
#include <utility>

class EReconcileError;
class SClientDataSet;
class SDCOMConnection;
class TDataSet;
class TDataSource;
class TDateTimeField;
class TField;
class TFixedCharField;
class TFloatField;
class TIntegerField;
class TMemoField;
class TSmallintField;
class TStringField;

// The evaluation data module: every dataset of the evaluation, the rules that run on them, and the
// rule state. Created by the module's load before the main form.
//
// Ownership: the data module owns its datasets and data sources (QObject children, created in the
// order listed below); each dataset owns its fields. The member pointers stay valid for the data
// module's life.
//
// Remote datasets read from, and write back through, a named provider of the application server
// behind the main form's connection. The connection lives on the form, which is created after this
// module, so the remote datasets start without one: the form hands its connection to
// SetRemoteServer while it is being created, before any dataset is opened.
//
// Fields are persistent: declared here in the order the datasets present them, with their types,
// sizes, labels and flags, and matched with the provider's columns by name at Open. Every field of
// the datasets the rules work on has a member named after the dataset and the column; the fields of
// the company parameters and of the four per-cycle plan datasets are reached by name.
class TDtmSoMaleg : public TDataModule
{
    Q_OBJECT
public:
    explicit TDtmSoMaleg(QObject *owner);
    ~TDtmSoMaleg() override;

    // Gives every remote dataset its connection to the application server (the main form's
    // DCOMCnction). Called by the main form during its creation; in-memory datasets are untouched.
    void SetRemoteServer(SDCOMConnection *connection);

    // The value of a digit flag (a one-character company setting) for the selected company: read
    // for the company's country and its flag company (GN_EMPRE.COD_DIFL, else the company itself);
    // "N" when the flag is not set up. A failure reading the flag is reported as
    // "Error leyendo DIGIFLAG '<code>': <reason>".
    QString VerDigiFlags(const QString &VariableCode);

    // ---- the evaluation records ---------------------------------------------------------------------
    // Provider "DtsPSoMaleg", main table SO_MALEG; the client's SQL joins the cycle, both standard rows,
    // the item and the area. The main form's dataset.
    SClientDataSet *QrySoMaleg = nullptr;
    TStringField *QrySoMalegACT_USUA = nullptr;
    TDateTimeField *QrySoMalegACT_HORA = nullptr;
    TFixedCharField *QrySoMalegACT_ESTA = nullptr;
    TSmallintField *QrySoMalegCOD_EMPR = nullptr;
    TDateTimeField *QrySoMalegFEC_PROC = nullptr;
    TIntegerField *QrySoMalegCAS_CONT = nullptr;
    TIntegerField *QrySoMalegRMT_PAMA = nullptr;
    TIntegerField *QrySoMalegCOD_CICL = nullptr;
    TDateTimeField *QrySoMalegFEC_INIC = nullptr;
    TDateTimeField *QrySoMalegFEC_FINA = nullptr;
    TIntegerField *QrySoMalegRMT_DEPA = nullptr;
    TStringField *QrySoMalegDES_ESTA = nullptr;
    TFloatField *QrySoMalegPOR_ESTA = nullptr;
    TIntegerField *QrySoMalegRMT_ESTA = nullptr;
    TStringField *QrySoMalegDES_ESTA_1 = nullptr;
    TFloatField *QrySoMalegPOR_ESTA_1 = nullptr;
    TIntegerField *QrySoMalegRMT_ITES = nullptr;
    TStringField *QrySoMalegNUM_ERAL = nullptr;
    TStringField *QrySoMalegDES_ITEM = nullptr;
    TFloatField *QrySoMalegVAL_ITEM = nullptr;
    TStringField *QrySoMalegMAR_LEGA = nullptr;
    TMemoField *QrySoMalegTEX_CRIT = nullptr;
    TMemoField *QrySoMalegTEX_MVER = nullptr;
    TFixedCharField *QrySoMalegIND_CUMP = nullptr;
    TMemoField *QrySoMalegTEX_JUST = nullptr;
    TMemoField *QrySoMalegTEX_EVID = nullptr;
    TMemoField *QrySoMalegPLA_ACCI = nullptr;
    TSmallintField *QrySoMalegEMP_ORIG = nullptr;
    TFloatField *QrySoMalegCOD_RESP = nullptr;
    TDateTimeField *QrySoMalegFEC_MALE = nullptr;
    TFloatField *QrySoMalegCOD_ITGE = nullptr;
    TFixedCharField *QrySoMalegTIP_ACTI = nullptr;
    TFixedCharField *QrySoMalegEST_CONT = nullptr;
    TFloatField *QrySoMalegVAL_PRES = nullptr;
    TDateTimeField *QrySoMalegFEC_FINC = nullptr;
    TSmallintField *QrySoMalegTIP_ITEM = nullptr;
    TIntegerField *QrySoMalegCOD_AREA = nullptr;
    TStringField *QrySoMalegNOM_AREA = nullptr;
    TStringField *QrySoMalegOBJ_ASGS = nullptr;
    TStringField *QrySoMalegMET_ASGS = nullptr;
    TMemoField *QrySoMalegDES_HALL = nullptr;
    TStringField *QrySoMalegADJ_GUID = nullptr;
    // Calculated.
    TStringField *QrySoMalegDtfNmbCicl = nullptr;
    TStringField *QrySoMalegDtfNmbCump = nullptr;
    TStringField *QrySoMalegDtfNmbResp = nullptr;
    TStringField *QrySoMalegDtfApeResp = nullptr;
    TFloatField *QrySoMalegDtfCalificacion = nullptr;
    TStringField *QrySoMalegDtfNmbItge = nullptr;

    // ---- lookups and parameters -------------------------------------------------------------------
    SClientDataSet *QryBiEmple = nullptr; // "DtsPBiEmple": P_COD_EMPR, P_COD_EMPL
    TStringField *QryBiEmpleNOM_EMPL = nullptr;
    TStringField *QryBiEmpleAPE_EMPL = nullptr;
    SClientDataSet *QryValResp = nullptr; // "DtsPValResp": P_COD_EMPR, P_COD_EMPL
    TFloatField *QryValRespCOD_TERC = nullptr;
    SClientDataSet *QryGnDitem = nullptr; // "DtsPGnDitem": P_COD_EMPR, P_TIP_ITEM, P_COD_ITEM
    TFloatField *QryGnDitemCOD_ITEM = nullptr;
    TStringField *QryGnDitemDES_ITEM = nullptr;
    TMemoField *QryGnDitemOBS_ERVA = nullptr;
    SClientDataSet *QryGnTerce = nullptr; // "DtsPGnTerce": PFLCOD_TERC
    TFixedCharField *QryGnTerceNOM_TERC = nullptr;
    TFixedCharField *QryGnTerceAPE_TERC = nullptr;
    TFixedCharField *QryGnTerceDCE_MAIL = nullptr;
    SClientDataSet *QryTemporal = nullptr; // "DtsPTemporal": SQL, parameters and fields set at run time
    SClientDataSet *QryGnDigif = nullptr;  // "DtsPGnDigif": PCODVARI, PCODPAIS, PCODEMPR
    TStringField *QryGnDigifVAL_VARI = nullptr;
    TFixedCharField *QryGnDigifTIP_DATO = nullptr;
    SClientDataSet *QrySoParam = nullptr; // "DtsPSoParam": P_COD_EMPR; the company's parameters row
    TFixedCharField *QrySoParamMAN_AREA = nullptr;

    // ---- dependent datasets of the current evaluation record ----------------------------------------
    // Parameters PCODEMPR, PFECPROC, PRMTPAMA, PRMTDEPA, PRMTESTA, PRMTITES (follow-up rows also
    // PCODAREA), filled from the current record whenever it changes.
    SClientDataSet *QrySoSemon = nullptr; // follow-up rows, "DtsPSoSemon", main table SO_SEMON
    TStringField *QrySoSemonACT_USUA = nullptr;
    TDateTimeField *QrySoSemonACT_HORA = nullptr;
    TFixedCharField *QrySoSemonACT_ESTA = nullptr;
    TSmallintField *QrySoSemonCOD_EMPR = nullptr;
    TIntegerField *QrySoSemonRMT_SEMO = nullptr;
    TDateTimeField *QrySoSemonFEC_PROC = nullptr;
    TIntegerField *QrySoSemonRMT_PAMA = nullptr;
    TIntegerField *QrySoSemonRMT_DEPA = nullptr;
    TIntegerField *QrySoSemonRMT_ESTA = nullptr;
    TIntegerField *QrySoSemonRMT_ITES = nullptr;
    TStringField *QrySoSemonSEG_MIEN = nullptr;
    TDateTimeField *QrySoSemonFEC_SEGU = nullptr;
    TFloatField *QrySoSemonCOD_RESP = nullptr;
    TMemoField *QrySoSemonTEX_SEGU = nullptr;
    TDateTimeField *QrySoSemonFEC_CUMP = nullptr;
    TIntegerField *QrySoSemonCOD_AREA = nullptr;
    TStringField *QrySoSemonDtfNomResponsable = nullptr; // calculated
    TStringField *QrySoSemonDtfApeResponsable = nullptr; // calculated
    TStringField *QrySoSemonNUM_ERAL = nullptr;
    TMemoField *QrySoSemonPLA_ACCI = nullptr;
    TFixedCharField *QrySoSemonTIP_ACTI = nullptr;
    TDateTimeField *QrySoSemonFEC_INIC = nullptr;
    TDateTimeField *QrySoSemonFEC_FINA = nullptr;
    TFixedCharField *QrySoSemonEST_ADOS = nullptr;

    SClientDataSet *QrySoPlass = nullptr; // annual plan activities, "DtsPSoPlass"
    TStringField *QrySoPlassACT_USUA = nullptr;
    TDateTimeField *QrySoPlassACT_HORA = nullptr;
    TFixedCharField *QrySoPlassACT_ESTA = nullptr;
    TSmallintField *QrySoPlassCOD_EMPR = nullptr;
    TDateTimeField *QrySoPlassFEC_PROC = nullptr;
    TIntegerField *QrySoPlassRMT_PAMA = nullptr;
    TIntegerField *QrySoPlassRMT_DEPA = nullptr;
    TIntegerField *QrySoPlassRMT_ESTA = nullptr;
    TIntegerField *QrySoPlassRMT_ITES = nullptr;
    TFixedCharField *QrySoPlassOPC_CICL = nullptr;
    TStringField *QrySoPlassACT_ASGS = nullptr;
    TFixedCharField *QrySoPlassENE_PLAN = nullptr;
    TFixedCharField *QrySoPlassENE_EJEC = nullptr;
    TFixedCharField *QrySoPlassFEB_PLAN = nullptr;
    TFixedCharField *QrySoPlassFEB_EJEC = nullptr;
    TFixedCharField *QrySoPlassMAR_PLAN = nullptr;
    TFixedCharField *QrySoPlassMAR_EJEC = nullptr;
    TFixedCharField *QrySoPlassABR_PLAN = nullptr;
    TFixedCharField *QrySoPlassABR_EJEC = nullptr;
    TFixedCharField *QrySoPlassMAY_PLAN = nullptr;
    TFixedCharField *QrySoPlassMAY_EJEC = nullptr;
    TFixedCharField *QrySoPlassJUN_PLAN = nullptr;
    TFixedCharField *QrySoPlassJUN_EJEC = nullptr;
    TFixedCharField *QrySoPlassJUL_PLAN = nullptr;
    TFixedCharField *QrySoPlassJUL_EJEC = nullptr;
    TFixedCharField *QrySoPlassAGO_PLAN = nullptr;
    TFixedCharField *QrySoPlassAGO_EJEC = nullptr;
    TFixedCharField *QrySoPlassSEP_PLAN = nullptr;
    TFixedCharField *QrySoPlassSEP_EJEC = nullptr;
    TFixedCharField *QrySoPlassOCT_PLAN = nullptr;
    TFixedCharField *QrySoPlassOCT_EJEC = nullptr;
    TFixedCharField *QrySoPlassNOV_PLAN = nullptr;
    TFixedCharField *QrySoPlassNOV_EJEC = nullptr;
    TFixedCharField *QrySoPlassDIC_PLAN = nullptr;
    TFixedCharField *QrySoPlassDIC_EJEC = nullptr;
    TStringField *QrySoPlassRES_PONS = nullptr;
    TFixedCharField *QrySoPlassREC_URSO = nullptr;
    TStringField *QrySoPlassOBS_VACI = nullptr;
    TIntegerField *QrySoPlassCUM_META = nullptr;
    TStringField *QrySoPlassADJ_GUID = nullptr;
    TIntegerField *QrySoPlassCOD_AREA = nullptr;
    TIntegerField *QrySoPlassRMT_PLAS = nullptr;

    // The current item's activities of one cycle option ("P", "H", "A", "V"), for the annual plan
    // report; read-only use, no key.
    SClientDataSet *QrySoPlanear = nullptr;   // "DtsPSoPlanear"
    SClientDataSet *QrySoHacer = nullptr;     // "DtsPSoHacer"
    SClientDataSet *QrySoActuar = nullptr;    // "DtsPSoActuar"
    SClientDataSet *QrySoVerificar = nullptr; // "DtsPSoVerificar"

    // ---- data sources of the main form's follow-up and plan controls -------------------------------
    TDataSource *DtsSoSemon = nullptr;
    TDataSource *DtsSoPlass = nullptr;

    // ---- in-memory goal datasets of the annual plan reports (open and empty from creation) ----------
    SClientDataSet *CdsCumplEjecu = nullptr; // one row for the year
    TStringField *CdsCumplEjecuCUM_PLIM = nullptr;
    TFloatField *CdsCumplEjecuCUM_META = nullptr;
    TFloatField *CdsCumplEjecuPOR_CUMP = nullptr;
    SClientDataSet *CdsSeguiCumpli = nullptr; // one row per month
    TStringField *CdsSeguiCumpliCUM_PLIM = nullptr;
    TFloatField *CdsSeguiCumpliCUM_META = nullptr;
    TFloatField *CdsSeguiCumpliPOR_CUMP = nullptr;

    // ---- rule state ---------------------------------------------------------------------------------
    // Taken when an evaluation record enters edit; compared after a save. 0 / empty until then.
    double RespAntesEdicion = 0; // COD_RESP as a float, 0 when null
    QString CumpAntesEdicion;    // IND_CUMP as text, empty when null
    // Set when the module opens a follow-up row by itself after a save; lets that row post without a
    // completion date. Cleared at creation and once that row is posted or refused.
    bool SeguimientoAutomatico = false;
    // The date filter of the evaluation query, as last opened: start and end of the activity range.
    // The zero date-time (1899-12-30 00:00) until a filter sets them.
    QDateTime FechaIniActividad;
    QDateTime FechaFinActividad;

    // ---- handlers -----------------------------------------------------------------------------------
    // Creation handler: clears the automatic follow-up flag and binds QrySoMaleg's after-scroll event to
    // QrySoMalegAfterScroll. Opens nothing.
    void DataModuleCreate(QObject *sender);

    // QrySoMaleg's events (all but after scroll are bound when the dataset is declared).
    void QrySoMalegAfterOpen(TDataSet &DataSet);
    void QrySoMalegAfterScroll(TDataSet &DataSet);
    void QrySoMalegBeforeEdit(TDataSet &DataSet);
    void QrySoMalegAfterEdit(TDataSet &DataSet);
    void QrySoMalegBeforePost(TDataSet &DataSet);
    void QrySoMalegCalcFields(TDataSet &DataSet);
    void QrySoMalegNewRecord(TDataSet &DataSet);
    void QrySoMalegReconcileError(SClientDataSet &DataSet, EReconcileError &E, TUpdateKind UpdateKind,
                                  TReconcileAction &Action);
    void QrySoMalegAfterApplyUpdates(SClientDataSet &Sender, QVariant &OwnerData);
    // Field events of QrySoMaleg.
    void QrySoMalegIND_CUMPValidate(TField &Sender);
    void QrySoMalegCOD_RESPValidate(TField &Sender);
    void QrySoMalegEST_CONTChange(TField &Sender);

    // ---- record rules, navigation, activity totals (TDtmSoMalegRules.cpp, TDtmSoMalegTotals.cpp) ------
    // The cycle name of a PHVA code: 1 "Planear", 2 "Hacer", 3 "Verificar", 4 "Actuar", else empty.
    static QString NombreCiclo(int code);
    // The evaluation level (GN_DITEM item type 4 of the current record's company) whose band holds
    // pExTotal; empty when no band does.
    QString EvalCriterio(long double pExTotal);
    // Annual plan activities with the month flag Column ("ENE_PLAN" ... "DIC_EJEC") set to "S": of the
    // current item, or, while the unified plan is prepared, of every item the evaluation query selects
    // (then also added to the report module's running totals). Raises when the evaluation query lacks
    // the condition that unified counting rewrites.
    int TotalActiv(const QString &Column);
    // Sum of Column ("CUM_META") over the current item's activities divided by the activities loaded
    // in QrySoPlass; 0 when none is loaded.
    double MetaAnual(const QString &Column);
    // The current item's annual goal for the annual plan report, a whole number (refilled on every
    // change of record while the annual plan report is being produced).
    double MetaAnualActual = 0;

    // The main form and the report module are built on top of this library, so they register here
    // what navigation and the totals need of them. Each registration lapses when its owner is
    // destroyed: then nothing is written, the flags read false and nothing is accumulated.
    // - the form: its two report flags (ImprimePlanAnual, ImprimePlanUnificado) and a writer of the
    //   captions of its title bars PnlCiclo, PnlTitEstandar, PnlDesEstandar;
    // - the report module: its unified totals FTotProgr and FTotEjecu, and EjecMensualActi.
    using TTitulosWriter = std::function<void(const QString &ciclo, const QString &titulo, const QString &descripcion)>;
    using TEjecMensual = std::function<double(int planned, int executed)>;
    // Gives a dataset the key of the current evaluation record: PCODEMPR (the selected company),
    // PFECPROC, PRMTPAMA, PRMTDEPA, PRMTESTA and PRMTITES (0 when there is no current record).
    void SetItemParams(SClientDataSet &ds);
    void RegistrarFormaPrincipal(QObject *form, const bool *imprimePlanAnual, const bool *imprimePlanUnificado,
                                 TTitulosWriter titulos);
    void RegistrarTotalesUnificados(QObject *reports, int *totProgr, int *totEjecu, TEjecMensual ejecMensual);
    bool ImprimePlanAnual() const;
    bool ImprimePlanUnificado() const;
    // What the registrations hold; cleared when their owner is destroyed.
    const bool *RegImprimePlanAnual = nullptr;
    const bool *RegImprimePlanUnificado = nullptr;
    TTitulosWriter RegTitulos;
    int *RegTotProgr = nullptr;
    int *RegTotEjecu = nullptr;
    TEjecMensual RegEjecMensual;

    // ---- plan activities, follow-up rows, saving (TDtmSoMalegPlan.cpp, TDtmSoMalegSemon.cpp,
    //      TDtmSoMalegSaving.cpp) ----------------------------------------------------------------------
    // Annual plan activities: defaults, audit stamp, checks and the key issued at the first post.
    void QrySoPlassNewRecord(TDataSet &DataSet);
    void QrySoPlassAfterEdit(TDataSet &DataSet);
    void QrySoPlassBeforePost(TDataSet &DataSet);
    // Follow-up rows: defaults with the key issued at once, audit stamp, completion-date check, delete
    // confirmation, the responsible's names, and the texts of the coded and memo columns.
    void QrySoSemonNewRecord(TDataSet &DataSet);
    void QrySoSemonAfterEdit(TDataSet &DataSet);
    void QrySoSemonBeforePost(TDataSet &DataSet);
    void QrySoSemonBeforeDelete(TDataSet &DataSet);
    void QrySoSemonCalcFields(TDataSet &DataSet);
    void QrySoSemonEST_ADOSGetText(TField &Sender, QString &Text, bool DisplayText);
    void QrySoSemonEST_ADOSSetText(TField &Sender, const QString &Text);
    void QrySoSemonTIP_ACTIGetText(TField &Sender, QString &Text, bool DisplayText);
    void QrySoSemonTIP_ACTISetText(TField &Sender, const QString &Text);
    void QrySoSemonPLA_ACCIGetText(TField &Sender, QString &Text, bool DisplayText);
    void QrySoSemonTEX_SEGUGetText(TField &Sender, QString &Text, bool DisplayText);
    // Binds the handlers above to QrySoPlass, QrySoSemon and their fields, and makes every post or
    // delete of an activity or a follow-up row go to the server through SaveDependent. Called once by
    // DataModuleCreate.
    void BindPlanAndFollowUp();
    // Sends the cached changes of QrySoPlass or QrySoSemon through their provider, all or nothing;
    // refused rows go to the shared conflict handling and stay in the log unless it drops them.
    // Returns the number of refused rows (0 when there was nothing to send).
    int SaveDependent(SClientDataSet &DataSet);
    // After a save that turned a record "N": stores its one follow-up row (key COD_EMPR, FEC_PROC,
    // RMT_PAMA, RMT_DEPA, RMT_ESTA, RMT_ITES, COD_AREA in recordKey), keeping a row the user is typing.
    void AbrirSeguimientoAutomatico(const QVariantList &recordKey, const QVariant &numeral, const QVariant &plan,
                                    bool recordIsCurrent);

private:
    // A remote dataset owned by this module, bound to its provider; Company 0, no automatic audit fields.
    SClientDataSet *NewRemoteDataSet(const QString &name, const QString &providerName);
    void DefineQrySoMaleg();
    void DefineLookups();
    void DefineQrySoParam();
    void DefineQrySoSemon();
    void DefineQrySoPlass();
    SClientDataSet *DefineCyclePlan(const QString &name, const QString &providerName);
    void DefineDataSources();
    void DefineGoalDataSets();

    // What QrySoMalegCalcFields looked up through the server for the current loading of QrySoMaleg's
    // rows, so that walking many records asks once per code: per responsible code the first names
    // and surnames QryGnTerce answered (empty texts when it found nobody), per (company, axis code)
    // the name QryGnDitem answered (none when it found no row). Both are emptied as soon as the rows
    // are loaded again (open, refresh), so a record never shows names older than the load it belongs
    // to. m_nombresCarga is QrySoMaleg's RowsGeneration() the names were looked up under.
    struct SNombresResp
    {
        QString Nombres;
        QString Apellidos;
    };
    QHash<double, SNombresResp> m_nombresResp;
    QHash<std::pair<int, double>, std::optional<QString>> m_nombresItge;
    quint64 m_nombresCarga = 0;
};

extern TDtmSoMaleg *DtmSoMaleg;
