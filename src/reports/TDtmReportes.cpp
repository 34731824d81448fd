#include "TDtmReportes.h"

#include "FieldDefinition.h"
#include "Globals.h"
#include "SysUtils.h"
#include "TDtmSoMaleg.h"
#include "TChartRenderer.h"
#include "TReport.h"
#include "TReportDBDataSet.h"
#include "TReportMonths.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"
#include "dataset/TFieldFormat.h"

#include <QDate>
#include <QStringList>
#include <cmath>

using namespace FieldDefinition;

TDtmReportes *DtmReportes = nullptr;

TDtmReportes::TDtmReportes(QObject *owner) : TDataModule(owner, QStringLiteral("DtmReportes"))
{
    DefineChartDataSets();
    DefineUnifiedPlanDataSets();
    DefineReportDataSets();
    // Pages with charts draw them through Qt Charts, in the preview, on paper and in PDF files.
    TChartRenderer::Install();

    frxRptMaleg = std::make_unique<TReport>(QStringLiteral("Tabla Valores"));
    frxRptGraCicl = std::make_unique<TReport>(QStringLiteral("Gráfico por Ciclo"));
    frxRptGraEsta = std::make_unique<TReport>(QStringLiteral("Gráfico por Estándar"));
    frxRPlanAnual = std::make_unique<TReport>(QStringLiteral("Plan Anual SGSST"));
    frxRptPlanAnualU = std::make_unique<TReport>(QStringLiteral("Plan Anual SGSST Unificado"));
    for (TReport *report :
         {frxRptMaleg.get(), frxRptGraCicl.get(), frxRptGraEsta.get(), frxRPlanAnual.get(), frxRptPlanAnualU.get()})
        RegisterCommon(*report);
    // The creation handler: the script function of the values table.
    frxRptMaleg->AddFunction(QStringLiteral("Function EvalCriterio(pExTotal: Extended):String;"));
    frxRptMaleg->OnGetValue = [this](const QString &name, QVariant &value) { frxRptMalegGetValue(name, value); };
    frxRptMaleg->OnUserFunction = [this](const QString &name, const QVariantList &params) {
        return frxRptMalegUserFunction(name, params);
    };
    DefinirRptMaleg();
    DefinirRptGraficas();
    frxRptPlanAnualU->OnGetValue = [this](const QString &name, QVariant &value) {
        frxRptPlanAnualUGetValue(name, value);
    };
    DefinirRptPlanAnualU();
    // The annual plan walks the records with their own cursor.
    frxRPlanAnual->RegisterDataSet(frxDBSoMalegPlan.get());
    DefinirRPlanAnual();
    // The evaluation data module (created first, and in a library this one builds on) counts the
    // activities of the unified plan into FTotProgr and FTotEjecu and asks for monthly percentages
    // through this registration, which lapses when this module is destroyed.
    if (DtmSoMaleg)
        DtmSoMaleg->RegistrarTotalesUnificados(this, &FTotProgr, &FTotEjecu, [](int planned, int executed) {
            return double(EjecMensualActi(planned, executed));
        });
}

TDtmReportes::~TDtmReportes() = default;

void TDtmReportes::DefineReportDataSets()
{
    TDtmSoMaleg *dm = DtmSoMaleg;
    auto wrap = [](const char *name, TDataSet *ds, bool moves = true) {
        return std::make_unique<TReportDBDataSet>(QString::fromLatin1(name), ds, moves);
    };
    frxDBGnEmpre = wrap("QryGnEmpre", nullptr);
    // The values table reads the evaluation records in place: the user's current record, and the
    // follow-up rows and plan it shows, stay as they were.
    frxDBSoMaleg = wrap("QrySoMaleg", dm ? dm->QrySoMaleg : nullptr, false);
    frxDBSoMalegPlan = wrap("QrySoMaleg", dm ? dm->QrySoMaleg : nullptr, true);
    frxDBDSoPlass = wrap("QrySoPlass", dm ? dm->QrySoPlass : nullptr);
    frxDBDSoPlanear = wrap("QrySoPlanear", dm ? dm->QrySoPlanear : nullptr);
    frxDBDSoHacer = wrap("QrySoHacer", dm ? dm->QrySoHacer : nullptr);
    frxDBDSoVerificar = wrap("QrySoVerificar", dm ? dm->QrySoVerificar : nullptr);
    frxDBDSoActuar = wrap("QrySoActuar", dm ? dm->QrySoActuar : nullptr);
    frxDBDCumplEjecu = wrap("CdsCumplEjecu", dm ? dm->CdsCumplEjecu : nullptr);
    frxDBDSeguiCumpli = wrap("CdsSeguiCumpli", dm ? dm->CdsSeguiCumpli : nullptr);
    frxDBGraCicl = wrap("CdsGraCicl", CdsGraCicl);
    frxDBGraEsta = wrap("CdsGraEsta", CdsGraEsta);
    frxDBCdsRptUnif = wrap("CdsRptUnif", CdsRptUnif);
    frxDBCdsRptUnifGraf = wrap("CdsRptUnifGraf", CdsRptUnifGraf);
}

