#include "TDtmReportes.h"

#include "TBand.h"
#include "TChartView.h"
#include "TDtmSoMaleg.h"
#include "TPreparedPage.h"
#include "TReport.h"
#include "TReportDBDataSet.h"
#include "TReportLayout.h"
#include "TReportMonths.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFieldFormat.h"

// The annual plan report: a section per evaluation record with plan activities, its activities by
// phase with the month marks, the month totals and compliance figures asked of the server every time
// they are printed, and two charts of the record's compliance.

using TReportLayout::Memo;
using TReportLayout::MemoStyle;

namespace {

// The variables of the month totals, planned and executed, as the report names them (two of the
// executed ones are spelt irregularly).
QString plannedVariable(int month)
{
    static const QStringList names = {QStringLiteral("gIntEne"), QStringLiteral("gIntFeb"), QStringLiteral("gIntMar"),
                                      QStringLiteral("gIntAbr"), QStringLiteral("gIntMay"), QStringLiteral("gIntJun"),
                                      QStringLiteral("gIntJul"), QStringLiteral("gIntAgo"), QStringLiteral("gIntSep"),
                                      QStringLiteral("gIntOct"), QStringLiteral("gIntNov"), QStringLiteral("gIntDic")};
    return names[month];
}
QString executedVariable(int month)
{
    static const QStringList names = {
        QStringLiteral("gIntEneEj"), QStringLiteral("gInFebEj"),  QStringLiteral("gInMareEj"),
        QStringLiteral("gIntAbrEj"), QStringLiteral("gIntMayEj"), QStringLiteral("gIntJunEj"),
        QStringLiteral("gIntJulEj"), QStringLiteral("gIntAgoEj"), QStringLiteral("gIntSepEj"),
        QStringLiteral("gIntOctEj"), QStringLiteral("gIntNovEj"), QStringLiteral("gIntDicEj")};
    return names[month];
}
QString goalVariable(int month)
{
    static const QStringList names = {
        QStringLiteral("EjeMetaEne"), QStringLiteral("EjeMetaFeb"), QStringLiteral("EjeMetaMar"),
        QStringLiteral("EjeMetaAbr"), QStringLiteral("EjeMetaMay"), QStringLiteral("EjeMetaJun"),
        QStringLiteral("EjeMetaJul"), QStringLiteral("EjeMetaAgo"), QStringLiteral("EjeMetaSep"),
        QStringLiteral("EjeMetaOct"), QStringLiteral("EjeMetaNov"), QStringLiteral("EjeMetaDic")};
    return names[month];
}

const quint8 kAll = TPrimitive::AllSides;
const QColor kOlive(128, 128, 0);
const QColor kHeading(217, 225, 242);

// Column widths of the activity table, left to right: phase, activity, 24 marks, responsible, the
// two resources, support, remarks (339 mm in all).
struct Columns
{
    double phase = 16, activity = 58, mark = 6.2, responsible = 28, resource = 16, support = 14, remarks = 0;
    double marks() const { return 24 * mark; }
    double marksLeft() const { return phase + activity; }
    double afterMarks() const { return marksLeft() + marks(); }
};

} // namespace

