#include "TDtmReportes.h"

#include "TPreparedPage.h"
#include "TReport.h"
#include "TReportDBDataSet.h"
#include "TReportLayout.h"
#include "dataset/TFieldFormat.h"

#include <QDateTime>
#include <QMap>
#include <memory>

// The page frame every report repeats, and the values table ("Tabla Valores"): every selected
// evaluation record grouped by cycle, standard, area (companies that manage areas) and sub-standard,
// with the sub-standard scores, the total and the evaluation level it reaches.

using TReportLayout::Memo;
using TReportLayout::MemoStyle;

namespace {

const quint8 kAll = TPrimitive::AllSides;
const QColor kCycleFill(197, 217, 241);
const QColor kStandardFill(221, 235, 247);
const QColor kAreaFill(235, 241, 222);
const QColor kHeadingFill(242, 242, 242);

TLineView *HLine(TBand *band, const QString &name, double left, double top, double width, double thickness = 0.3)
{
    TLineView *line = band->Add<TLineView>(name);
    line->Left = left;
    line->Top = top;
    line->Width = width;
    line->Height = 0;
    line->FrameWidth = thickness;
    return line;
}

// Cells side by side from x = 0, each framed, as wide as widths says; the texts in order.
void Cells(TBand *band, const QString &prefix, const QList<double> &widths, const QStringList &texts, double top,
           double height, const MemoStyle &style)
{
    double x = 0;
    for (int i = 0; i < widths.size(); ++i) {
        Memo(band, QStringLiteral("%1%2").arg(prefix).arg(i + 1), QRectF(x, top, widths[i], height), texts.value(i),
             style);
        x += widths[i];
    }
}

int processYear(const IReportDataSet &ds)
{
    return ds.Value(QStringLiteral("FEC_PROC")).toDateTime().date().year();
}

} // namespace

void TDtmReportes::AgregarMarcoPagina(TReport &report, const QString &firstTitle, const QString &secondTitle)
{
    const double width = report.Page.Paper().width() - report.Page.LeftMargin - report.Page.RightMargin;
    TBand *header = report.NewBand(TBand::PageHeader, QStringLiteral("PageHeader1"));
    header->Height = 27;
    TPictureView *logo = header->Add<TPictureView>(QStringLiteral("PicLogo"));
    logo->Left = 0;
    logo->Top = 0;
    logo->Width = 36;
    logo->Height = 23;
    logo->DataSet = QStringLiteral("QryGnEmpre");
    logo->DataField = QStringLiteral("BMP_REPO");
    const double textLeft = 40, textWidth = width - textLeft - 50;
    header->Stretched = true; // a title too long for its line wraps and pushes what is below
    Memo(header, QStringLiteral("MemNomEmpr"), QRectF(textLeft, 0, textWidth, 6),
         QStringLiteral("[QryGnEmpre.\"NOM_EMPR\"]"), {.size = 11, .bold = true});
    Memo(header, QStringLiteral("MemNitEmpr"), QRectF(textLeft, 6, textWidth, 5),
         QStringLiteral("NIT: [QryGnEmpre.\"NIT_EMPR\"]"), {.size = 9, .bold = true});
    Memo(header, QStringLiteral("MemTitulo1"), QRectF(textLeft, 11.5, textWidth, 5), firstTitle,
         {.size = 9, .bold = true, .stretch = TMemoView::smActualHeight});
    Memo(header, QStringLiteral("MemTitulo2"), QRectF(textLeft, 16.5, textWidth, 5), secondTitle,
         {.size = 9, .stretch = TMemoView::smActualHeight});
    const MemoStyle right{.size = 8, .align = TMemoView::haRight};
    Memo(header, QStringLiteral("MemPagina"), QRectF(width - 45, 0, 45, 5), QStringLiteral("Página: [PAGE#]"), right);
    Memo(header, QStringLiteral("MemFecha"), QRectF(width - 45, 5, 45, 5), QStringLiteral("Fecha: [DATE]"), right);
    Memo(header, QStringLiteral("MemHora"), QRectF(width - 45, 10, 45, 5), QStringLiteral("Hora: [TIME]"), right);
    HLine(header, QStringLiteral("LinEncabezado"), 0, 25, width, 0.5);
    report.Page.PageHeader = header;

    TBand *footer = report.NewBand(TBand::PageFooter, QStringLiteral("PageFooter1"));
    footer->Height = 9;
    HLine(footer, QStringLiteral("LinPie"), 0, 1, width, 0.3);
    const MemoStyle small{.size = 7};
    Memo(footer, QStringLiteral("MemUsuario"), QRectF(0, 2, 70, 4), QStringLiteral("Usuario: [gStCodUsua]"), small);
    Memo(footer, QStringLiteral("MemMarca1"), QRectF(width / 2 - 60, 2, 120, 3.5),
         QStringLiteral("Tolvane · Gestión Humana y Administrativa"),
         {.size = 7, .bold = true, .align = TMemoView::haCenter});
    Memo(footer, QStringLiteral("MemMarca2"), QRectF(width / 2 - 60, 5.5, 120, 3.5),
         QStringLiteral("Desarrollado por Tolvane Software"), {.size = 6.5, .align = TMemoView::haCenter});
    Memo(footer, QStringLiteral("MemPrograma"), QRectF(width - 70, 2, 70, 4), QStringLiteral("Tolvane: [gStNomProg]"),
         {.size = 7, .align = TMemoView::haRight});
    report.Page.PageFooter = footer;
}

