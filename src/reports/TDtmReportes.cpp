#include "TDtmReportes.h"

#include "FieldDefinition.h"
#include "TDtmSoMaleg.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"

#include <QStringList>

using namespace FieldDefinition;

TDtmReportes *DtmReportes = nullptr;

TDtmReportes::TDtmReportes(QObject *owner) : TDataModule(owner, QStringLiteral("DtmReportes"))
{
    DefineChartDataSets();
    DefineUnifiedPlanDataSets();
    // The evaluation data module (created first, and in a library this one builds on) counts the
    // activities of the unified plan into FTotProgr and FTotEjecu and asks for monthly percentages
    // through this registration, which lapses when this module is destroyed.
    if (DtmSoMaleg)
        DtmSoMaleg->RegistrarTotalesUnificados(this, &FTotProgr, &FTotEjecu, [](int planned, int executed) {
            return double(EjecMensualActi(planned, executed));
        });
}

TDtmReportes::~TDtmReportes() = default;

long double TDtmReportes::EjecMensualActi(int Planned, int Executed)
{
    if (Planned == 0)
        return 0;
    // The product wraps around as 32-bit integer arithmetic does.
    const auto product = static_cast<qint32>(static_cast<quint32>(Executed) * 100u);
    return static_cast<long double>(product) / Planned;
}

void TDtmReportes::DefineChartDataSets()
{
    CdsGraCicl = new SClientDataSet(this, QStringLiteral("CdsGraCicl"));
    CdsGraCiclCOD_CICL = Define(new TIntegerField(CdsGraCicl, QStringLiteral("COD_CICL")));
    CdsGraCiclNOM_CICL = Define(new TStringField(CdsGraCicl, QStringLiteral("NOM_CICL"), 20));
    CdsGraCiclPUN_MAXI = Define(new TFloatField(CdsGraCicl, QStringLiteral("PUN_MAXI")));
    CdsGraCiclPUN_OBTE = Define(new TFloatField(CdsGraCicl, QStringLiteral("PUN_OBTE")));
    CdsGraCicl->CreateDataSet();

    CdsGraEsta = new SClientDataSet(this, QStringLiteral("CdsGraEsta"));
    CdsGraEstaCOD_CICL = Define(new TIntegerField(CdsGraEsta, QStringLiteral("COD_CICL")));
    CdsGraEstaRMT_DEPA = Define(new TIntegerField(CdsGraEsta, QStringLiteral("RMT_DEPA")));
    CdsGraEstaDES_ESTA = Define(new TStringField(CdsGraEsta, QStringLiteral("DES_ESTA"), 255));
    CdsGraEstaPOR_ESTA = Define(new TFloatField(CdsGraEsta, QStringLiteral("POR_ESTA")));
    CdsGraEstaPUN_OBTE = Define(new TFloatField(CdsGraEsta, QStringLiteral("PUN_OBTE")));
    CdsGraEsta->CreateDataSet();
}

void TDtmReportes::DefineUnifiedPlanDataSets()
{
    const QStringList months = {QStringLiteral("ENE"), QStringLiteral("FEB"), QStringLiteral("MAR"),
                                QStringLiteral("ABR"), QStringLiteral("MAY"), QStringLiteral("JUN"),
                                QStringLiteral("JUL"), QStringLiteral("AGO"), QStringLiteral("SEP"),
                                QStringLiteral("OCT"), QStringLiteral("NOV"), QStringLiteral("DIC")};

    CdsRptUnif = new SClientDataSet(this, QStringLiteral("CdsRptUnif"));
    for (const QString &month : months) {
        Define(new TIntegerField(CdsRptUnif, month + QStringLiteral("_PLAN")));
        Define(new TIntegerField(CdsRptUnif, month + QStringLiteral("_EJEC")));
    }
    for (const QString &month : months)
        Define(new TFloatField(CdsRptUnif, month + QStringLiteral("_PORC")));
    CdsRptUnif->CreateDataSet();

    CdsRptUnifGraf = new SClientDataSet(this, QStringLiteral("CdsRptUnifGraf"));
    CdsRptUnifGrafMES_NOMB = Define(new TStringField(CdsRptUnifGraf, QStringLiteral("MES_NOMB"), 3));
    CdsRptUnifGrafMES_PLAN = Define(new TIntegerField(CdsRptUnifGraf, QStringLiteral("MES_PLAN")));
    CdsRptUnifGrafMES_EJEC = Define(new TIntegerField(CdsRptUnifGraf, QStringLiteral("MES_EJEC")));
    CdsRptUnifGraf->CreateDataSet();
}