void TDtmReportes::frxRPlanAnualGetValue(const QString &VarName, QVariant &Value) const
{
    ValorVariableComun(VarName, Value);
    TDtmSoMaleg *dm = DtmSoMaleg;
    // Every figure is a fresh count on the server, each time the report asks for it.
    auto total = [dm](const QString &suffix) {
        int sum = 0;
        for (const QString &month : TReportMonths::Codes())
            sum += dm->TotalActiv(month + suffix);
        return sum;
    };
    for (int m = 0; m < 12; ++m) {
        if (VarName == plannedVariable(m)) {
            Value = QString::number(dm->TotalActiv(TReportMonths::Codes()[m] + QStringLiteral("_PLAN")));
            return;
        }
        if (VarName == executedVariable(m)) {
            Value = QString::number(dm->TotalActiv(TReportMonths::Codes()[m] + QStringLiteral("_EJEC")));
            return;
        }
        if (VarName == goalVariable(m)) {
            const int planned = dm->TotalActiv(TReportMonths::Codes()[m] + QStringLiteral("_PLAN"));
            const int executed = dm->TotalActiv(TReportMonths::Codes()[m] + QStringLiteral("_EJEC"));
            Value = TFieldFormat::FormatFloat(QStringLiteral("0"), double(EjecMensualActi(planned, executed)));
            return;
        }
    }
    if (VarName == QStringLiteral("gSTotProgr")) {
        Value = QString::number(total(QStringLiteral("_PLAN")));
    } else if (VarName == QStringLiteral("gSTotEjecu")) {
        Value = QString::number(total(QStringLiteral("_EJEC")));
    } else if (VarName == QStringLiteral("gSPorcCumpl")) {
        const int executed = total(QStringLiteral("_EJEC"));
        const int planned = total(QStringLiteral("_PLAN"));
        Value = planned == 0
                    ? QStringLiteral("0")
                    : TFieldFormat::FormatFloat(QStringLiteral("0"), double(executed) * 100.0 / double(planned));
    } else if (VarName == QStringLiteral("gInMetaAnul")) {
        Value = TFieldFormat::FloatToStr(dm->MetaAnualActual);
    }
}

void TDtmReportes::frxRPlanAnualBeforePrint(TBand &band) const
{
    // A record without plan activities prints no section.
    static const QStringList sectionBands = {QStringLiteral("MasterData6"), QStringLiteral("DetailData1"),
                                             QStringLiteral("DetailData2"), QStringLiteral("DetailData3"),
                                             QStringLiteral("DetailData4"), QStringLiteral("DetailData5"),
                                             QStringLiteral("DetailData6"), QStringLiteral("DetailData7")};
    if (sectionBands.contains(band.Name))
        band.Visible = !DtmSoMaleg->QrySoPlass->IsEmpty();
}

