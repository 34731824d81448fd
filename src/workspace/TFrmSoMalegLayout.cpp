// The detail view of the main window: its three pages and every control with its binding.

#include "TFrmSoMaleg.h"

#include "TDtmSoMaleg.h"
#include "dataset/SClientDataSet.h"
#include "controls/TAdjButton.h"
#include "controls/TDBCmbCodigoBox.h"
#include "controls/TDBEdit.h"
#include "controls/TDBMemo.h"
#include "controls/TDBRadioGroup.h"
#include "controls/TQNavegador.h"
#include "controls/TQPField.h"
#include "controls/TQsFecha.h"
#include "controls/TTolvaneDBgrid.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel *titleBar(QWidget *parent, const QString &name, const QString &text, int pointSize = 0)
{
    auto *bar = new QLabel(text, parent);
    bar->setObjectName(name);
    bar->setAlignment(Qt::AlignCenter);
    bar->setMinimumHeight(22);
    bar->setStyleSheet(QStringLiteral("QLabel { background: #c0c0c0; border: 1px solid #a0a0a0; font-weight: bold;%1 }")
                           .arg(pointSize ? QStringLiteral(" font-size: %1pt;").arg(pointSize) : QString()));
    return bar;
}

QLabel *label(QWidget *parent, const QString &text, const QString &name = QString())
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

template <typename Control>
Control *bound(QWidget *parent, const QString &name, TDataSource *source, const QString &field)
{
    auto *c = new Control(parent, name);
    c->SetDataSource(source);
    c->SetDataField(field);
    return c;
}

// A label above its control, as one cell of a form grid.
QWidget *labelled(QWidget *parent, QLabel *caption, QWidget *control, QWidget *extra = nullptr)
{
    auto *cell = new QWidget(parent);
    auto *v = new QVBoxLayout(cell);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(1);
    v->addWidget(caption);
    if (extra) {
        auto *h = new QHBoxLayout;
        h->setSpacing(2);
        h->addWidget(control, 1);
        h->addWidget(extra);
        v->addLayout(h);
    } else {
        v->addWidget(control);
    }
    return cell;
}

TQsFecha *dateButton(QWidget *parent, const QString &name, TDataSource *source, const QString &field)
{
    auto *b = new TQsFecha(parent, name);
    b->DataSource = source;
    b->DatField = field;
    return b;
}

TAdjButton *attachmentsButton(QWidget *parent, const QString &name, const QString &table, TDataSet *dataset)
{
    auto *b = new TAdjButton(parent, name);
    b->Table = table;
    b->Programa = QStringLiteral("ZErOdadi");
    b->Dataset = dataset;
    b->Filter = QStringLiteral("Todos los archivos|*.*");
    return b;
}

} // namespace

