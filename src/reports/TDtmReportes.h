#pragma once

#include "TDataModule.h"

class SClientDataSet;
class TFloatField;
class TIntegerField;
class TStringField;

// The report data module: report chooser dispatch, report definitions and their data.
//
// Ownership: the data module owns its in-memory datasets (QObject children); each dataset owns its
// fields. The datasets exist, open and empty, from creation on; their rows stay in the order they are
// appended (no index).
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

private:
    void DefineChartDataSets();
    void DefineUnifiedPlanDataSets();
};

extern TDtmReportes *DtmReportes;
