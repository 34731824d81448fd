#pragma once

#include "TDataModule.h"

#include <QVariant>
#include <functional>
#include <memory>

class QWidget;
class SClientDataSet;
class TDataSet;
class TFloatField;
class TIntegerField;
class TReport;
class TReportDBDataSet;
class TStringField;

// The report data module: the five report definitions, the datasets they read under their user
// names, their callbacks, and the in-memory datasets of the chart and unified-plan reports.
//
// Ownership: the data module owns its in-memory datasets (QObject children; each dataset owns its
// fields), the reports and the report dataset wrappers. The datasets exist, open and empty, from
// creation on; their rows stay in the order they are appended (no index). The wrappers never open
// or close what they expose.
class TDtmReportes : public TDataModule
{
    Q_OBJECT
public:
    explicit TDtmReportes(QObject *owner);
    ~TDtmReportes() override;

    // Chart by cycle: one row per cycle met in the evaluation records.
    SClientDataSet *CdsGraCicl = nullptr;
    TIntegerField *CdsGraCiclCOD_CICL = nullptr;
    TStringField *CdsGraCiclNOM_CICL = nullptr;
    TFloatField *CdsGraCiclPUN_MAXI = nullptr; // reachable score: sum of the item values
    TFloatField *CdsGraCiclPUN_OBTE = nullptr; // obtained score: sum of the item scores

    // Chart by standard: one row per standard met.
    SClientDataSet *CdsGraEsta = nullptr;
    TIntegerField *CdsGraEstaCOD_CICL = nullptr;
    TIntegerField *CdsGraEstaRMT_DEPA = nullptr;
    TStringField *CdsGraEstaDES_ESTA = nullptr;
    TFloatField *CdsGraEstaPOR_ESTA = nullptr;
    TFloatField *CdsGraEstaPUN_OBTE = nullptr;

    // Unified annual plan: one record with the planned and executed activities of every month
    // (ENE_PLAN, ENE_EJEC ... DIC_EJEC, integers) and each month's compliance percentage (ENE_PORC ...
    // DIC_PORC, whole numbers held as floats); its fields are reached by name.
    SClientDataSet *CdsRptUnif = nullptr;

    // Unified annual plan chart: twelve rows in month order.
    SClientDataSet *CdsRptUnifGraf = nullptr;
    TStringField *CdsRptUnifGrafMES_NOMB = nullptr;
    TIntegerField *CdsRptUnifGrafMES_PLAN = nullptr;
    TIntegerField *CdsRptUnifGrafMES_EJEC = nullptr;

    // Planned and executed activities of the whole year over the selection, for the unified annual
    // plan: reset when that report is prepared, accumulated by the evaluation data module's activity
    // count while it is. Zero at creation.
    int FTotProgr = 0;
    int FTotEjecu = 0;

    // Execution percentage: Executed x 100 / Planned (the product in 32-bit integers, the division in
    // floating point), not rounded; 0 when Planned is 0.
    static long double EjecMensualActi(int Planned, int Executed);

    // ---- reports ----------------------------------------------------------------------------------
    std::unique_ptr<TReport> frxRptMaleg;      // "Tabla Valores", option 0
    std::unique_ptr<TReport> frxRptGraCicl;    // "Gráfico por Ciclo", option 1
    std::unique_ptr<TReport> frxRptGraEsta;    // "Gráfico por Estándar", option 2
    std::unique_ptr<TReport> frxRPlanAnual;    // "Plan Anual SGSST", option 3
    std::unique_ptr<TReport> frxRptPlanAnualU; // "Plan Anual SGSST Unificado", option 4

    // Report datasets, by the user names the reports know them by.
    std::unique_ptr<TReportDBDataSet> frxDBGnEmpre; // "QryGnEmpre": the main form's company list
    std::unique_ptr<TReportDBDataSet> frxDBSoMaleg; // "QrySoMaleg", read in place (values table)
    // "QrySoMaleg" for the annual plan: its own cursor moves, so the record navigation refills the
    // record's plan and compliance datasets on every record.
    std::unique_ptr<TReportDBDataSet> frxDBSoMalegPlan;
    std::unique_ptr<TReportDBDataSet> frxDBDSoPlass; // "QrySoPlass"
    std::unique_ptr<TReportDBDataSet> frxDBDSoPlanear, frxDBDSoHacer, frxDBDSoVerificar, frxDBDSoActuar;
    std::unique_ptr<TReportDBDataSet> frxDBDCumplEjecu, frxDBDSeguiCumpli;
    std::unique_ptr<TReportDBDataSet> frxDBGraCicl, frxDBGraEsta;
    std::unique_ptr<TReportDBDataSet> frxDBCdsRptUnif, frxDBCdsRptUnifGraf;