void TFrmSoMaleg::BuildEstMin()
{
    auto *page = TabEstMin;
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(3);
    PnlCiclo = titleBar(page, QStringLiteral("PnlCiclo"), QStringLiteral("Nombre Ciclo"), 11);
    PnlTitEstandar = titleBar(page, QStringLiteral("PnlTitEstandar"), QStringLiteral("Título Estándar"));
    PnlDesEstandar = titleBar(page, QStringLiteral("PnlDesEstandar"), QStringLiteral("Descripción Estándar"));
    PnlDesEstandar->setStyleSheet(
        PnlDesEstandar->styleSheet().replace(QStringLiteral("font-weight: bold;"), QString()));
    for (QLabel *bar : {PnlCiclo, PnlTitEstandar, PnlDesEstandar}) {
        bar->setWordWrap(true);
        v->addWidget(bar);
    }

    PnlFields = new QWidget(page);
    PnlFields->setObjectName(QStringLiteral("PnlFields"));
    auto *g = new QGridLayout(PnlFields);
    g->setContentsMargins(0, 2, 0, 0);
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(4);
    TDataSource *ds = dtsFrm;

    // First row, placed by hand: the area edits sit 6 pixels right of the process date.
    auto *row1 = new QWidget(PnlFields);
    row1->setObjectName(QStringLiteral("PnlFila1"));
    row1->setMinimumHeight(40);
    auto place = [row1](QWidget *w, int x, int y, int width) {
        w->setParent(row1);
        w->setGeometry(x, y, width, y ? 22 : 16);
    };
    DBEdtNUM_ERAL = bound<TDBEdit>(row1, QStringLiteral("DBEdtNUM_ERAL"), ds, QStringLiteral("NUM_ERAL"));
    DBEdtDES_ITEM = bound<TDBEdit>(row1, QStringLiteral("DBEdtDES_ITEM"), ds, QStringLiteral("DES_ITEM"));
    DBEdtFEC_PROC = bound<TDBEdit>(row1, QStringLiteral("DBEdtFEC_PROC"), ds, QStringLiteral("FEC_PROC"));
    LblCOD_AREA = label(row1, QStringLiteral("Area"), QStringLiteral("LblCOD_AREA"));
    DBEdtCOD_AREA = bound<TDBEdit>(row1, QStringLiteral("DBEdtCOD_AREA"), ds, QStringLiteral("COD_AREA"));
    DBEdtNOM_AREA = bound<TDBEdit>(row1, QStringLiteral("DBEdtNOM_AREA"), ds, QStringLiteral("NOM_AREA"));
    for (TDBEdit *e : {DBEdtNUM_ERAL, DBEdtDES_ITEM, DBEdtFEC_PROC, DBEdtCOD_AREA, DBEdtNOM_AREA})
        e->SetReadOnlyControl(true);
    place(label(row1, QStringLiteral("Numeral")), 0, 0, 80);
    place(DBEdtNUM_ERAL, 0, 17, 80);
    place(label(row1, QStringLiteral("Descripción Item")), 88, 0, 300);
    place(DBEdtDES_ITEM, 88, 17, 520);
    place(label(row1, QStringLiteral("Fecha Proceso")), 616, 0, 110);
    place(DBEdtFEC_PROC, 616, 17, 110);
    const int areaLeft = DBEdtFEC_PROC->x() + DBEdtFEC_PROC->width() + 6;
    place(LblCOD_AREA, areaLeft, 0, 60);
    place(DBEdtCOD_AREA, areaLeft, 17, 50);
    place(DBEdtNOM_AREA, areaLeft + 54, 17, 150);
    g->addWidget(row1, 0, 0, 1, 3);

    DBMemMAR_LEGA = bound<TDBMemo>(PnlFields, QStringLiteral("DBMemMAR_LEGA"), ds, QStringLiteral("MAR_LEGA"));
    DBMemTEX_CRIT = bound<TDBMemo>(PnlFields, QStringLiteral("DBMemTEX_CRIT"), ds, QStringLiteral("TEX_CRIT"));
    DBMemTEX_MVER = bound<TDBMemo>(PnlFields, QStringLiteral("DBMemTEX_MVER"), ds, QStringLiteral("TEX_MVER"));
    g->addWidget(labelled(PnlFields, label(PnlFields, QStringLiteral("Marco Legal")), DBMemMAR_LEGA), 1, 0);
    g->addWidget(labelled(PnlFields, label(PnlFields, QStringLiteral("Criterio")), DBMemTEX_CRIT), 1, 1);
    g->addWidget(labelled(PnlFields, label(PnlFields, QStringLiteral("Modo Verificación")), DBMemTEX_MVER), 1, 2);

    DBMemTEX_EVID = bound<TDBMemo>(PnlFields, QStringLiteral("DBMemTEX_EVID"), ds, QStringLiteral("TEX_EVID"));
    g->addWidget(labelled(PnlFields, label(PnlFields, QStringLiteral("Evidencias")), DBMemTEX_EVID), 2, 0, 1, 3);

    DBCmbIND_CUMP = bound<TDBCmbCodigoBox>(PnlFields, QStringLiteral("DBCmbIND_CUMP"), ds, QStringLiteral("IND_CUMP"));
    DBCmbIND_CUMP->SetItems(
        {QStringLiteral("Cumple Totalmente"), QStringLiteral("No Cumple"), QStringLiteral("No Aplica")},
        {QStringLiteral("C"), QStringLiteral("N"), QStringLiteral("X")});
    g->addWidget(labelled(PnlFields, label(PnlFields, QStringLiteral("Indicador Cumplimiento")), DBCmbIND_CUMP), 3, 0);
    DBEdtCOD_RESP = bound<TDBEdit>(PnlFields, QStringLiteral("DBEdtCOD_RESP"), ds, QStringLiteral("COD_RESP"));
    QPFldCOD_RESP = new TQPField(PnlFields, QStringLiteral("QPFldCOD_RESP"));
    QPFldCOD_RESP->Variables = {QStringLiteral("COD_EMPR"), QStringLiteral("COD_TERC")};
    QPFldCOD_RESP->Destino = {QStringLiteral("EMP_ORIG"), QStringLiteral("COD_RESP")};
    QPFldCOD_RESP->Titulo = QStringLiteral(" Lista de Empleados");
    QPFldCOD_RESP->Titulos = {QStringLiteral("Empresa"), QStringLiteral("Identificación"), QStringLiteral("Nombres"),
                              QStringLiteral("Apellidos")};
    QPFldCOD_RESP->Servidor = DCOMCnction;
    auto *resp = new QWidget(PnlFields);
    auto *rh = new QHBoxLayout(resp);
    rh->setContentsMargins(0, 0, 0, 0);
    rh->setSpacing(2);
    DBEdtDtfNmbResp = bound<TDBEdit>(resp, QStringLiteral("DBEdtDtfNmbResp"), ds, QStringLiteral("DtfNmbResp"));
    DBEdtDtfApeResp = bound<TDBEdit>(resp, QStringLiteral("DBEdtDtfApeResp"), ds, QStringLiteral("DtfApeResp"));
    DBEdtCOD_RESP->setParent(resp);
    QPFldCOD_RESP->setParent(resp);
    rh->addWidget(DBEdtCOD_RESP, 2);
    rh->addWidget(QPFldCOD_RESP);
    rh->addWidget(DBEdtDtfNmbResp, 3);
    rh->addWidget(DBEdtDtfApeResp, 3);
    g->addWidget(labelled(PnlFields, label(PnlFields, QStringLiteral("Responsable de Evaluación")), resp), 3, 1, 1, 2);

    GpbAdjuntosBD = new QGroupBox(QStringLiteral("Visualización y/o Cargue Archivos:"), PnlFields);
    GpbAdjuntosBD->setObjectName(QStringLiteral("GpbAdjuntosBD"));
    auto *adj = new QHBoxLayout(GpbAdjuntosBD);
    adj->setContentsMargins(6, 2, 6, 2);
    AdjButton2 = attachmentsButton(GpbAdjuntosBD, QStringLiteral("AdjButton2"), QStringLiteral("SO_MALEG"),
                                   DtmSoMaleg->QrySoMaleg);
    adj->addWidget(AdjButton2);
    adj->addStretch();
    g->addWidget(GpbAdjuntosBD, 4, 0);

    DBEdtFEC_MALE = bound<TDBEdit>(PnlFields, QStringLiteral("DBEdtFEC_MALE"), ds, QStringLiteral("FEC_MALE"));
    QsFEC_MALE = dateButton(PnlFields, QStringLiteral("QsFEC_MALE"), ds, QStringLiteral("FEC_MALE"));
    DBEdit3 = bound<TDBEdit>(PnlFields, QStringLiteral("DBEdit3"), ds, QStringLiteral("FEC_FINC"));
    QsFecha1 = dateButton(PnlFields, QStringLiteral("QsFecha1"), ds, QStringLiteral("FEC_FINC"));
    DBEdtDtfCalificacion =
        bound<TDBEdit>(PnlFields, QStringLiteral("DBEdtDtfCalificacion"), ds, QStringLiteral("DtfCalificacion"));
    DBEdtDtfCalificacion->SetReadOnlyControl(true);
    auto *dates = new QWidget(PnlFields);
    auto *dh = new QHBoxLayout(dates);
    dh->setContentsMargins(0, 0, 0, 0);
    dh->addWidget(labelled(dates, label(dates, QStringLiteral("Fecha Inicial")), DBEdtFEC_MALE, QsFEC_MALE));
    dh->addWidget(labelled(dates, label(dates, QStringLiteral("Fecha Final")), DBEdit3, QsFecha1));
    dh->addWidget(labelled(dates, label(dates, QStringLiteral("Calificación")), DBEdtDtfCalificacion));
    g->addWidget(dates, 4, 1, 1, 2);

    DBMemPLA_ACCI = bound<TDBMemo>(PnlFields, QStringLiteral("DBMemPLA_ACCI"), ds, QStringLiteral("PLA_ACCI"));
    g->addWidget(labelled(PnlFields, label(PnlFields, QStringLiteral("Acción/Objetivo")), DBMemPLA_ACCI), 5, 0, 1, 2);
    LblTEX_JUST = label(PnlFields, QStringLiteral("Justificación"), QStringLiteral("LblTEX_JUST"));
    DBMemTEX_JUST = bound<TDBMemo>(PnlFields, QStringLiteral("DBMemTEX_JUST"), ds, QStringLiteral("TEX_JUST"));
    QWidget *just = labelled(PnlFields, LblTEX_JUST, DBMemTEX_JUST);
    g->addWidget(just, 5, 2);
    // Hidden and disabled from the start; only their enabled state follows the compliance code.
    for (QWidget *w : {static_cast<QWidget *>(LblTEX_JUST), static_cast<QWidget *>(DBMemTEX_JUST)}) {
        w->setVisible(false);
        w->setEnabled(false);
    }
    LblDeshall = label(PnlFields, QStringLiteral("Descripción Hallazgos"), QStringLiteral("LblDeshall"));
    DBMmDesHall = bound<TDBMemo>(PnlFields, QStringLiteral("DBMmDesHall"), ds, QStringLiteral("DES_HALL"));
    g->addWidget(labelled(PnlFields, LblDeshall, DBMmDesHall), 6, 0, 1, 3);
    for (TDBMemo *m : {DBMemMAR_LEGA, DBMemTEX_CRIT, DBMemTEX_MVER})
        m->setMaximumHeight(70);
    for (TDBMemo *m : {DBMemTEX_EVID, DBMemPLA_ACCI, DBMemTEX_JUST, DBMmDesHall})
        m->setMaximumHeight(64);
    v->addWidget(PnlFields, 1);
}

