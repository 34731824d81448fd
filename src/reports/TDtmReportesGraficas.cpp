#include "TDtmReportes.h"

#include "TBand.h"
#include "TChartView.h"
#include "TDtmSoMaleg.h"
#include "TReport.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"

// The charts by cycle and by standard: the evaluation records summed per cycle and per standard
// into the chart datasets, and the two one-page chart reports that draw them.

namespace {

const QColor kMaximo(51, 153, 255);
const QColor kObtenido(255, 0, 255);

} // namespace

void TDtmReportes::frxRptGraCiclGetValue(const QString &VarName, QVariant &Value) const
{
    ValorVariableComun(VarName, Value);
}

void TDtmReportes::PrepararGraficaCiclo()
{
    TDtmSoMaleg *dm = DtmSoMaleg;
    SClientDataSet *maleg = dm->QrySoMaleg;
    CdsGraCicl->EmptyDataSet();
    // The main dataset's own cursor walks the records, so each move runs the record navigation; it
    // is left past its last record.
    for (maleg->First(); !maleg->Eof(); maleg->Next()) {
        const int cycle = dm->QrySoMalegCOD_CICL->AsInteger();
        if (CdsGraCicl->Locate(QStringLiteral("COD_CICL"), cycle)) {
            CdsGraCicl->Edit();
            CdsGraCiclPUN_MAXI->SetAsFloat(CdsGraCiclPUN_MAXI->AsFloat() + dm->QrySoMalegVAL_ITEM->AsFloat());
            CdsGraCiclPUN_OBTE->SetAsFloat(CdsGraCiclPUN_OBTE->AsFloat() + dm->QrySoMalegDtfCalificacion->AsFloat());
        } else {
            CdsGraCicl->Append();
            CdsGraCiclCOD_CICL->SetAsInteger(cycle);
            CdsGraCiclNOM_CICL->SetAsString(dm->QrySoMalegDtfNmbCicl->AsString());
            CdsGraCiclPUN_MAXI->SetAsFloat(dm->QrySoMalegVAL_ITEM->AsFloat());
            CdsGraCiclPUN_OBTE->SetAsFloat(dm->QrySoMalegDtfCalificacion->AsFloat());
        }
        CdsGraCicl->Post();
    }
}

void TDtmReportes::PrepararGraficaEstandar()
{
    TDtmSoMaleg *dm = DtmSoMaleg;
    SClientDataSet *maleg = dm->QrySoMaleg;
    CdsGraEsta->EmptyDataSet();
    for (maleg->First(); !maleg->Eof(); maleg->Next()) {
        const int cycle = dm->QrySoMalegCOD_CICL->AsInteger();
        const int standard = dm->QrySoMalegRMT_DEPA->AsInteger();
        if (CdsGraEsta->Locate(QStringLiteral("COD_CICL;RMT_DEPA"), QVariantList{cycle, standard})) {
            CdsGraEsta->Edit();
            CdsGraEstaPUN_OBTE->SetAsFloat(CdsGraEstaPUN_OBTE->AsFloat() + dm->QrySoMalegDtfCalificacion->AsFloat());
        } else {
            CdsGraEsta->Append();
            CdsGraEstaCOD_CICL->SetAsInteger(cycle);
            CdsGraEstaRMT_DEPA->SetAsInteger(standard);
            CdsGraEstaDES_ESTA->SetAsString(dm->QrySoMalegDES_ESTA->AsString().left(25));
            // The reachable score of a standard is its weight, taken from its first record.
            CdsGraEstaPOR_ESTA->SetAsFloat(dm->QrySoMalegPOR_ESTA->AsFloat());
            CdsGraEstaPUN_OBTE->SetAsFloat(dm->QrySoMalegDtfCalificacion->AsFloat());
        }
        CdsGraEsta->Post();
    }
}

void TDtmReportes::DefinirRptGraficas()
{
    struct Layout
    {
        TReport *report;
        QSizeF paper;
        bool landscape;
        QString firstTitle, secondTitle, chartTitle, dataSet, category, maximo;
        int lineWidth;
    };
    const QString sgsst = QStringLiteral("Sistema de Gestión de la Seguridad y Salud en el Trabajo - ");
    const Layout layouts[] = {
        {frxRptGraCicl.get(), QSizeF(215.9, 279.4), false, sgsst + QStringLiteral("Gráfico por Ciclo"), QString(),
         QStringLiteral("Desarrollo por ciclo PHVA"), QStringLiteral("CdsGraCicl"), QStringLiteral("NOM_CICL"),
         QStringLiteral("PUN_MAXI"), 0},
        {frxRptGraEsta.get(), QSizeF(215.9, 355.6), true, sgsst + QStringLiteral("Gráfico por Estándar"),
         QStringLiteral("Gráfico por Estándar"), QStringLiteral("Desarrollo por Estándar"),
         QStringLiteral("CdsGraEsta"), QStringLiteral("DES_ESTA"), QStringLiteral("POR_ESTA"), 13},
    };
    for (const Layout &l : layouts) {
        TReport &r = *l.report;
        r.Page.PaperSize = l.paper;
        r.Page.Landscape = l.landscape;
        r.OnGetValue = [this](const QString &name, QVariant &value) { frxRptGraCiclGetValue(name, value); };
        AgregarMarcoPagina(r, l.firstTitle, l.secondTitle);
        const QSizeF paper = r.Page.Paper();
        const double width = paper.width() - r.Page.LeftMargin - r.Page.RightMargin;
        const double height = paper.height() - r.Page.TopMargin - r.Page.BottomMargin - r.Page.PageHeader->Height -
                              r.Page.PageFooter->Height - 8;
        // One master band without data that prints once and holds the chart.
        TBand *master = r.NewBand(TBand::MasterData, QStringLiteral("MasterData1"));
        master->RowCount = 1;
        master->Height = height;
        TChartView *chart = master->Add<TChartView>(QStringLiteral("Chart1"));
        chart->Left = 0;
        chart->Top = 4;
        chart->Width = width;
        chart->Height = height - 4;
        chart->DataSet = l.dataSet;
        chart->CategoryField = l.category;
        chart->Title = l.chartTitle;
        chart->CategoryLineWidth = l.lineWidth;
        chart->LabelFontSize = l.lineWidth > 0 ? 7 : 9;
        chart->SeriesList = {{QStringLiteral("Máximo"), l.maximo, kMaximo},
                             {QStringLiteral("Obtenido"), QStringLiteral("PUN_OBTE"), kObtenido}};
        TDataLevel level;
        level.Data = master;
        r.Page.Masters.push_back(level);
    }
}