void TDtmReportes::DefinirRPlanAnual()
{
    TReport &r = *frxRPlanAnual;
    r.Page.PaperSize = QSizeF(216, 359);
    r.Page.Landscape = true;
    r.OnGetValue = [this](const QString &name, QVariant &value) { frxRPlanAnualGetValue(name, value); };
    AgregarMarcoPagina(r, QStringLiteral("Sistema de Gestión de la Seguridad y Salud en el Trabajo "),
                       QStringLiteral("Plan de Trabajo Anual de Seguridad y Salud en el Trabajo"));
    const double W = r.Page.Paper().width() - r.Page.LeftMargin - r.Page.RightMargin; // 339 mm
    Columns c;
    c.remarks = W - (c.afterMarks() + c.responsible + 2 * c.resource + c.support);
    const MemoStyle heading{.size = 6.5, .bold = true, .align = TMemoView::haCenter, .frame = kAll, .fill = kHeading};
    const MemoStyle cell{.size = 6.5, .align = TMemoView::haCenter, .frame = kAll, .stretch = TMemoView::smMaxHeight};
    auto field = [](const QString &ds, const char *name) {
        return QStringLiteral("[%1.\"%2\"]").arg(ds, QLatin1String(name));
    };

    // The record: objective and goal, growing with their text.
    TBand *master = r.NewBand(TBand::MasterData, QStringLiteral("MasterData6"));
    master->DataSet = QStringLiteral("QrySoMaleg");
    master->StartNewPage = true;
    master->Height = 10;
    master->Stretched = true;
    Memo(master, QStringLiteral("MemObjetivoTit"), QRectF(0, 1, W, 4), QStringLiteral("OBJETIVO"),
         {.size = 8, .bold = true, .align = TMemoView::haCenter});
    Memo(master, QStringLiteral("MemObjetivo"), QRectF(0, 5, W, 5), field(QStringLiteral("QrySoMaleg"), "OBJ_ASGS"),
         {.size = 8, .align = TMemoView::haCenter, .stretch = TMemoView::smActualHeight});
    TBand *child1 = r.NewBand(TBand::Child, QStringLiteral("Child1"));
    child1->Height = 10;
    child1->Stretched = true;
    Memo(child1, QStringLiteral("MemMetaTit"), QRectF(0, 1, W, 4), QStringLiteral("META"),
         {.size = 8, .bold = true, .align = TMemoView::haCenter});
    Memo(child1, QStringLiteral("MemMeta"), QRectF(0, 5, W, 5), field(QStringLiteral("QrySoMaleg"), "MET_ASGS"),
         {.size = 8, .align = TMemoView::haCenter, .stretch = TMemoView::smActualHeight});
    master->ChildBand = child1;

    // Column headings.
    TBand *child2 = r.NewBand(TBand::Child, QStringLiteral("Child2"));
    child2->Height = 14;
    child1->ChildBand = child2;
    Memo(child2, QStringLiteral("MemTitCiclo"), QRectF(0, 2, c.phase, 12), QStringLiteral("Ciclo"), heading);
    Memo(child2, QStringLiteral("MemTitActividad"), QRectF(c.phase, 2, c.activity, 12), QStringLiteral("Actividad "),
         heading);
    Memo(child2, QStringLiteral("MemTitPlazo"), QRectF(c.marksLeft(), 2, c.marks(), 4),
         QStringLiteral("PLAZO DETERMINADO PARA CUMPLIMIENTO"), heading);
    MemoStyle small = heading;
    small.size = 4.6;
    for (int m = 0; m < 12; ++m) {
        const double x = c.marksLeft() + 2 * m * c.mark;
        Memo(child2, QStringLiteral("MemTitMes%1").arg(m + 1), QRectF(x, 6, 2 * c.mark, 4), TReportMonths::Names()[m],
             small)
            ->WordWrap = false;
        Memo(child2, QStringLiteral("MemTitP%1").arg(m + 1), QRectF(x, 10, c.mark, 4), QStringLiteral("P"), heading);
        Memo(child2, QStringLiteral("MemTitE%1").arg(m + 1), QRectF(x + c.mark, 10, c.mark, 4), QStringLiteral("E"),
             heading);
    }
    double x = c.afterMarks();
    Memo(child2, QStringLiteral("MemTitResponsable"), QRectF(x, 2, c.responsible, 12),
         QStringLiteral("Responsable de Evaluación"), heading);
    x += c.responsible;
    Memo(child2, QStringLiteral("MemTitRecursos"), QRectF(x, 2, 2 * c.resource, 5), QStringLiteral("Recursos"),
         heading);
    Memo(child2, QStringLiteral("MemTitAdministrativos"), QRectF(x, 7, c.resource, 7),
         QStringLiteral("Administrativos"), small);
    Memo(child2, QStringLiteral("MemTitFinancieros"), QRectF(x + c.resource, 7, c.resource, 7),
         QStringLiteral("Financieros"), small);
    x += 2 * c.resource;
    Memo(child2, QStringLiteral("MemTitSoporte"), QRectF(x, 2, c.support, 12),
         QStringLiteral("Soporte de \nEfectividad \nde la Acción"), small);
    x += c.support;
    Memo(child2, QStringLiteral("MemTitObservaciones"), QRectF(x, 2, c.remarks, 12), QStringLiteral("Observaciones"),
         heading);

    // Activity rows, one band per phase.
    const QStringList phases = {QStringLiteral("I PLANEAR"), QStringLiteral("II HACER"),
                                QStringLiteral("III VERIFICAR"), QStringLiteral("IV  ACTUAR")};
    const QStringList dataSets = {QStringLiteral("QrySoPlanear"), QStringLiteral("QrySoHacer"),
                                  QStringLiteral("QrySoVerificar"), QStringLiteral("QrySoActuar")};
    TDataLevel level;
    level.Data = master;
    for (int p = 0; p < 4; ++p) {
        const QString ds = dataSets[p];
        TBand *band = r.NewBand(TBand::DetailData, QStringLiteral("DetailData%1").arg(p + 1));
        band->DataSet = ds;
        band->Height = 5;
        band->Stretched = true;
        const QString prefix = QStringLiteral("D%1").arg(p + 1);
        Memo(band, prefix + QStringLiteral("Ciclo"), QRectF(0, 0, c.phase, 5), phases[p],
             {.size = 6.5, .bold = true, .frame = kAll, .stretch = TMemoView::smMaxHeight});
        Memo(band, prefix + QStringLiteral("Actividad"), QRectF(c.phase, 0, c.activity, 5), field(ds, "ACT_ASGS"),
             {.size = 6.5, .valign = TMemoView::vaTop, .frame = kAll, .stretch = TMemoView::smActualHeight});
        QList<TMemoView *> marks;
        for (int m = 0; m < 12; ++m)
            for (int e = 0; e < 2; ++e)
                marks << Memo(
                    band, prefix + TReportMonths::Codes()[m] + (e ? QStringLiteral("_EJEC") : QStringLiteral("_PLAN")),
                    QRectF(c.marksLeft() + (2 * m + e) * c.mark, 0, c.mark, 5), QString(), cell);
        double cx = c.afterMarks();
        Memo(band, prefix + QStringLiteral("Responsable"), QRectF(cx, 0, c.responsible, 5), field(ds, "RES_PONS"),
             {.size = 6.5, .valign = TMemoView::vaTop, .frame = kAll, .stretch = TMemoView::smActualHeight});
        cx += c.responsible;
        TMemoView *administrative =
            Memo(band, prefix + QStringLiteral("Administrativos"), QRectF(cx, 0, c.resource, 5), QString(), cell);
        TMemoView *financial = Memo(band, prefix + QStringLiteral("Financieros"),
                                    QRectF(cx + c.resource, 0, c.resource, 5), QString(), cell);
        cx += 2 * c.resource;
        TMemoView *support =
            Memo(band, prefix + QStringLiteral("Soporte"), QRectF(cx, 0, c.support, 5), QString(), cell);
        cx += c.support;
        Memo(band, prefix + QStringLiteral("Observaciones"), QRectF(cx, 0, c.remarks, 5), field(ds, "OBS_VACI"),
             {.size = 6.5, .valign = TMemoView::vaTop, .frame = kAll, .stretch = TMemoView::smActualHeight});
        // The marks: "1" on olive for "S", "0" for "N", an empty unfilled cell otherwise; the
        // resource and support cells.
        IReportDataSet *rows = r.FindDataSet(ds);
        band->OnBeforePrint = [this, rows, marks, administrative, financial, support](TBand &b) {
            frxRPlanAnualBeforePrint(b);
            int i = 0;
            for (const QString &month : TReportMonths::Codes())
                for (const char *suffix : {"_PLAN", "_EJEC"}) {
                    const QString value = rows->Value(month + QLatin1String(suffix)).toString();
                    TMemoView *mark = marks[i++];
                    mark->Text = value == QStringLiteral("S")
                                     ? QStringLiteral("1")
                                     : (value == QStringLiteral("N") ? QStringLiteral("0") : QString());
                    mark->Fill = value == QStringLiteral("S") ? kOlive : QColor();
                }
            const QString resource = rows->Value(QStringLiteral("REC_URSO")).toString();
            administrative->Text = resource == QStringLiteral("A") ? QStringLiteral("X") : QString();
            financial->Text = resource == QStringLiteral("F") ? QStringLiteral("X") : QString();
            support->Text = rows->Value(QStringLiteral("ADJ_GUID")).toString().trimmed().isEmpty()
                                ? QString()
                                : QStringLiteral("X");
        };
        TDataLevel detail;
        detail.Data = band;
        level.Details.push_back(detail);
    }

    // Totals row and the coverage heading.
    TBand *totals = r.NewBand(TBand::DetailData, QStringLiteral("DetailData5"));
    totals->RowCount = 1;
    totals->Height = 11;
    const MemoStyle bold{.size = 6.5, .bold = true, .align = TMemoView::haCenter, .frame = kAll};
    Memo(totals, QStringLiteral("MemTotalActividades"), QRectF(0, 0, c.marksLeft(), 5),
         QStringLiteral("Total Actividades"), {.size = 7, .bold = true, .frame = kAll});
    for (int m = 0; m < 12; ++m) {
        Memo(totals, QStringLiteral("MemTotP%1").arg(m + 1), QRectF(c.marksLeft() + 2 * m * c.mark, 0, c.mark, 5),
             QStringLiteral("[%1]").arg(plannedVariable(m)), bold);
        Memo(totals, QStringLiteral("MemTotE%1").arg(m + 1), QRectF(c.marksLeft() + (2 * m + 1) * c.mark, 0, c.mark, 5),
             QStringLiteral("[%1]").arg(executedVariable(m)), bold);
    }
    Memo(totals, QStringLiteral("MemTotResto"), QRectF(c.afterMarks(), 0, W - c.afterMarks(), 5), QString(), bold);
    Memo(totals, QStringLiteral("MemCobertura"), QRectF(0, 6, W, 5), QStringLiteral("% COBERTURA DEL PROGRAMA"),
         {.size = 8, .bold = true, .align = TMemoView::haCenter, .frame = kAll, .fill = kHeading});

    // The compliance block.
    TBand *compliance = r.NewBand(TBand::DetailData, QStringLiteral("DetailData6"));
    compliance->RowCount = 1;
    compliance->Height = 20;
    const double rowH = 5, right = W - c.afterMarks(), quarter = right / 4;
    const QStringList labels = {
        QStringLiteral("1. CUMPLIMIENTO DEL PLAN"), QStringLiteral("Actividades Programadas en el Mes"),
        QStringLiteral("% Ejecución Mensual de las actividades"), QStringLiteral("% Cumplimiento Meta en el Mes")};
    for (int row = 0; row < 4; ++row)
        Memo(compliance, QStringLiteral("MemCumpl%1").arg(row), QRectF(0, row * rowH, c.marksLeft(), rowH), labels[row],
             row == 0 ? heading : MemoStyle{.size = 6.5, .bold = true, .frame = kAll});
    for (int m = 0; m < 12; ++m) {
        const double mx = c.marksLeft() + 2 * m * c.mark;
        Memo(compliance, QStringLiteral("MemCumplMes%1").arg(m + 1), QRectF(mx, 0, 2 * c.mark, rowH),
             TReportMonths::Names()[m], small)
            ->WordWrap = false;
        Memo(compliance, QStringLiteral("MemCumplP%1").arg(m + 1), QRectF(mx, rowH, c.mark, rowH),
             QStringLiteral("[%1]").arg(plannedVariable(m)), bold);
        Memo(compliance, QStringLiteral("MemCumplE%1").arg(m + 1), QRectF(mx + c.mark, rowH, c.mark, rowH),
             QStringLiteral("[%1]").arg(executedVariable(m)), bold);
        Memo(compliance, QStringLiteral("MemEjecucion%1").arg(m + 1), QRectF(mx, 2 * rowH, 2 * c.mark, rowH),
             QStringLiteral("[%1] %").arg(goalVariable(m)), {.size = 6, .align = TMemoView::haCenter, .frame = kAll});
        Memo(compliance, QStringLiteral("MemMetaMes%1").arg(m + 1), QRectF(mx, 3 * rowH, 2 * c.mark, rowH),
             QStringLiteral("[gInMetaAnul] %"), {.size = 6, .align = TMemoView::haCenter, .frame = kAll});
    }
    Memo(compliance, QStringLiteral("MemCumplAnual"), QRectF(c.afterMarks(), 0, right, rowH),
         QStringLiteral("CUMPLIMIENTO ANUAL"), heading);
    const QStringList annual = {QStringLiteral("[gSTotProgr]"), QStringLiteral("[gSTotEjecu]"),
                                QStringLiteral("[gInMetaAnul] %"), QStringLiteral("[gSPorcCumpl] %")};
    const QStringList captions = {QStringLiteral("Programado"), QStringLiteral("Ejecutado"),
                                  QStringLiteral("Meta anual "), QStringLiteral("Porcentaje cumplimiento")};
    for (int i = 0; i < 4; ++i) {
        Memo(compliance, QStringLiteral("MemAnual%1").arg(i + 1),
             QRectF(c.afterMarks() + i * quarter, rowH, quarter, 2 * rowH), annual[i],
             {.size = 9, .bold = true, .align = TMemoView::haCenter, .frame = kAll});
        Memo(compliance, QStringLiteral("MemAnualTit%1").arg(i + 1),
             QRectF(c.afterMarks() + i * quarter, 3 * rowH, quarter, rowH), captions[i],
             {.size = 6.5, .align = TMemoView::haCenter, .frame = kAll});
    }

    // The two charts of the record.
    TBand *charts = r.NewBand(TBand::DetailData, QStringLiteral("DetailData7"));
    charts->RowCount = 1;
    charts->Height = 54;
    TChartView *monthly = charts->Add<TChartView>(QStringLiteral("ChartSeguimiento"));
    monthly->Left = 0;
    monthly->Top = 2;
    monthly->Width = W * 0.62;
    monthly->Height = 50;
    monthly->DataSet = QStringLiteral("CdsSeguiCumpli");
    monthly->CategoryField = QStringLiteral("CUM_PLIM");
    monthly->Title = QStringLiteral("Seguimiento al Cumplimiento del plan de Trabajo del SGSST Vigencia");
    monthly->TitleFontSize = 9;
    monthly->LabelFontSize = 7;
    monthly->SeriesList = {
        {QStringLiteral("%Meta Vigencia"), QStringLiteral("CUM_META"), QColor(220, 0, 0), true},
        {QStringLiteral("% Cumplimiento Mensual "), QStringLiteral("POR_CUMP"), QColor(0, 150, 0), true}};
    TChartView *yearly = charts->Add<TChartView>(QStringLiteral("ChartAnual"));
    yearly->Left = W * 0.64;
    yearly->Top = 2;
    yearly->Width = W * 0.36;
    yearly->Height = 50;
    yearly->DataSet = QStringLiteral("CdsCumplEjecu");
    yearly->CategoryField = QStringLiteral("CUM_PLIM");
    yearly->Title = QStringLiteral("% Cumplimiento de Ejecución del SGSST Vigencia ");
    yearly->TitleFontSize = 9;
    yearly->LabelFontSize = 7;
    yearly->SeriesList = {{QStringLiteral("%Cumplimiento"), QStringLiteral("POR_CUMP"), QColor(0, 150, 0)},
                          {QStringLiteral("%Meta"), QStringLiteral("CUM_META"), QColor(68, 102, 163)}};
    for (TBand *band : {totals, compliance, charts}) {
        band->OnBeforePrint = [this](TBand &b) { frxRPlanAnualBeforePrint(b); };
        TDataLevel detail;
        detail.Data = band;
        level.Details.push_back(detail);
    }
    master->OnBeforePrint = [this](TBand &b) { frxRPlanAnualBeforePrint(b); };

    AgregarFirmasPlan(r);
    r.Page.Masters.push_back(level);
}