void TFrmSoMaleg::BuildCronograma()
{
    auto *page = TabCronograma;
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(3);
    TDataSource *ds = dtsFrm;
    auto *upper = new QWidget(page);
    auto *g = new QGridLayout(upper);
    g->setContentsMargins(0, 0, 0, 0);
    DBEdit1 = bound<TDBEdit>(upper, QStringLiteral("DBEdit1"), ds, QStringLiteral("COD_ITGE"));
    QPFldCOD_ITGE = new TQPField(upper, QStringLiteral("QPFldCOD_ITGE"));
    QPFldCOD_ITGE->Variables = {QStringLiteral("COD_ITEM")};
    QPFldCOD_ITGE->Destino = {QStringLiteral("COD_ITGE")};
    QPFldCOD_ITGE->Titulo = QStringLiteral(" Lista de Gestiones / Ejes");
    QPFldCOD_ITGE->Titulos = {QStringLiteral("Código"), QStringLiteral("Descripción")};
    QPFldCOD_ITGE->Servidor = DCOMCnction;
    DBEdit2 = bound<TDBEdit>(upper, QStringLiteral("DBEdit2"), ds, QStringLiteral("DtfNmbItge"));
    auto *axis = new QWidget(upper);
    auto *ah = new QHBoxLayout(axis);
    ah->setContentsMargins(0, 0, 0, 0);
    ah->setSpacing(2);
    DBEdit1->setParent(axis);
    QPFldCOD_ITGE->setParent(axis);
    DBEdit2->setParent(axis);
    ah->addWidget(DBEdit1, 1);
    ah->addWidget(QPFldCOD_ITGE);
    ah->addWidget(DBEdit2, 4);
    g->addWidget(labelled(upper, label(upper, QStringLiteral("Gestión / Eje")), axis), 0, 0, 1, 2);
    DBCmbCodigoBox1 = bound<TDBCmbCodigoBox>(upper, QStringLiteral("DBCmbCodigoBox1"), ds, QStringLiteral("TIP_ACTI"));
    DBCmbCodigoBox1->SetItems({QStringLiteral("N- Acción Mejora"), QStringLiteral("C- Acción Correctiva"),
                               QStringLiteral("P- Acción Preventiva"), QStringLiteral("O- Otra")},
                              {QStringLiteral("N"), QStringLiteral("C"), QStringLiteral("P"), QStringLiteral("O")});
    g->addWidget(labelled(upper, label(upper, QStringLiteral("Tipo Actividad ")), DBCmbCodigoBox1), 1, 0);
    DBEdit4 = bound<TDBEdit>(upper, QStringLiteral("DBEdit4"), ds, QStringLiteral("VAL_PRES"));
    g->addWidget(labelled(upper, label(upper, QStringLiteral("Presupuesto")), DBEdit4), 1, 1);
    DBRadioGroup1 = bound<TDBRadioGroup>(upper, QStringLiteral("DBRadioGroup1"), ds, QStringLiteral("EST_CONT"));
    DBRadioGroup1->setTitle(QStringLiteral("Estado"));
    DBRadioGroup1->SetItems({QStringLiteral("P- Programado"), QStringLiteral("S- En proceso"),
                             QStringLiteral("E- Ejecutado"), QStringLiteral("C- Cancelado"),
                             QStringLiteral("R- Rechazado"), QStringLiteral("A- Aprobado"),
                             QStringLiteral("Z- Aplazado")},
                            {QStringLiteral("P"), QStringLiteral("S"), QStringLiteral("E"), QStringLiteral("C"),
                             QStringLiteral("R"), QStringLiteral("A"), QStringLiteral("Z")},
                            4);
    g->addWidget(DBRadioGroup1, 0, 2, 2, 1);
    g->setColumnStretch(2, 1);
    v->addWidget(upper);

    Panel1 = titleBar(page, QStringLiteral("Panel1"), QStringLiteral("Plan de Acción, Seguimiento y Monitoreo"));
    v->addWidget(Panel1);
    TDataSource *semon = DtmSoMaleg->DtsSoSemon;
    DBGSoSemon = new TTolvaneDBgrid(page, QStringLiteral("DBGSoSemon"));
    DBGSoSemon->ExportTitle = QStringLiteral("Seguimiento y monitoreo");
    DBGSoSemon->SetColumns({
        TColumn{QStringLiteral("COD_RESP"), 90, QString(), cbsEllipsis},
        TColumn{QStringLiteral("DtfNomResponsable"), 200},
        TColumn{QStringLiteral("DtfApeResponsable"), 200},
        TColumn{QStringLiteral("FEC_SEGU"), 110, QString(), cbsEllipsis},
        TColumn{QStringLiteral("FEC_CUMP"), 0, QString(), cbsEllipsis},
        TColumn{QStringLiteral("SEG_MIEN"), 300},
        TColumn{QStringLiteral("TEX_SEGU"), 400, QString(), cbsEllipsis},
        TColumn{QStringLiteral("NUM_ERAL"), 71},
        TColumn{QStringLiteral("PLA_ACCI"), 704, QString(), cbsEllipsis},
        TColumn{QStringLiteral("TIP_ACTI"),
                121,
                QString(),
                cbsAuto,
                {QStringLiteral("N - Acción Mejora"), QStringLiteral("C - Acción Correctiva"),
                 QStringLiteral("P - Acción Preventiva"), QStringLiteral("O - Otra")}},
        TColumn{QStringLiteral("FEC_INIC"), 64, QString(), cbsEllipsis},
        TColumn{QStringLiteral("FEC_FINA"), 64, QString(), cbsEllipsis},
        TColumn{QStringLiteral("EST_ADOS"),
                110,
                QString(),
                cbsAuto,
                {QStringLiteral("P - Programado"), QStringLiteral("S - En Proceso"), QStringLiteral("E - Ejecutado"),
                 QStringLiteral("C - Cancelado"), QStringLiteral("R - Rechazado"), QStringLiteral("A - Aprobado"),
                 QStringLiteral("Z - Aplazado")}},
    });
    DBGSoSemon->SetDataSource(semon);
    // The navigator above its grid: in sight at the window's default size whatever the page's height.
    QNavegador1 = new TQNavegador(page, QStringLiteral("QNavegador1"));
    QNavegador1->SetVisibleButtons(nbFirst | nbPrior | nbNext | nbLast | nbInsert | nbDelete | nbEdit | nbPost |
                                   nbCancel);
    QNavegador1->ConfirmDelete = false;
    QNavegador1->SetDataSource(semon);
    v->addWidget(QNavegador1, 0, Qt::AlignLeft);
    v->addWidget(DBGSoSemon, 1);

    // Invisible helpers of the grid's cell buttons.
    QPFCodResp = new TQPField(page, QStringLiteral("QPFCodResp"));
    QPFCodResp->Variables = {QStringLiteral("COD_TERC")};
    QPFCodResp->Destino = {QStringLiteral("COD_RESP")};
    QPFCodResp->Titulo = QStringLiteral(" Lista de Valores ");
    QPFCodResp->Titulos = {QStringLiteral("Identificación"), QStringLiteral("Nombres"), QStringLiteral("Apellidos")};
    QPFCodResp->Servidor = DCOMCnction;
    QsFecSegu = dateButton(page, QStringLiteral("QsFecSegu"), semon, QStringLiteral("FEC_SEGU"));
    QsFecCump = dateButton(page, QStringLiteral("QsFecCump"), semon, QStringLiteral("FEC_CUMP"));
    QsFecInic = dateButton(page, QStringLiteral("QsFecInic"), semon, QStringLiteral("FEC_INIC"));
    QsFecFina = dateButton(page, QStringLiteral("QsFecFina"), semon, QStringLiteral("FEC_FINA"));
    for (QWidget *w :
         {static_cast<QWidget *>(QPFCodResp), static_cast<QWidget *>(QsFecSegu), static_cast<QWidget *>(QsFecCump),
          static_cast<QWidget *>(QsFecInic), static_cast<QWidget *>(QsFecFina)})
        w->setVisible(false);
}

