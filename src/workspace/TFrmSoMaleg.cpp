#include "TFrmSoMaleg.h"

#include "Globals.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TCaptura.h"
#include "TDtmReportes.h"
#include "TDtmSoMaleg.h"
#include "TFrmMemo.h"
#include "TFrmReports.h"
#include "TPrompts.h"
#include "TSqlText.h"
#include "TReportFont.h"
#include "TReport.h"
#include "controls/TDBCmbCodigoBox.h"
#include "controls/TDBEdit.h"
#include "controls/TDBMemo.h"
#include "controls/TDBRadioGroup.h"
#include "controls/TQNavegador.h"
#include "controls/TQPField.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQsCmbCodigo.h"
#include "controls/TQsFecha.h"
#include "controls/TTolvaneDBgrid.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

TFrmSoMaleg *FrmSoMaleg = nullptr;
const QString TFrmSoMaleg::kOrdenNumeral = QStringLiteral("FEC_PROC;RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES;COD_AREA");

namespace {
// Lines of a text as a string list takes them: the line break after the last line ends it.
QStringList linesOf(const QString &text)
{
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

QString textOf(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return text;
}

// Half a width in whole pixels, an exact half going to the even neighbour.
int halfOf(int width)
{
    const int half = width / 2;
    return width % 2 == 0 || half % 2 == 0 ? half : half + 1;
}
} // namespace

TFrmSoMaleg::TFrmSoMaleg(QObject *owner) : TfrmFormaMaestro(owner, QStringLiteral("FrmSoMaleg"))
{
    SetCaption(QStringLiteral("FrmSoMaleg"));
    // The pixel widths of the layout were made for Tahoma 8: Wine's Tahoma (fonts-wine) is loaded.
    QFont tahoma(TReportFont::Family(QStringLiteral("Tahoma")));
    tahoma.setStyleHint(QFont::SansSerif);
    tahoma.setPointSize(8);
    setFont(tahoma);
    resize(1011, 752);
    DCOMCnction->ServerGUID = QStringLiteral("{3E4965E3-EAF7-44DE-9E0C-427084A6F796}");
    DCOMCnction->ServerName = QStringLiteral("ZErOdadi.ZErOdadiDmr");
    DtmSoMaleg->SetRemoteServer(DCOMCnction);
    QNvgdrFrm->SetVisibleButtons(nbFirst | nbPrior | nbNext | nbLast | nbDelete | nbEdit | nbPost | nbCancel);
    DBQbe1->Tag = 1;

    DBGFrm->ExportTitle = QStringLiteral("Autoevaluación");
    DBGFrm->SetColumns({
        TColumn{QStringLiteral("FEC_PROC")},        TColumn{QStringLiteral("RMT_PAMA")},
        TColumn{QStringLiteral("COD_CICL")},        TColumn{QStringLiteral("DtfNmbCicl")},
        TColumn{QStringLiteral("FEC_INIC")},        TColumn{QStringLiteral("FEC_FINA")},
        TColumn{QStringLiteral("RMT_DEPA")},        TColumn{QStringLiteral("DES_ESTA"), 220},
        TColumn{QStringLiteral("POR_ESTA")},        TColumn{QStringLiteral("RMT_ESTA")},
        TColumn{QStringLiteral("DES_ESTA_1"), 220}, TColumn{QStringLiteral("POR_ESTA_1")},
        TColumn{QStringLiteral("RMT_ITES")},        TColumn{QStringLiteral("NUM_ERAL")},
        TColumn{QStringLiteral("DES_ITEM"), 300},   TColumn{QStringLiteral("VAL_ITEM")},
        TColumn{QStringLiteral("MAR_LEGA"), 200},   TColumn{QStringLiteral("TEX_CRIT"), 200},
        TColumn{QStringLiteral("TEX_MVER"), 200},   TColumn{QStringLiteral("IND_CUMP")},
        TColumn{QStringLiteral("DtfNmbCump"), 140}, TColumn{QStringLiteral("TEX_JUST"), 200},
        TColumn{QStringLiteral("TEX_EVID"), 200},   TColumn{QStringLiteral("PLA_ACCI"), 200},
        TColumn{QStringLiteral("EMP_ORIG")},        TColumn{QStringLiteral("COD_RESP")},
        TColumn{QStringLiteral("DtfNmbResp"), 160}, TColumn{QStringLiteral("DtfApeResp"), 160},
        TColumn{QStringLiteral("FEC_MALE")},        TColumn{QStringLiteral("DtfCalificacion")},
    });
    // The query-by-example fields left out at design time: keys, audit columns, long texts and the
    // columns a user does not search by. The criteria dialog offers the rest (process date, cycle,
    // standards, numeral, item, compliance, responsible, rating date, user, and the area fields,
    // which the company change leaves out for companies that do not manage areas).
    DBQbe1->Campos = {QStringLiteral("ACT_HORA"), QStringLiteral("ACT_ESTA"),   QStringLiteral("COD_EMPR"),
                      QStringLiteral("CAS_CONT"), QStringLiteral("RMT_PAMA"),   QStringLiteral("FEC_INIC"),
                      QStringLiteral("FEC_FINA"), QStringLiteral("RMT_DEPA"),   QStringLiteral("POR_ESTA"),
                      QStringLiteral("RMT_ESTA"), QStringLiteral("POR_ESTA_1"), QStringLiteral("RMT_ITES"),
                      QStringLiteral("VAL_ITEM"), QStringLiteral("MAR_LEGA"),   QStringLiteral("TEX_CRIT"),
                      QStringLiteral("TEX_MVER"), QStringLiteral("TEX_JUST"),   QStringLiteral("TEX_EVID"),
                      QStringLiteral("PLA_ACCI"), QStringLiteral("EMP_ORIG"),   QStringLiteral("COD_ITGE"),
                      QStringLiteral("TIP_ACTI"), QStringLiteral("EST_CONT"),   QStringLiteral("VAL_PRES"),
                      QStringLiteral("FEC_FINC"), QStringLiteral("TIP_ITEM"),   QStringLiteral("OBJ_ASGS"),
                      QStringLiteral("MET_ASGS"), QStringLiteral("DES_HALL"),   QStringLiteral("ADJ_GUID")};

    pgcPlanAnual = new QTabWidget(ScBFrm);
    pgcPlanAnual->setObjectName(QStringLiteral("pgcPlanAnual"));
    QFont bold = pgcPlanAnual->tabBar()->font();
    bold.setBold(true);
    pgcPlanAnual->tabBar()->setFont(bold);
    TabEstMin = new QWidget(pgcPlanAnual);
    TabEstMin->setObjectName(QStringLiteral("TabEstMin"));
    TabCronograma = new QWidget(pgcPlanAnual);
    TabCronograma->setObjectName(QStringLiteral("TabCronograma"));
    TabSheet1 = new QWidget(pgcPlanAnual);
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    pgcPlanAnual->addTab(TabEstMin, QStringLiteral("Estándares Mínimos"));
    pgcPlanAnual->addTab(TabCronograma, QStringLiteral("Cronograma"));
    pgcPlanAnual->addTab(TabSheet1, QStringLiteral("Plan Anual SGSST"));
    BuildEstMin();
    BuildCronograma();
    BuildPlanAnual();
    ScBFrm->setWidget(pgcPlanAnual);
    BindEvents();
    // Enter or F2 in the list goes to the rating.
    CampoDetalle = DBCmbIND_CUMP;

    // Record navigation of the evaluation data module writes the title bars and reads the report
    // flags of this form; the data module lives in a library below this one, so the form registers
    // them there before anything opens.
    DtmSoMaleg->RegistrarFormaPrincipal(
        this, &ImprimePlanAnual, &ImprimePlanUnificado,
        [this](const QString &ciclo, const QString &titulo, const QString &descripcion) {
            PnlCiclo->setText(ciclo);
            PnlTitEstandar->setText(titulo);
            PnlDesEstandar->setText(descripcion);
            // A long title bar may be cut: the whole text as a tooltip.
            for (QLabel *bar : {PnlCiclo, PnlTitEstandar, PnlDesEstandar})
                bar->setToolTip(bar->text());
        });

    FormCreate(this);
}

TFrmSoMaleg::~TFrmSoMaleg() = default;

void TFrmSoMaleg::BindEvents()
{
    connect(dtsFrm, &TDataSource::stateChanged, this, [this] { dtsFrmStateChange(dtsFrm); });
    DBCmbIND_CUMP->OnChange = [this](QObject *sender) { DBCmbIND_CUMPChange(sender); };
    QPFldCOD_RESP->DataSet = DtmSoMaleg->QrySoMaleg;
    QPFldCOD_RESP->OnClick = [this](QObject *sender) { QPFldCOD_RESPClick(sender); };
    QPFldCOD_RESP->AssignSQL = [this](QObject *sender) { QPFldCOD_RESPAssignSQL(sender); };
    QPFldCOD_ITGE->DataSet = DtmSoMaleg->QrySoMaleg;
    QPFldCOD_ITGE->OnClick = [this](QObject *sender) { QPFldCOD_ITGEClick(sender); };
    QPFldCOD_ITGE->AssignSQL = [this](QObject *sender) { QPFldCOD_ITGEAssignSQL(sender); };
    QPFCodResp->DataSet = DtmSoMaleg->QrySoSemon;
    QPFCodResp->OnClick = [this](QObject *sender) { QPFCodRespClick(sender); };
    QPFCodResp->AssignSQL = [this](QObject *sender) { QPFCodRespAssignSQL(sender); };
    DBGSoSemon->OnEditButtonClick = [this](QObject *sender) { DBGSoSemonEditButtonClick(sender); };
    auto guarded = [this](auto handler, QObject *sender) {
        return [this, handler, sender] {
            try {
                (this->*handler)(sender);
            } catch (...) {
                Application()->HandleException(std::current_exception());
            }
        };
    };
    connect(btnSoPlass, &QToolButton::clicked, this, guarded(&TFrmSoMaleg::btnSoPlassClick, btnSoPlass));
    connect(spbReporte, &QToolButton::clicked, this, guarded(&TFrmSoMaleg::GenerarRpt, spbReporte));
    connect(spbPreview, &QToolButton::clicked, this, guarded(&TFrmSoMaleg::GenerarRpt, spbPreview));
    connect(Imprimir1, &QAction::triggered, this, guarded(&TFrmSoMaleg::GenerarRpt, Imprimir1));
    connect(Imprimir3, &QAction::triggered, this, guarded(&TFrmSoMaleg::GenerarRpt, Imprimir3));
}

QString TFrmSoMaleg::CodiUsua() const
{
    return gStCodiUsua;
}

void TFrmSoMaleg::FormCreate(QObject *sender)
{
    SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
    dtsFrm->SetDataSet(q);
    DBQbe1->SetDataset(q);
    gStNombProg = QStringLiteral("ZErOdadi");
    m_sqlBaseMaleg = textOf(q->SQL());
    m_camposBaseQbe = textOf(DBQbe1->Campos);
    dbgrdSoPlass->setVisible(false);
    pnl2->setVisible(true);
    TfrmFormaMaestro::FormCreate(sender);
    QObject *report = DtmReportes;
    QvAsignarRptPreview(report, 0);
    DtmReportes->RegistrarFormaPrincipal(CdsGnEmpre, [this] { return m_manejaAreas; });
    pgcPlanAnual->setCurrentIndex(0);
}

void TFrmSoMaleg::cmbEmpresaChange(QObject *sender)
{
    TDtmSoMaleg *dm = DtmSoMaleg;
    dm->QrySoParam->Close();
    dm->QrySoParam->ParamByName(QStringLiteral("P_COD_EMPR")).SetAsSmallInt(StrToInt(cmbEmpresa->Codigo()));
    dm->QrySoParam->Open();
    m_manejaAreas = dm->QrySoParam->FieldByName(QStringLiteral("MAN_AREA"))->Text() == QStringLiteral("S");
    for (QWidget *w : {static_cast<QWidget *>(LblCOD_AREA), static_cast<QWidget *>(DBEdtCOD_AREA),
                       static_cast<QWidget *>(DBEdtNOM_AREA)})
        w->setVisible(m_manejaAreas);
    DBEdtCOD_AREA->move(DBEdtFEC_PROC->x() + DBEdtFEC_PROC->width() + 6, DBEdtCOD_AREA->y());

    dm->QrySoMaleg->Close();
    dm->QrySoMaleg->SetSQL(linesOf(m_sqlBaseMaleg));
    // The list in numeral order (process date, then cycle, standard, sub-standard, item and area),
    // by the dataset's index: it holds after edits and every reopening (query by example, date
    // filter) and leaves the evaluation's SQL text alone. A header click sorts by another column
    // until the next company change.
    dm->QrySoMaleg->SetIndexFieldNames(kOrdenNumeral);
    DBQbe1->Campos = linesOf(m_camposBaseQbe);
    if (!m_manejaAreas)
        DBQbe1->Campos << QStringLiteral("COD_AREA") << QStringLiteral("NOM_AREA");
    DBQbe1->Inicializar(gBoUsuaAudi);
    TfrmFormaMaestro::cmbEmpresaChange(sender);

    pgcPlanAnual->setTabVisible(pgcPlanAnual->indexOf(TabCronograma),
                                dm->VerDigiFlags(QStringLiteral("Q0000133")) == QStringLiteral("S"));
    m_cumpleParcial = dm->VerDigiFlags(QStringLiteral("Q0000008")) == QStringLiteral("S");
    LblDeshall->setVisible(m_cumpleParcial);
    DBMmDesHall->setVisible(m_cumpleParcial);

    DBCmbIND_CUMP->Clear();
    DBCmbIND_CUMP->Add(QStringLiteral("Cumple Totalmente"), QStringLiteral("C"));
    if (m_cumpleParcial)
        DBCmbIND_CUMP->Add(QStringLiteral("Cumple Parcialmente"), QStringLiteral("P"));
    DBCmbIND_CUMP->Add(QStringLiteral("No Cumple"), QStringLiteral("N"));
    DBCmbIND_CUMP->Add(QStringLiteral("No Aplica"), QStringLiteral("X"));
    DBCmbIND_CUMP->Reload();

    // The query by example takes the texts the user reads as well as the stored codes.
    QList<QPair<QString, QString>> compliance, cycles, states;
    for (int i = 0; i < DBCmbIND_CUMP->Items().size(); ++i)
        compliance.append({DBCmbIND_CUMP->Items().at(i), DBCmbIND_CUMP->Codigos().value(i)});
    for (int code = 1; code <= 4; ++code)
        cycles.append({TDtmSoMaleg::NombreCiclo(code), QString::number(code)});
    for (int i = 0; i < DBRadioGroup1->Items().size(); ++i) {
        const QString item = DBRadioGroup1->Items().at(i); // "P- Programado"
        states.append({item, DBRadioGroup1->Values().value(i)});
        states.append({item.section(QLatin1Char('-'), 1).trimmed(), DBRadioGroup1->Values().value(i)});
    }
    DBQbe1->SetDisplayTexts(QStringLiteral("IND_CUMP"), compliance);
    DBQbe1->SetDisplayTexts(QStringLiteral("COD_CICL"), cycles);
    DBQbe1->SetDisplayTexts(QStringLiteral("EST_CONT"), states);
}

QList<SClientDataSet *> TFrmSoMaleg::DataSetsGuardados() const
{
    if (!DtmSoMaleg)
        return TfrmFormaMaestro::DataSetsGuardados();
    return QList<SClientDataSet *>{DtmSoMaleg->QrySoSemon, DtmSoMaleg->QrySoPlass} +
           TfrmFormaMaestro::DataSetsGuardados();
}

void TFrmSoMaleg::SpFiltroFechaClick(QObject *sender)
{
    TfrmFormaMaestro::SpFiltroFechaClick(sender);
}

void TFrmSoMaleg::dtsFrmStateChange(QObject *)
{
    SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
    const bool j = q->State() == dsEdit && q->FieldByName(QStringLiteral("IND_CUMP"))->Text() == QStringLiteral("J");
    LblTEX_JUST->setEnabled(j);
    DBMemTEX_JUST->setEnabled(j);
    TDataSet *ds = dtsFrm->DataSet();
    if (ds && ds->State() == dsBrowse && ds->IsEmpty()) {
        PnlCiclo->setText(QStringLiteral("Nombre Ciclo"));
        PnlTitEstandar->setText(QStringLiteral("Titulo Estandar"));
        PnlDesEstandar->setText(QStringLiteral("Descripcion Estandar"));
        for (QLabel *bar : {PnlCiclo, PnlTitEstandar, PnlDesEstandar})
            bar->setToolTip(QString());
    }
}

void TFrmSoMaleg::DBCmbIND_CUMPChange(QObject *)
{
    const bool j = DBCmbIND_CUMP->Codigo() == QStringLiteral("J");
    LblTEX_JUST->setEnabled(j);
    DBMemTEX_JUST->setEnabled(j);
}

void TFrmSoMaleg::LookupClick(TQPField *button, void (TFrmSoMaleg::*assignSql)(QObject *))
{
    TDataSet *ds = button->DataSet;
    if (!ds || (ds->State() != dsEdit && ds->State() != dsInsert))
        return;
    (this->*assignSql)(button);
    Captura->CapturarBoton(button);
}

void TFrmSoMaleg::QPFldCOD_RESPClick(QObject *)
{
    LookupClick(QPFldCOD_RESP, &TFrmSoMaleg::QPFldCOD_RESPAssignSQL);
}

void TFrmSoMaleg::QPFldCOD_ITGEClick(QObject *)
{
    LookupClick(QPFldCOD_ITGE, &TFrmSoMaleg::QPFldCOD_ITGEAssignSQL);
}

void TFrmSoMaleg::QPFCodRespClick(QObject *)
{
    LookupClick(QPFCodResp, &TFrmSoMaleg::QPFCodRespAssignSQL);
}

void TFrmSoMaleg::QPFCodRespAssignSQL(QObject *sender)
{
    static_cast<TQPField *>(sender)->SQL = {
        QStringLiteral(" SELECT COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE  WHERE COD_EMPR = %1")
            .arg(Application()->Tag)};
}

void TFrmSoMaleg::QPFldCOD_ITGEAssignSQL(QObject *sender)
{
    static_cast<TQPField *>(sender)->SQL = {
        QStringLiteral(" SELECT COD_ITEM, DES_ITEM  FROM GN_DITEM  WHERE COD_EMPR = %1   AND TIP_ITEM = %2")
            .arg(Application()->Tag)
            .arg(5)};
}

void TFrmSoMaleg::QPFldCOD_RESPAssignSQL(QObject *sender)
{
    QStringList sql{QStringLiteral("SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC FROM GN_TERCE")};
    TField *group = CdsGnEmpre->Active() ? CdsGnEmpre->FindField(QStringLiteral("GRU_EMPR")) : nullptr;
    if (group && group->Text() == QStringLiteral("N"))
        sql << QStringLiteral(" WHERE COD_EMPR = %1").arg(Application()->Tag);
    static_cast<TQPField *>(sender)->SQL = sql;
}

void TFrmSoMaleg::DBGSoSemonEditButtonClick(QObject *)
{
    TField *field = DBGSoSemon->SelectedField();
    if (!field)
        return;
    SClientDataSet *semon = DtmSoMaleg->QrySoSemon;
    const QString name = field->FieldName().toUpper();
    auto editThen = [semon](auto *button) {
        semon->Edit();
        button->Click();
    };
    if (name == QStringLiteral("COD_RESP"))
        editThen(QPFCodResp);
    else if (name == QStringLiteral("FEC_SEGU"))
        editThen(QsFecSegu);
    else if (name == QStringLiteral("FEC_CUMP"))
        editThen(QsFecCump);
    else if (name == QStringLiteral("FEC_INIC"))
        editThen(QsFecInic);
    else if (name == QStringLiteral("FEC_FINA"))
        editThen(QsFecFina);
    else if (name == QStringLiteral("TEX_SEGU") || name == QStringLiteral("PLA_ACCI"))
        EditarMemo(field);
}

void TFrmSoMaleg::EditarMemo(TField *field)
{
    FrmMemo->SetCaption(QStringLiteral("Plan de Acción, Seguimiento y Monitoreo"));
    const QString stored = field->AsString();
    FrmMemo->Memo->setPlainText(stored);
    if (FrmMemo->ShowModal() != TFrmMemo::mrOk)
        return;
    // The editor shows every line break as LF. A text that differs from the stored one only by its
    // line breaks is unchanged; a changed text keeps the stored text's CR LF breaks when it had them.
    QString text = FrmMemo->Memo->toPlainText();
    QString storedLf = stored;
    storedLf.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (text == storedLf)
        return;
    if (stored.contains(QStringLiteral("\r\n")))
        text.replace(u'\n', QStringLiteral("\r\n"));
    TDataSet *ds = field->DataSet();
    if (ds->State() != dsEdit && ds->State() != dsInsert)
        ds->Edit();
    field->SetAsString(text);
}

void TFrmSoMaleg::btnSoPlassClick(QObject *)
{
    dbgrdSoPlass->setHidden(!dbgrdSoPlass->isHidden());
    pnl2->setHidden(!pnl2->isHidden());
}

void TFrmSoMaleg::pnl3Resize(QObject *)
{
    const int width = pnl3->width();
    spl1->resize(pnl3->size());
    spl1->setSizes({halfOf(width), width - halfOf(width) - spl1->handleWidth()});
}

void TFrmSoMaleg::pnl14Resize(QObject *)
{
    const int width = pnl14->width();
    spl2->resize(pnl14->size());
    spl2->setSizes({halfOf(width), width - halfOf(width) - spl2->handleWidth()});
}

bool TFrmSoMaleg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == pnl3)
            pnl3Resize(pnl3);
        else if (watched == pnl14)
            pnl14Resize(pnl14);
    }
    return TfrmFormaMaestro::eventFilter(watched, event);
}