void TDtmReportes::RegisterCommon(TReport &report)
{
    for (TReportDBDataSet *ds :
         {frxDBGnEmpre.get(), frxDBSoMaleg.get(), frxDBDSoPlass.get(), frxDBDSoPlanear.get(), frxDBDSoHacer.get(),
          frxDBDSoVerificar.get(), frxDBDSoActuar.get(), frxDBDCumplEjecu.get(), frxDBDSeguiCumpli.get(),
          frxDBGraCicl.get(), frxDBGraEsta.get(), frxDBCdsRptUnif.get(), frxDBCdsRptUnifGraf.get()})
        if (ds->DataSet())
            report.RegisterDataSet(ds);
    report.OnGetValue = [this](const QString &name, QVariant &value) { ValorVariableComun(name, value); };
    // Numbers and dates print as the main window shows them.
    report.FormatValue = [](const QVariant &value, const QString &format) -> QString {
        switch (value.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::LongLong:
            if (!format.isEmpty())
                return TFieldFormat::FormatFloat(format, value.toDouble());
            return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float
                       ? TFieldFormat::FloatToStr(value.toDouble())
                       : value.toString();
        case QMetaType::QDate:
            return value.toDate().toString(TFieldFormat::ShortDateFormat());
        case QMetaType::QTime:
            return value.toTime().toString(QStringLiteral("HH:mm:ss"));
        case QMetaType::QDateTime:
            return TFieldFormat::DateTimeToStr(value.toDateTime());
        case QMetaType::Bool:
            return value.toBool() ? QStringLiteral("Verdadero") : QStringLiteral("Falso");
        default:
            return value.toString();
        }
    };
}

void TDtmReportes::RegistrarFormaPrincipal(TDataSet *cdsGnEmpre, std::function<bool()> manejaAreas)
{
    const bool wasRegistered = frxDBGnEmpre->DataSet() != nullptr;
    frxDBGnEmpre->SetDataSet(cdsGnEmpre);
    m_manejaAreas = std::move(manejaAreas);
    if (!wasRegistered && cdsGnEmpre)
        for (TReport *report :
             {frxRptMaleg.get(), frxRptGraCicl.get(), frxRptGraEsta.get(), frxRPlanAnual.get(), frxRptPlanAnualU.get()})
            report->RegisterDataSet(frxDBGnEmpre.get());
}

void TDtmReportes::ValorVariableComun(const QString &Name, QVariant &Value) const
{
    if (Name == QStringLiteral("gStCodUsua"))
        Value = gStCodiUsua;
    else if (Name == QStringLiteral("gStNomProg"))
        Value = QStringLiteral("ZErOdadi");
}

void TDtmReportes::frxRptMalegGetValue(const QString &VarName, QVariant &Value) const
{
    ValorVariableComun(VarName, Value);
    if (VarName == QStringLiteral("gBoManArea"))
        Value = m_manejaAreas ? m_manejaAreas() : false;
}

QVariant TDtmReportes::frxRptMalegUserFunction(const QString &MethodName, const QVariantList &Params) const
{
    if (MethodName != QStringLiteral("EvalCriterio").toUpper())
        return QVariant();
    const QVariant total = Params.value(0);
    bool ok = true;
    const double value =
        total.typeId() == QMetaType::QString ? TFieldFormat::StrToFloat(total.toString(), &ok) : total.toDouble(&ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' no es un valor numérico válido").arg(total.toString()));
    return DtmSoMaleg->EvalCriterio(value);
}

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
    const QStringList &months = TReportMonths::Codes();

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