void TFrmSoMaleg::BuildPlanAnual()
{
    auto *page = TabSheet1;
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(4, 4, 4, 4);
    v->setSpacing(3);
    TDataSource *plass = DtmSoMaleg->DtsSoPlass;
    static const char16_t *const kMonths[] = {u"ENE", u"FEB", u"MAR", u"ABR", u"MAY", u"JUN",
                                              u"JUL", u"AGO", u"SEP", u"OCT", u"NOV", u"DIC"};
    static const char16_t *const kMonthNames[] = {u"Enero",      u"Febrero", u"Marzo",    u"Abril",
                                                  u"Mayo",       u"Junio",   u"Julio",    u"Agosto",
                                                  u"Septiembre", u"Octubre", u"Noviembe", u"Diciembre"};

    dbgrdSoPlass = new TTolvaneDBgrid(page, QStringLiteral("dbgrdSoPlass"));
    dbgrdSoPlass->ExportTitle = QStringLiteral("Plan anual");
    QList<TColumn> columns{TColumn{QStringLiteral("OPC_CICL")}, TColumn{QStringLiteral("ACT_ASGS"), 260}};
    // Each pair of flags under its month's name: "Enero" over "Programado" and "Ejecutado".
    for (int i = 0; i < 12; ++i) {
        QString month = QLocale(QLocale::Spanish).standaloneMonthName(i + 1);
        month[0] = month[0].toUpper();
        columns << TColumn{QString::fromUtf16(kMonths[i]) + QStringLiteral("_PLAN"), 70,
                           month + QStringLiteral("\nProgramado")}
                << TColumn{QString::fromUtf16(kMonths[i]) + QStringLiteral("_EJEC"), 70,
                           month + QStringLiteral("\nEjecutado")};
    }
    columns << TColumn{QStringLiteral("RES_PONS"), 200} << TColumn{QStringLiteral("REC_URSO")}
            << TColumn{QStringLiteral("OBS_VACI"), 200} << TColumn{QStringLiteral("CUM_META")};
    dbgrdSoPlass->SetColumns(columns);
    dbgrdSoPlass->SetDataSource(plass);
    v->addWidget(dbgrdSoPlass, 1);

    pnl2 = new QWidget(page);
    pnl2->setObjectName(QStringLiteral("pnl2"));
    auto *d = new QVBoxLayout(pnl2);
    d->setContentsMargins(0, 0, 0, 0);
    d->setSpacing(3);
    auto split = [this](QWidget *parent, const QString &panelName, const QString &splitterName, const QString &leftName,
                        const QString &rightName, QLabel *leftLabel, QWidget *left, QLabel *rightLabel, QWidget *right,
                        QWidget *&leftPanel, QWidget *&rightPanel) {
        auto *panel = new QWidget(parent);
        panel->setObjectName(panelName);
        auto *h = new QHBoxLayout(panel);
        h->setContentsMargins(0, 0, 0, 0);
        auto *splitter = new QSplitter(Qt::Horizontal, panel);
        splitter->setObjectName(splitterName);
        h->addWidget(splitter);
        leftPanel = labelled(splitter, leftLabel, left);
        leftPanel->setObjectName(leftName);
        rightPanel = labelled(splitter, rightLabel, right);
        rightPanel->setObjectName(rightName);
        splitter->addWidget(leftPanel);
        splitter->addWidget(rightPanel);
        panel->installEventFilter(this);
        return std::pair{panel, splitter};
    };
    dbmmoOBJ_ASGS = bound<TDBMemo>(pnl2, QStringLiteral("dbmmoOBJ_ASGS"), dtsFrm, QStringLiteral("OBJ_ASGS"));
    dbmmoOBJ_ASGS->MaxLength = 255;
    dbmmoMET_ASGS = bound<TDBMemo>(pnl2, QStringLiteral("dbmmoMET_ASGS"), dtsFrm, QStringLiteral("MET_ASGS"));
    std::tie(pnl3, spl1) = split(pnl2, QStringLiteral("pnl3"), QStringLiteral("spl1"), QStringLiteral("pnl4"),
                                 QStringLiteral("pnl5"), label(pnl2, QStringLiteral("Objetivo")), dbmmoOBJ_ASGS,
                                 label(pnl2, QStringLiteral("Meta")), dbmmoMET_ASGS, pnl4, pnl5);
    d->addWidget(pnl3);

    auto *options = new QWidget(pnl2);
    auto *oh = new QHBoxLayout(options);
    oh->setContentsMargins(0, 0, 0, 0);
    DBRGOPCCICL = bound<TDBRadioGroup>(options, QStringLiteral("DBRGOPCCICL"), plass, QStringLiteral("OPC_CICL"));
    DBRGOPCCICL->setTitle(QStringLiteral("Opciones de ciclo "));
    DBRGOPCCICL->SetItems({QStringLiteral("P-Planear"), QStringLiteral("H-Hacer"), QStringLiteral("A-Actuar"),
                           QStringLiteral("V-Verificar")},
                          {QStringLiteral("P"), QStringLiteral("H"), QStringLiteral("A"), QStringLiteral("V")}, 2);
    DBRadioGroup26 = bound<TDBRadioGroup>(options, QStringLiteral("DBRadioGroup26"), plass, QStringLiteral("REC_URSO"));
    DBRadioGroup26->setTitle(QStringLiteral("Recursos"));
    DBRadioGroup26->SetItems({QStringLiteral("A-Administrativos"), QStringLiteral("F-Financieros")},
                             {QStringLiteral("A"), QStringLiteral("F")});
    dbedtCUM_META = bound<TDBEdit>(options, QStringLiteral("dbedtCUM_META"), plass, QStringLiteral("CUM_META"));
    dbmmoRES_PONS = bound<TDBMemo>(options, QStringLiteral("dbmmoRES_PONS"), plass, QStringLiteral("RES_PONS"));
    dbmmoRES_PONS->setMaximumHeight(54);
    oh->addWidget(DBRGOPCCICL);
    oh->addWidget(DBRadioGroup26);
    oh->addWidget(labelled(options, label(options, QStringLiteral("Cumplimiento Meta")), dbedtCUM_META));
    oh->addWidget(labelled(options, label(options, QStringLiteral("Responsables")), dbmmoRES_PONS), 1);
    d->addWidget(options);

    dbmmoACT_ASGS = bound<TDBMemo>(pnl2, QStringLiteral("dbmmoACT_ASGS"), plass, QStringLiteral("ACT_ASGS"));
    dbmmoOBS_VACI = bound<TDBMemo>(pnl2, QStringLiteral("dbmmoOBS_VACI"), plass, QStringLiteral("OBS_VACI"));
    std::tie(pnl14, spl2) = split(pnl2, QStringLiteral("pnl14"), QStringLiteral("spl2"), QStringLiteral("pnl15"),
                                  QStringLiteral("pnl16"), label(pnl2, QStringLiteral("Actividad")), dbmmoACT_ASGS,
                                  label(pnl2, QStringLiteral("Observaciones")), dbmmoOBS_VACI, pnl15, pnl16);
    for (TDBMemo *m : {dbmmoOBJ_ASGS, dbmmoMET_ASGS, dbmmoACT_ASGS, dbmmoOBS_VACI})
        m->setMaximumHeight(54);
    d->addWidget(pnl14);

    pnl17 = titleBar(pnl2, QStringLiteral("pnl17"), QStringLiteral("Calendario"));
    d->addWidget(pnl17);
    auto *calendar = new QWidget(pnl2);
    auto *cg = new QGridLayout(calendar);
    cg->setContentsMargins(0, 0, 0, 0);
    cg->setSpacing(3);
    const QStringList yesNo{QStringLiteral("Si"), QStringLiteral("No")};
    const QStringList sn{QStringLiteral("S"), QStringLiteral("N")};
    for (int i = 0; i < 12; ++i) {
        const QString month = QString::fromUtf16(kMonths[i]);
        auto *box = new QGroupBox(QString::fromUtf16(kMonthNames[i]), calendar);
        box->setObjectName(QStringLiteral("Gpb") + month);
        auto *bh = new QHBoxLayout(box);
        bh->setContentsMargins(4, 2, 4, 2);
        auto *planned = bound<TDBRadioGroup>(box, QStringLiteral("DBRG") + month + QStringLiteral("_PLAN"), plass,
                                             month + QStringLiteral("_PLAN"));
        planned->setTitle(QStringLiteral("Planeado"));
        planned->SetItems(yesNo, sn, 2);
        auto *executed = bound<TDBRadioGroup>(box, QStringLiteral("DBRG") + month + QStringLiteral("_EJEC"), plass,
                                              month + QStringLiteral("_EJEC"));
        executed->setTitle(QStringLiteral("Ejecutado"));
        executed->SetItems(yesNo, sn, 2);
        bh->addWidget(planned);
        bh->addWidget(executed);
        MesesPlaneado << planned;
        MesesEjecutado << executed;
        cg->addWidget(box, i / 4, i % 4);
    }
    d->addWidget(calendar);
    d->addStretch();
    v->addWidget(pnl2, 1);

    pnl1 = new QWidget(page);
    pnl1->setObjectName(QStringLiteral("pnl1"));
    auto *bottom = new QHBoxLayout(pnl1);
    bottom->setContentsMargins(0, 0, 0, 0);
    AdjButton1 =
        attachmentsButton(pnl1, QStringLiteral("AdjButton1"), QStringLiteral("SO_PLASS"), DtmSoMaleg->QrySoPlass);
    btnSoPlass = new QToolButton(pnl1);
    btnSoPlass->setObjectName(QStringLiteral("btnSoPlass"));
    btnSoPlass->setText(QStringLiteral("▦"));
    btnSoPlass->setToolTip(QStringLiteral("Cambiar entre la cuadrícula y el detalle"));
    QNVSoPlass = new TQNavegador(pnl1, QStringLiteral("QNVSoPlass"));
    QNVSoPlass->SetVisibleButtons(nbFirst | nbPrior | nbNext | nbLast | nbInsert | nbDelete | nbEdit | nbPost |
                                  nbCancel);
    QNVSoPlass->SetDataSource(plass);
    bottom->addWidget(AdjButton1);
    bottom->addWidget(btnSoPlass);
    bottom->addWidget(QNVSoPlass, 1);
    // The activities' navigator heads the page: the calendar makes the page taller than the window.
    v->insertWidget(0, pnl1);
}
