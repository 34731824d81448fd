#include "TDtmReportes.h"

#include "TBand.h"
#include "TChartView.h"
#include "TDtmSoMaleg.h"
#include "TPreparedPage.h"
#include "TReport.h"
#include "TReportLayout.h"
#include "TReportMonths.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFieldFormat.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"

// The unified annual plan: the plan activities of every selected evaluation record counted per
// month, and the report with the summary table, the monthly and the annual chart.

using TReportLayout::Memo;
using TReportLayout::MemoStyle;

namespace {

const QColor kProgramado(68, 102, 163);
const QColor kEjecutado(68, 128, 68);

} // namespace

void TDtmReportes::frxRptPlanAnualUGetValue(const QString &VarName, QVariant &Value) const
{
    ValorVariableComun(VarName, Value);
    if (VarName == QStringLiteral("gSTotProgr"))
        Value = QString::number(FTotProgr);
    else if (VarName == QStringLiteral("gSTotEjecu"))
        Value = QString::number(FTotEjecu);
    else if (VarName == QStringLiteral("gSPorcCumpl"))
        Value = QString::number(TFieldFormat::Round(double(EjecMensualActi(FTotProgr, FTotEjecu))));
}

void TDtmReportes::LlenarCdsUnif()
{
    TDtmSoMaleg *dm = DtmSoMaleg;
    FTotProgr = 0;
    FTotEjecu = 0;
    CdsRptUnif->EmptyDataSet();
    CdsRptUnif->Append();
    // The 24 counts of the report, each added to the totals by the count itself.
    for (const QString &month : TReportMonths::Codes())
        for (const char *kind : {"_PLAN", "_EJEC"}) {
            const QString column = month + QLatin1String(kind);
            CdsRptUnif->FieldByName(column)->SetAsInteger(dm->TotalActiv(column));
        }
    for (const QString &month : TReportMonths::Codes()) {
        const int planned = CdsRptUnif->FieldByName(month + QStringLiteral("_PLAN"))->AsInteger();
        const int executed = CdsRptUnif->FieldByName(month + QStringLiteral("_EJEC"))->AsInteger();
        // Ties go to the even neighbour: 1 of 8 gives 12, 3 of 8 gives 38.
        CdsRptUnif->FieldByName(month + QStringLiteral("_PORC"))
            ->SetAsFloat(double(TFieldFormat::Round(double(EjecMensualActi(planned, executed)))));
    }
    CdsRptUnif->Post();

    CdsRptUnifGraf->EmptyDataSet();
    for (const QString &month : TReportMonths::Codes()) {
        CdsRptUnifGraf->Append();
        CdsRptUnifGrafMES_NOMB->SetAsString(month);
        CdsRptUnifGrafMES_PLAN->SetAsInteger(CdsRptUnif->FieldByName(month + QStringLiteral("_PLAN"))->AsInteger());
        CdsRptUnifGrafMES_EJEC->SetAsInteger(CdsRptUnif->FieldByName(month + QStringLiteral("_EJEC"))->AsInteger());
        CdsRptUnifGraf->Post();
    }

    dm->CdsCumplEjecu->EmptyDataSet();
    dm->CdsCumplEjecu->Append();
    dm->CdsCumplEjecuCUM_META->SetAsFloat(FTotEjecu);
    dm->CdsCumplEjecuPOR_CUMP->SetAsFloat(FTotProgr);
    dm->CdsCumplEjecu->Post();
}