void TFrmSoMaleg::GenerarRpt(QObject *Sender)
{
    // The chooser lives for this dispatch only and is freed on every path.
    const std::unique_ptr<TFrmReports> FrmReports = std::make_unique<TFrmReports>(this);
    ImprimePlanAnual = false;
    ImprimePlanUnificado = false;
    if (Application()->Prompts().ShowModal(*FrmReports) != QDialog::Accepted)
        return;
    const int option = FrmReports->ItemIndex();
    if (option < 0 || option > 4)
        throw Exception(QStringLiteral("Debe Seleccionar una Opción Válida!!"));

    SClientDataSet *maleg = DtmSoMaleg->QrySoMaleg;
    const QString keptText = maleg->CommandText();
    const QString keptIndex = maleg->IndexFieldNames();
    const bool keptDescending = maleg->IndexDescending();
    const bool reorder = option == 0 && m_manejaAreas;
    // The report's order is the SQL's: the list's index is set aside while it runs.
    auto reopenWith = [&](const QString &text) {
        maleg->Close();
        maleg->SetCommandText(text);
        if (text == keptText)
            maleg->SetIndexFieldNames(keptIndex, keptDescending);
        else
            maleg->SetIndexFieldNames(QString());
        maleg->Open();
    };
    TReport *report = nullptr;
    switch (option) {
    case 0: {
        report = DtmReportes->frxRptMaleg.get();
        if (reorder) {
            // Records in the nesting of the report's groups: cycle, standard, area, sub-standard, and
            // the items of a sub-standard in their order.
            QString copy = keptText;
            const int at = TSqlText(copy, TSqlText::TDialect::Either).IndexOf(QStringLiteral("ORDER BY"));
            if (at >= 0)
                copy.truncate(at);
            reopenWith(copy +
                       QStringLiteral(" ORDER BY MA.RMT_PAMA, MA.RMT_DEPA, MA.COD_AREA, MA.RMT_ESTA, MA.RMT_ITES"));
        } else {
            reopenWith(keptText); // the report reads fresh data
        }
        break;
    }
    case 1:
        report = DtmReportes->frxRptGraCicl.get();
        DtmReportes->PrepararGraficaCiclo();
        break;
    case 2:
        report = DtmReportes->frxRptGraEsta.get();
        DtmReportes->PrepararGraficaEstandar();
        break;
    case 3:
        report = DtmReportes->frxRPlanAnual.get();
        ImprimePlanAnual = true;
        ImprimePlanUnificado = false;
        break;
    case 4:
        report = DtmReportes->frxRptPlanAnualU.get();
        ImprimePlanAnual = false;
        ImprimePlanUnificado = true;
        DtmReportes->LlenarCdsUnif();
        break;
    }
    try {
        if (Sender == spbPreview || Sender == Imprimir3)
            DtmReportes->ShowReport(*report, this);
        else if (Sender == spbReporte || Sender == Imprimir1)
            DtmReportes->Print(*report, this);
    } catch (...) {
        // The evaluation goes back to its own order whatever happened to the report.
        if (reorder)
            reopenWith(keptText);
        throw;
    }
    if (reorder)
        reopenWith(keptText);
}