void TDtmReportes::AgregarFirmasPlan(TReport &report)
{
    const double width = report.Page.Paper().width() - report.Page.LeftMargin - report.Page.RightMargin;
    TBand *summary = report.NewBand(TBand::ReportSummary, QStringLiteral("ReportSummary1"));
    summary->Height = 22;
    for (int i = 0; i < 2; ++i) {
        const double left = i == 0 ? 20 : width - 130;
        HLine(summary, QStringLiteral("LinFirma%1").arg(i + 1), left, 14, 110);
        Memo(summary, QStringLiteral("MemFirma%1").arg(i + 1), QRectF(left, 15, 110, 5),
             i == 0 ? QStringLiteral("FIRMA DEL EMPLEADOR O CONTRATANTE ")
                    : QStringLiteral("FIRMA RESPONSABLE EJECUCIÓN SGSST"),
             {.size = 8, .bold = true, .align = TMemoView::haCenter});
    }
    report.Page.ReportSummary = summary;
}

void TDtmReportes::DefinirRptMaleg()
{
    TReport &r = *frxRptMaleg;
    r.Page.PaperSize = QSizeF(215.9, 355.6); // legal
    r.Page.Landscape = true;
    AgregarMarcoPagina(r, QStringLiteral("Sistema de Gestión de la Seguridad y Salud en el Trabajo "),
                       QStringLiteral("Autoevaluación de Estándares Mínimos del SG-SST"));
    const double W = r.Page.Paper().width() - r.Page.LeftMargin - r.Page.RightMargin; // 335.6 mm
    const QString ds = QStringLiteral("QrySoMaleg");
    auto field = [](const char *name) { return QStringLiteral("[QrySoMaleg.\"%1\"]").arg(QLatin1String(name)); };

    TBand *header1 = r.NewBand(TBand::Header, QStringLiteral("Header1"));
    header1->Height = 14;
    const MemoStyle title{.size = 11, .bold = true, .align = TMemoView::haCenter};
    Memo(header1, QStringLiteral("MemTitEstandares"), QRectF(0, 1, W, 6), QStringLiteral("ESTÁNDARES MÍNIMOS SG-SST"),
         title);
    Memo(header1, QStringLiteral("MemTitTabla"), QRectF(0, 7, W, 6), QStringLiteral("TABLA DE VALORES Y CALIFICACIÓN"),
         title);

    auto groupHeader = [&](const char *name, const char *condition, double height, const QString &text,
                           const QColor &fill) {
        TBand *band = r.NewBand(TBand::GroupHeader, QString::fromLatin1(name));
        band->Condition = QStringLiteral("QrySoMaleg.\"%1\"").arg(QLatin1String(condition));
        band->Height = height;
        band->Stretched = true;
        Memo(band, QStringLiteral("Mem%1").arg(QLatin1String(name)), QRectF(0, 0, W, height), text,
             {.size = 8.5,
              .bold = true,
              .align = TMemoView::haCenter,
              .frame = kAll,
              .fill = fill,
              .stretch = TMemoView::smActualHeight});
        return band;
    };
    TBand *group1 = groupHeader(
        "GroupHeader1", "RMT_PAMA", 9,
        QStringLiteral("CICLO\n%1. [Uppercase(<QrySoMaleg.\"DtfNmbCicl\">)]").arg(field("COD_CICL")), kCycleFill);
    group1->OutlineText = QStringLiteral("%1. %2").arg(field("COD_CICL"), field("DtfNmbCicl"));
    TBand *group2 =
        groupHeader("GroupHeader2", "RMT_DEPA", 9,
                    QStringLiteral("ESTÁNDAR\n%1 (%2%)").arg(field("DES_ESTA"), field("POR_ESTA")), kStandardFill);
    group2->OutlineText = field("DES_ESTA");
    group2->OutlineLevel = 1;
    TBand *group4 = groupHeader("GroupHeader4", "COD_AREA", 9,
                                QStringLiteral("AREA\n%1 %2").arg(field("COD_AREA"), field("NOM_AREA")), kAreaFill);
    group4->StartNewPage = true;
    group4->OutlineText = QStringLiteral("%1 %2").arg(field("COD_AREA"), field("NOM_AREA"));
    group4->OutlineLevel = 2;
    TBand *group3 = r.NewBand(TBand::GroupHeader, QStringLiteral("GroupHeader3"));
    group3->Condition = QStringLiteral("QrySoMaleg.\"RMT_ESTA\"");
    group3->Height = 6;
    group3->Stretched = true;
    group3->ReprintOnNewPage = true;
    group3->OutlineText = field("DES_ESTA_1");
    group3->OutlineLevel = 3;
    Memo(group3, QStringLiteral("MemGroupHeader3"), QRectF(0, 0, W, 6),
         QStringLiteral("%1 (%2%)").arg(field("DES_ESTA_1"), field("POR_ESTA_1")),
         {.size = 8, .bold = true, .frame = kAll, .fill = kHeadingFill, .stretch = TMemoView::smActualHeight});

    // Column headings and rows: before 2019 (Child2, Child4) the compliance name, score and
    // justification; from 2019 (Child3, Child1) the compliance in three cells, the description
    // taking the justification's room.
    const QList<double> before = {20, 110, 22, 18, 30, 25, W - 225};
    const QList<double> from2019 = {20, W - 150, 22, 18, 30, 30, 30};
    const MemoStyle heading{
        .size = 7.5, .bold = true, .align = TMemoView::haCenter, .frame = kAll, .fill = kHeadingFill};
    TBand *child2 = r.NewBand(TBand::Child, QStringLiteral("Child2"));
    child2->Height = 8;
    Cells(child2, QStringLiteral("MemTit2_"), before,
          {QStringLiteral("NUMERAL"), QStringLiteral("DESCRIPCIÓN"), QStringLiteral("FECHA"), QStringLiteral("VALOR"),
           QStringLiteral("CUMPLIMIENTO"), QStringLiteral("CALIFICACIÓN"), QStringLiteral("JUSTIFICACIÓN")},
          0, 8, heading);
    TBand *child3 = r.NewBand(TBand::Child, QStringLiteral("Child3"));
    child3->Height = 11;
    Cells(child3, QStringLiteral("MemTit3_"), from2019.mid(0, 4),
          {QStringLiteral("NUMERAL"), QStringLiteral("DESCRIPCIÓN"), QStringLiteral("FECHA"), QStringLiteral("VALOR")},
          0, 11, heading);
    const double complianceLeft = W - 90;
    Memo(child3, QStringLiteral("MemTit3Cumplimiento"), QRectF(complianceLeft, 0, 90, 4),
         QStringLiteral("CUMPLIMIENTO"), heading);
    MemoStyle sub = heading;
    sub.size = 6.5;
    Memo(child3, QStringLiteral("MemTit3C"), QRectF(complianceLeft, 4, 30, 7),
         QStringLiteral("CUMPLE\nSATISFACTORIAMENTE"), sub);
    Memo(child3, QStringLiteral("MemTit3N"), QRectF(complianceLeft + 30, 4, 30, 7), QStringLiteral("NO\nCUMPLE"), sub);
    Memo(child3, QStringLiteral("MemTit3J"), QRectF(complianceLeft + 60, 4, 30, 7), QStringLiteral("NO\nAPLICA"), sub);

    const MemoStyle cell{.size = 7.5, .align = TMemoView::haCenter, .frame = kAll, .stretch = TMemoView::smMaxHeight};
    auto rowBand = [&](const char *name, const QList<double> &widths, const QStringList &texts) {
        TBand *band = r.NewBand(TBand::Child, QString::fromLatin1(name));
        band->Height = 5;
        band->Stretched = true;
        Cells(band, QStringLiteral("Mem%1_").arg(QLatin1String(name)), widths, texts, 0, 5, cell);
        auto *numeral = static_cast<TMemoView *>(band->Objects[0].get());
        numeral->HorzAlign = TMemoView::haRight;
        auto *description = static_cast<TMemoView *>(band->Objects[1].get());
        description->HorzAlign = TMemoView::haBlock;
        description->StretchMode = TMemoView::smActualHeight;
        description->VertAlign = TMemoView::vaTop;
        return band;
    };
    TBand *child1 =
        rowBand("Child1", from2019, {field("NUM_ERAL"), field("DES_ITEM"), field("FEC_PROC"), field("VAL_ITEM")});
    static_cast<TMemoView *>(child1->Objects[4].get())->Name = QStringLiteral("MemoIND_C");
    static_cast<TMemoView *>(child1->Objects[5].get())->Name = QStringLiteral("MemoIND_N");
    static_cast<TMemoView *>(child1->Objects[6].get())->Name = QStringLiteral("MemoIND_J");
    TBand *child4 = rowBand("Child4", before,
                            {field("NUM_ERAL"), field("DES_ITEM"), field("FEC_PROC"), field("VAL_ITEM"),
                             field("DtfNmbCump"), field("DtfCalificacion"), field("TEX_JUST")});
    auto *justification = static_cast<TMemoView *>(child4->Objects[6].get());
    justification->HorzAlign = TMemoView::haLeft;
    justification->VertAlign = TMemoView::vaTop;
    justification->StretchMode = TMemoView::smActualHeight;

    TBand *master = r.NewBand(TBand::MasterData, QStringLiteral("MasterData1"));
    master->DataSet = ds;
    master->Height = 0;

    const QString sum = QStringLiteral("SUM(<QrySoMaleg.\"DtfCalificacion\">,MasterData1)");
    TBand *footer3 = r.NewBand(TBand::GroupFooter, QStringLiteral("GroupFooter3"));
    footer3->Height = 6;
    const MemoStyle label{.size = 8, .bold = true, .align = TMemoView::haRight, .frame = kAll};
    const MemoStyle score{.size = 8, .bold = true, .align = TMemoView::haCenter, .frame = kAll};
    Memo(footer3, QStringLiteral("MemCalEmpresa"), QRectF(0, 0, W - 30, 6),
         QStringLiteral("CALIFICACIÓN DE LA EMPRESA O CONTRATANTE"), label);
    Memo(footer3, QStringLiteral("MemCalSubestandar"), QRectF(W - 30, 0, 30, 6),
         QStringLiteral("[%1 / (<QrySoMaleg.\"POR_ESTA_1\"> / 100)]").arg(sum), score)
        ->DisplayFormat = QStringLiteral("#,##0.##");
    TBand *footer2 = r.NewBand(TBand::GroupFooter, QStringLiteral("GroupFooter2"));
    footer2->Height = 2;
    TBand *footer1 = r.NewBand(TBand::GroupFooter, QStringLiteral("GroupFooter1"));
    footer1->Height = 2;

    // Companies that manage areas: each area's own total and level, one line per area in code order,
    // before the report's total. Every area is evaluated against the same 100 points, so the level
    // of a sum over several areas says nothing of any of them.
    struct SAreaTotals
    {
        QMap<int, QPair<QString, double>> byCode; // area code -> name, total
        int printing = 0;                         // the area the next line shows
    };
    auto areaTotals = std::make_shared<SAreaTotals>();
    TBand *areas = r.NewBand(TBand::Footer, QStringLiteral("FooterAreas"));
    areas->Height = 10;
    areas->PrintChildIfInvisible = true;
    Memo(areas, QStringLiteral("MemTitAreas"), QRectF(0, 3, W, 7), QStringLiteral("TOTALES POR ÁREA"),
         {.size = 8, .bold = true, .align = TMemoView::haCenter, .frame = kAll, .fill = kAreaFill});
    TBand *area = r.NewBand(TBand::Child, QStringLiteral("ChildArea"));
    area->Height = 7;
    Memo(area, QStringLiteral("MemArea"), QRectF(0, 0, W - 160, 7), QString(), label);
    Memo(area, QStringLiteral("MemTotalArea"), QRectF(W - 160, 0, 30, 7), QString(), score);
    Memo(area, QStringLiteral("MemNivelAreaTit"), QRectF(W - 130, 0, 40, 7), QStringLiteral("NIVEL DEL ÁREA:"), label);
    Memo(area, QStringLiteral("MemNivelArea"), QRectF(W - 90, 0, 90, 7), QString(), score);

    TBand *footer = r.NewBand(TBand::Footer, QStringLiteral("Footer1"));
    footer->Height = 44;
    Memo(footer, QStringLiteral("MemTotales"), QRectF(0, 3, W - 30, 7), QStringLiteral("TOTALES"), label);
    Memo(footer, QStringLiteral("MemTotal"), QRectF(W - 30, 3, 30, 7), QStringLiteral("[%1]").arg(sum), score)
        ->DisplayFormat = QStringLiteral("#,##0.##");
    Memo(footer, QStringLiteral("MemNivel"), QRectF(0, 10, W - 130, 7),
         QStringLiteral("EL NIVEL DE SU EVALUACIÓN ES: "), label);
    Memo(footer, QStringLiteral("MemResEval"), QRectF(W - 130, 10, 130, 7),
         QStringLiteral("[EvalCriterio(%1)]").arg(sum), score);
    HLine(footer, QStringLiteral("LinFirmaEmpleador"), 20, 36, 110);
    HLine(footer, QStringLiteral("LinFirmaResponsable"), W - 130, 36, 110);
    const MemoStyle caption{.size = 8, .bold = true, .align = TMemoView::haCenter};
    Memo(footer, QStringLiteral("MemFirmaEmpleador"), QRectF(20, 37, 110, 5),
         QStringLiteral("FIRMA DEL EMPLEADOR O CONTRATANTE"), caption);
    Memo(footer, QStringLiteral("MemFirmaResponsable"), QRectF(W - 130, 37, 110, 5),
         QStringLiteral("FIRMA DEL RESPONSABLE DE LA EJECUCIÓN SG-SST"), caption);

    TDataLevel level;
    level.Data = master;
    level.Header = header1;
    level.Footer = areas;
    level.Groups = {{group1, footer1}, {group2, footer2}, {group4, nullptr}, {group3, footer3}};
    r.Page.Masters.push_back(level);

    // Band events.
    r.Page.PageHeader->OnBeforePrint = [this, group4](TBand &) {
        QVariant manArea;
        frxRptMalegGetValue(QStringLiteral("gBoManArea"), manArea);
        group4->Visible = manArea.toBool();
    };
    group3->OnBeforePrint = [this, group3, child2, child3](TBand &) {
        const bool from2019Layout = processYear(*frxDBSoMaleg) >= 2019;
        child3->Visible = from2019Layout;
        child2->Visible = !from2019Layout;
        group3->ChildBand = from2019Layout ? child3 : child2;
    };
    header1->OnBeforePrint = [areaTotals](TBand &) { *areaTotals = {}; };
    areas->OnBeforePrint = [this, areas, area, footer, areaTotals](TBand &) {
        QVariant manArea;
        frxRptMalegGetValue(QStringLiteral("gBoManArea"), manArea);
        areas->Visible = manArea.toBool() && !areaTotals->byCode.isEmpty();
        areas->ChildBand = areas->Visible ? area : footer;
        areaTotals->printing = 0;
    };
    // The area line prints once per area: it is its own child until the last area, then the totals.
    area->OnBeforePrint = [this, area, footer, areaTotals](TBand &) {
        const auto it = std::next(areaTotals->byCode.cbegin(), areaTotals->printing);
        static_cast<TMemoView *>(area->Objects[0].get())->Text =
            QStringLiteral("TOTAL ÁREA %1 %2").arg(it.key()).arg(it->first);
        auto *total = static_cast<TMemoView *>(area->Objects[1].get());
        total->Text = TFieldFormat::FormatFloat(QStringLiteral("#,##0.##"), it->second);
        static_cast<TMemoView *>(area->Objects[3].get())->Text =
            frxRptMalegUserFunction(QStringLiteral("EVALCRITERIO"), {it->second}).toString();
        area->ChildBand = ++areaTotals->printing < areaTotals->byCode.size() ? area : footer;
    };
    auto *memoC = r.Object<TMemoView>(QStringLiteral("MemoIND_C"));
    auto *memoN = r.Object<TMemoView>(QStringLiteral("MemoIND_N"));
    auto *memoJ = r.Object<TMemoView>(QStringLiteral("MemoIND_J"));
    master->OnBeforePrint = [this, master, child1, child4, memoC, memoN, memoJ, areaTotals](TBand &) {
        const IReportDataSet &maleg = *frxDBSoMaleg;
        auto &areaTotal = areaTotals->byCode[maleg.Value(QStringLiteral("COD_AREA")).toInt()];
        areaTotal.first = maleg.DisplayText(QStringLiteral("NOM_AREA"));
        areaTotal.second += maleg.Value(QStringLiteral("DtfCalificacion")).toDouble();
        const QString code = maleg.Value(QStringLiteral("IND_CUMP")).toString().trimmed();
        const QString value = maleg.DisplayText(QStringLiteral("VAL_ITEM"));
        memoC->Text = code == QStringLiteral("C") ? value : QString();
        memoN->Text = code == QStringLiteral("N") ? QStringLiteral("0") : QString();
        memoJ->Text = code == QStringLiteral("J") || code == QStringLiteral("X") ? value : QString();
        const bool from2019Layout = processYear(maleg) >= 2019;
        child1->Visible = from2019Layout;
        child4->Visible = !from2019Layout;
        master->ChildBand = from2019Layout ? child1 : child4;
    };
}