void TDtmReportes::DefinirRptPlanAnualU()
{
    TReport &r = *frxRptPlanAnualU;
    r.Page.PaperSize = QSizeF(216, 360);
    r.Page.Landscape = true;
    AgregarMarcoPagina(r, QStringLiteral("Sistema de Gestión de la Seguridad y Salud en el Trabajo "),
                       QStringLiteral("Plan de Trabajo Anual de Seguridad y Salud en el Trabajo Unificado"));
    const double W = r.Page.Paper().width() - r.Page.LeftMargin - r.Page.RightMargin; // 340 mm

    // The summary table: a row of headings, then planned, executed and percentage per month.
    TBand *header = r.NewBand(TBand::Header, QStringLiteral("Header1"));
    header->Height = 30;
    const double labelWidth = 52, totalWidth = 28, monthWidth = (W - labelWidth - totalWidth) / 12, rowHeight = 6.5;
    const MemoStyle heading{.size = 7.5,
                            .bold = true,
                            .align = TMemoView::haCenter,
                            .frame = TPrimitive::AllSides,
                            .fill = QColor(217, 225, 242)};
    const MemoStyle label{.size = 8, .bold = true, .frame = TPrimitive::AllSides};
    const MemoStyle cell{.size = 8, .align = TMemoView::haCenter, .frame = TPrimitive::AllSides};
    const QStringList rows = {QStringLiteral("Actividades Programadas"), QStringLiteral("Actividades Ejecutadas"),
                              QStringLiteral("Porcentaje de Cumplimiento")};
    const QStringList suffixes = {QStringLiteral("_PLAN"), QStringLiteral("_EJEC"), QStringLiteral("_PORC")};
    const QStringList totals = {QStringLiteral("[gSTotProgr]"), QStringLiteral("[gSTotEjecu]"),
                                QStringLiteral("[gSPorcCumpl] %")};
    Memo(header, QStringLiteral("MemActividades"), QRectF(0, 2, labelWidth, rowHeight),
         QStringLiteral("ACTIVIDADES SGSST"), heading);
    for (int m = 0; m < 12; ++m)
        Memo(header, QStringLiteral("MemMes%1").arg(m + 1),
             QRectF(labelWidth + m * monthWidth, 2, monthWidth, rowHeight), TReportMonths::Names()[m], heading);
    Memo(header, QStringLiteral("MemTotalAnual"), QRectF(W - totalWidth, 2, totalWidth, rowHeight),
         QStringLiteral("TOTAL ANUAL"), heading);
    for (int row = 0; row < 3; ++row) {
        const double top = 2 + (row + 1) * rowHeight;
        Memo(header, QStringLiteral("MemFila%1").arg(row + 1), QRectF(0, top, labelWidth, rowHeight), rows[row], label);
        for (int m = 0; m < 12; ++m)
            Memo(header, TReportMonths::Codes()[m] + suffixes[row],
                 QRectF(labelWidth + m * monthWidth, top, monthWidth, rowHeight),
                 QStringLiteral("[CdsRptUnif.\"%1%2\"]%3")
                     .arg(TReportMonths::Codes()[m], suffixes[row], row == 2 ? QStringLiteral("%") : QString()),
                 cell);
        Memo(header, QStringLiteral("MemTotal%1").arg(row + 1), QRectF(W - totalWidth, top, totalWidth, rowHeight),
             totals[row], {.size = 8, .bold = true, .align = TMemoView::haCenter, .frame = TPrimitive::AllSides});
    }

    auto chartIn = [&](TBand *band, const QString &name, double height, const QString &title, const QString &dataSet,
                       const QString &category, const QString &planned, const QString &executed) {
        band->Height = height;
        TChartView *chart = band->Add<TChartView>(name);
        chart->Left = 0;
        chart->Top = 2;
        chart->Width = W;
        chart->Height = height - 4;
        chart->Title = title;
        chart->DataSet = dataSet;
        chart->CategoryField = category;
        chart->CategoryAxisVisible = !category.isEmpty();
        chart->LabelFontSize = 8;
        chart->SeriesList = {{QStringLiteral("Programado"), planned, kProgramado},
                             {QStringLiteral("Ejecutado"), executed, kEjecutado}};
    };
    TBand *master = r.NewBand(TBand::MasterData, QStringLiteral("MasterData1"));
    master->RowCount = 1; // no dataset: prints once, with its header, child and footer
    master->Height = 0;
    TBand *child = r.NewBand(TBand::Child, QStringLiteral("Child1"));
    chartIn(child, QStringLiteral("ChartMensual"), 62,
            QStringLiteral("Seguimiento Mensual al Cumplimiento del plan de Trabajo del SGSST"),
            QStringLiteral("CdsRptUnifGraf"), QStringLiteral("MES_NOMB"), QStringLiteral("MES_PLAN"),
            QStringLiteral("MES_EJEC"));
    master->ChildBand = child;
    TBand *footer = r.NewBand(TBand::Footer, QStringLiteral("Footer1"));
    chartIn(footer, QStringLiteral("ChartAnual"), 44, QStringLiteral("Total Actividades del Año del SGSST"),
            QStringLiteral("CdsCumplEjecu"), QString(), QStringLiteral("POR_CUMP"), QStringLiteral("CUM_META"));

    AgregarFirmasPlan(r);

    TDataLevel level;
    level.Data = master;
    level.Header = header;
    level.Footer = footer;
    r.Page.Masters.push_back(level);
}