    // The main form hands over, at its creation, its company list and whether the selected company
    // manages its evaluation by areas.
    void RegistrarFormaPrincipal(TDataSet *cdsGnEmpre, std::function<bool()> manejaAreas);

    // ---- callbacks ----------------------------------------------------------------------------------
    // "gStCodUsua": the user's code; "gStNomProg": the program key "ZErOdadi"; others untouched.
    void ValorVariableComun(const QString &Name, QVariant &Value) const;
    // Adds "gBoManArea": whether the company manages areas.
    void frxRptMalegGetValue(const QString &VarName, QVariant &Value) const;
    // "EVALCRITERIO": the evaluation level of the score in Params[0].
    QVariant frxRptMalegUserFunction(const QString &MethodName, const QVariantList &Params) const;
    // Both chart reports: the common variables only.
    void frxRptGraCiclGetValue(const QString &VarName, QVariant &Value) const;
    // Adds "gSTotProgr", "gSTotEjecu" (the totals as decimal text) and "gSPorcCumpl" (the execution
    // percentage of the totals rounded to the even neighbour, as decimal text).
    void frxRptPlanAnualUGetValue(const QString &VarName, QVariant &Value) const;
    // The annual plan's variables: month totals (gIntEne ... gIntDic, gIntEneEj, gInFebEj, gInMareEj,
    // gIntAbrEj ... gIntDicEj), gSTotProgr, gSTotEjecu, gSPorcCumpl, EjeMetaEne ... EjeMetaDic and
    // gInMetaAnul, every one counted afresh on the server each time it is asked.
    void frxRPlanAnualGetValue(const QString &VarName, QVariant &Value) const;
    // The annual plan's bands of a section are shown only for a record with plan activities.
    void frxRPlanAnualBeforePrint(class TBand &band) const;

    // ---- report data -------------------------------------------------------------------------------
    // Sum the evaluation records of QrySoMaleg per cycle into CdsGraCicl (reachable and obtained
    // score) and per standard into CdsGraEsta (weight and obtained score), rows in the order each
    // cycle or standard first occurs. QrySoMaleg's own cursor walks the records (the record
    // navigation runs on each move) and is left past its last record.
    void PrepararGraficaCiclo();
    void PrepararGraficaEstandar();
    // The unified annual plan: the 24 month counts over the whole selection (restarting the
    // totals), the month percentages, the chart rows and the annual totals in CdsCumplEjecu.
    void LlenarCdsUnif();

    // ---- output ----------------------------------------------------------------------------------
    // Prepares the report (a progress dialog appears when it takes more than a second; cancelling it
    // stops the run) and shows it in the modal preview, or prints it: on the printer the user picks,
    // or into the application's PrintToPdfFile when one is set; its tables go into the workbook
    // PrintToXlsxFile when that is set (TReportWorkbook). A failure raises Exception.
    void ShowReport(TReport &report, QWidget *parent);
    void Print(TReport &report, QWidget *parent);
    // Prepares without showing anything; false when cancelled.
    bool PrepareReport(TReport &report, QWidget *parent);

private:
    void DefineChartDataSets();
    void DefineUnifiedPlanDataSets();
    void DefineReportDataSets();
    void DefinirRptMaleg();
    void DefinirRptGraficas();
    void DefinirRptPlanAnualU();
    void DefinirRPlanAnual();
    // The page header and footer every report repeats; firstTitle and secondTitle are the title lines.
    void AgregarMarcoPagina(TReport &report, const QString &firstTitle, const QString &secondTitle);
    void RegisterCommon(TReport &report);
    // The signature captions closing both annual plan reports.
    void AgregarFirmasPlan(TReport &report);

    std::function<bool()> m_manejaAreas;
};

extern TDtmReportes *DtmReportes;
