#include "TfrmFormaMaestro.h"

#include "Globals.h"
#include "ReconcileDialog.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TPrompts.h"
#include "TSqlText.h"
#include "controls/TDBEdit.h"
#include "controls/TGridExport.h"
#include "controls/TQNavegador.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQsCmbCodigo.h"
#include "controls/TTolvaneDBgrid.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"
#include "dataset/TFieldFormat.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString kDateFilter = QStringLiteral("filtro-fecha");
const QString kCompany = QStringLiteral("empresa");
const QString kParameters = QStringLiteral("parametros");

// The condition the parameter string carries ("AND <condition>", gStParHpv) as a standing condition
// of its own: the query by example joins its conditions with AND itself, so the leading AND goes,
// and the rest is parenthesised so that an OR inside it cannot reach past the company condition.
// Blank: no condition.
QString parameterCondition(const QString &text)
{
    static const QRegularExpression leadingAnd(QStringLiteral("^\\s*AND\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = leadingAnd.match(TSqlText(text, TSqlText::TDialect::Either).Code());
    const QString condition = text.mid(m.hasMatch() ? m.capturedEnd() : 0).trimmed();
    return condition.isEmpty() ? QString() : QLatin1Char('(') + condition + QLatin1Char(')');
}

QToolButton *menuButton(QWidget *parent, const QString &name, const QString &text, const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

QWidget *panel(QWidget *parent, const QString &name)
{
    auto *w = new QWidget(parent);
    w->setObjectName(name);
    return w;
}
} // namespace

TfrmFormaMaestro::TfrmFormaMaestro(QObject *owner, const QString &name, QWidget *parent) : TForm(owner, name, parent)
{
    InstallReconcileDialog();
    DCOMCnction = new SDCOMConnection(this, QStringLiteral("DCOMCnction"));
    dtsFrm = new TDataSource(this, QStringLiteral("dtsFrm"));
    CdsGnEmpre = new SClientDataSet(this, QStringLiteral("CdsGnEmpre"));
    CdsGnEmpre->ProviderName = QStringLiteral("DtsPGnEmpre");
    CdsGnEmpre->RemoteServer = DCOMCnction;
    CdsGnEmpre->ReadOnly = true;
    DtsGnEmpre = new TDataSource(this, QStringLiteral("DtsGnEmpre"));
    DtsGnEmpre->SetDataSet(CdsGnEmpre);
    BuildFrame();
}

TfrmFormaMaestro::~TfrmFormaMaestro()
{
    // Controls go before the datasets they show.
    delete PnlFrmPrncpal;
    PnlFrmPrncpal = nullptr;
}

void TfrmFormaMaestro::BuildFrame()
{
    m_frameLayout = new QVBoxLayout(this);
    m_frameLayout->setContentsMargins(0, 0, 0, 0);
    m_frameLayout->setSpacing(0);

    MMnFrm = new QMenuBar(this);
    MMnFrm->setObjectName(QStringLiteral("MMnFrm"));
    Archivo1 = MMnFrm->addMenu(QStringLiteral("&Archivo"));
    Archivo1->setObjectName(QStringLiteral("Archivo1"));
    Imprimir1 = Archivo1->addAction(QStringLiteral("&Imprimir..."));
    Imprimir1->setObjectName(QStringLiteral("Imprimir1"));
    Imprimir3 = Archivo1->addAction(QStringLiteral("&Vista preliminar..."));
    Imprimir3->setObjectName(QStringLiteral("Imprimir3"));
    // The grid the user is working in (the list when none has the focus) as an Excel workbook.
    QAction *exportar = Archivo1->addAction(QStringLiteral("E&xportar a Excel…"));
    exportar->setObjectName(QStringLiteral("ExportarExcel1"));
    connect(exportar, &QAction::triggered, this, [this] {
        TTolvaneDBgrid *grid = DBGFrm;
        for (QWidget *w = QApplication::focusWidget(); w && isAncestorOf(w); w = w->parentWidget())
            if (auto *focused = qobject_cast<TTolvaneDBgrid *>(w)) {
                grid = focused;
                break;
            }
        Application()->Guard([grid] { TGridExport::ExportAsking(*grid); });
    });
    m_frameLayout->setMenuBar(MMnFrm);

    GridPanel1 = panel(this, QStringLiteral("GridPanel1"));
    QPalette strip = GridPanel1->palette();
    strip.setColor(QPalette::Window, QColor(0x1f, 0x4e, 0x79));
    strip.setColor(QPalette::WindowText, Qt::white);
    GridPanel1->setPalette(strip);
    GridPanel1->setAutoFillBackground(true);
    auto *top = new QHBoxLayout(GridPanel1);
    top->setContentsMargins(6, 4, 6, 4);
    PnlTolvane = new QLabel(GridPanel1);
    PnlTolvane->setObjectName(QStringLiteral("PnlTolvane"));
    ImgTolvane = new QLabel(QStringLiteral("◆ Tolvane"), PnlTolvane);
    ImgTolvane->setObjectName(QStringLiteral("ImgTolvane"));
    ImgTolvane->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 15px;"));
    auto *logo = new QHBoxLayout(PnlTolvane);
    logo->setContentsMargins(0, 0, 12, 0);
    logo->addWidget(ImgTolvane);
    PnlTolvane->setMinimumWidth(110);
    top->addWidget(PnlTolvane);
    auto *companyLabel = new QLabel(QStringLiteral("Empresa:"), GridPanel1);
    top->addWidget(companyLabel);
    cmbEmpresa = new TQsCmbCodigo(GridPanel1, QStringLiteral("cmbEmpresa"));
    cmbEmpresa->setMinimumWidth(260);
    top->addWidget(cmbEmpresa);

    PnlMenu = panel(GridPanel1, QStringLiteral("PnlMenu"));
    QPalette light = QApplication::palette();
    light.setColor(QPalette::Window, QColor(0xf3, 0xf3, 0xf3));
    light.setColor(QPalette::WindowText, Qt::black);
    light.setColor(QPalette::ButtonText, Qt::black);
    light.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xa0, 0xa0, 0xa0));
    light.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xa0, 0xa0, 0xa0));
    PnlMenu->setPalette(light);
    PnlMenu->setAutoFillBackground(true);
    auto *menu = new QHBoxLayout(PnlMenu);
    menu->setContentsMargins(4, 2, 4, 2);
    menu->setSpacing(2);
    spbReporte =
        menuButton(PnlMenu, QStringLiteral("spbReporte"), QStringLiteral("Imprimir"), QStringLiteral("Imprimir"));
    spbPreview = menuButton(PnlMenu, QStringLiteral("spbPreview"), QStringLiteral("Vista previa"),
                            QStringLiteral("Vista preliminar"));
    DBQbe1 = new TQSDBQbe(PnlMenu, QStringLiteral("DBQbe1"));
    DBQbe1->setAutoRaise(true);
    SpFiltroFecha = menuButton(PnlMenu, QStringLiteral("SpFiltroFecha"), QStringLiteral("Fechas"),
                               QStringLiteral("Filtrar por fecha de operación"));
    NotasTolvane =
        menuButton(PnlMenu, QStringLiteral("NotasTolvane"), QStringLiteral("Notas"), QStringLiteral("Notas"));
    NotasTolvane->setEnabled(false);
    spbGrabar = menuButton(PnlMenu, QStringLiteral("spbGrabar"), QStringLiteral("Guardar"),
                           QStringLiteral("Guardar los cambios (Ctrl+S)"));
    QNvgdrFrm = new TQNavegador(PnlMenu, QStringLiteral("QNvgdrFrm"));
    QNvgdrFrm->SetDataSource(dtsFrm);
    for (QWidget *w :
         {static_cast<QWidget *>(spbReporte), static_cast<QWidget *>(spbPreview), static_cast<QWidget *>(DBQbe1),
          static_cast<QWidget *>(SpFiltroFecha), static_cast<QWidget *>(NotasTolvane),
          static_cast<QWidget *>(QNvgdrFrm), static_cast<QWidget *>(spbGrabar)})
        menu->addWidget(w);
    top->addWidget(PnlMenu, 1);
    m_frameLayout->addWidget(GridPanel1);

    PnlFrmPrncpal = panel(this, QStringLiteral("PnlFrmPrncpal"));
    auto *main = new QVBoxLayout(PnlFrmPrncpal);
    main->setContentsMargins(0, 0, 0, 0);
    Panel2 = panel(PnlFrmPrncpal, QStringLiteral("Panel2"));
    auto *inner = new QVBoxLayout(Panel2);
    inner->setContentsMargins(0, 0, 0, 0);
    inner->setSpacing(0);
    PnlGrdFrm = new QSplitter(Qt::Vertical, Panel2);
    PnlGrdFrm->setObjectName(QStringLiteral("PnlGrdFrm"));
    DBGFrm = new TTolvaneDBgrid(PnlGrdFrm, QStringLiteral("DBGFrm"));
    DBGFrm->SetDataSource(dtsFrm);
    ScBFrm = new QScrollArea(PnlGrdFrm);
    ScBFrm->setObjectName(QStringLiteral("ScBFrm"));
    ScBFrm->setWidgetResizable(true);
    ScBFrm->setFrameShape(QFrame::NoFrame);
    PnlGrdFrm->addWidget(DBGFrm);
    PnlGrdFrm->addWidget(ScBFrm);
    PnlGrdFrm->setStretchFactor(0, 1);
    PnlGrdFrm->setStretchFactor(1, 3);
    PnlGrdFrm->setSizes({170, 480});
    inner->addWidget(PnlGrdFrm, 1);

    pnlAuditor = panel(Panel2, QStringLiteral("pnlAuditor"));
    auto *audit = new QHBoxLayout(pnlAuditor);
    audit->setContentsMargins(6, 2, 6, 2);
    Label14 = new QLabel(QStringLiteral("Usuario:"), pnlAuditor);
    Label14->setObjectName(QStringLiteral("Label14"));
    DBEUsuario = new TDBEdit(pnlAuditor, QStringLiteral("DBEUsuario"));
    DBEUsuario->SetReadOnlyControl(true);
    DBEUsuario->SetDataSource(dtsFrm);
    DBEUsuario->SetDataField(QStringLiteral("ACT_USUA"));
    DBEUsuario->setMaximumWidth(110);
    Label16 = new QLabel(QStringLiteral("Fecha:"), pnlAuditor);
    Label16->setObjectName(QStringLiteral("Label16"));
    DBEFecha = new TDBEdit(pnlAuditor, QStringLiteral("DBEFecha"));
    DBEFecha->SetReadOnlyControl(true);
    DBEFecha->SetDataSource(dtsFrm);
    DBEFecha->SetDataField(QStringLiteral("ACT_HORA"));
    DBEFecha->setMaximumWidth(170);
    audit->addWidget(Label14);
    audit->addWidget(DBEUsuario);
    audit->addSpacing(12);
    audit->addWidget(Label16);
    audit->addWidget(DBEFecha);
    audit->addStretch();
    inner->addWidget(pnlAuditor);
    main->addWidget(Panel2, 1);
    PnlStatus = new QLabel(PnlFrmPrncpal);
    PnlStatus->setObjectName(QStringLiteral("PnlStatus"));
    PnlStatus->setContentsMargins(6, 2, 6, 2);
    PnlStatus->setStyleSheet(QStringLiteral("background: #e4e4e4; color: #333;"));
    // The user's query-by-example criteria in force, with the way to drop them.
    PnlFiltro = new QWidget(PnlFrmPrncpal);
    PnlFiltro->setObjectName(QStringLiteral("PnlFiltro"));
    PnlFiltro->setStyleSheet(QStringLiteral("background: #fff4c2; color: #333;"));
    auto *filter = new QHBoxLayout(PnlFiltro);
    filter->setContentsMargins(6, 1, 2, 1);
    LblFiltro = new QLabel(PnlFiltro);
    LblFiltro->setObjectName(QStringLiteral("LblFiltro"));
    BtnQuitarFiltro = new QToolButton(PnlFiltro);
    BtnQuitarFiltro->setObjectName(QStringLiteral("BtnQuitarFiltro"));
    BtnQuitarFiltro->setText(QStringLiteral("Quitar filtro"));
    BtnQuitarFiltro->setAutoRaise(true);
    filter->addWidget(LblFiltro, 1);
    filter->addWidget(BtnQuitarFiltro);
    PnlFiltro->hide();
    main->addWidget(PnlFiltro);
    main->addWidget(PnlStatus);
    m_frameLayout->addWidget(PnlFrmPrncpal, 1);
    connect(DBQbe1, &TQSDBQbe::CriteriaChanged, this, [this] {
        const QString text = DBQbe1->FilterText();
        LblFiltro->setText(QStringLiteral("Filtro: ") + text);
        LblFiltro->setToolTip(LblFiltro->text());
        PnlFiltro->setVisible(!text.isEmpty());
    });
    connect(BtnQuitarFiltro, &QToolButton::clicked, this, [this] {
        Application()->Guard([&] {
            if (ConfirmarCambios(true))
                DBQbe1->QuitarFiltro();
        });
    });

    BuildShortcuts();

    connect(cmbEmpresa, qOverload<int>(&QComboBox::activated), this, [this](int) {
        Application()->Guard([&] {
            if (ConfirmarCambios(true)) {
                cmbEmpresaChange(cmbEmpresa);
                return;
            }
            // The work stays on the company it belongs to.
            cmbEmpresa->SetCodigo(QString::number(Application()->Tag));
        });
    });
    connect(SpFiltroFecha, &QToolButton::clicked, this,
            [this] { Application()->Guard([&] { SpFiltroFechaClick(SpFiltroFecha); }); });
    connect(spbGrabar, &QToolButton::clicked, this, [this] { Application()->Guard([&] { Grabar(); }); });
    QNvgdrFrm->AfterAction = [this](TNavigateBtn button) {
        if (button == nbPost || button == nbDelete)
            Grabar();
    };
    connect(dtsFrm, &TDataSource::stateChanged, this, &TfrmFormaMaestro::UpdateStatus);
    connect(dtsFrm, &TDataSource::dataSetChanged, this, &TfrmFormaMaestro::UpdateStatus);
    UpdateStatus();
}

// The keyboard's way to what the strip's buttons do, listed in the File menu with their keys; the
// buttons' tooltips name the keys too.
void TfrmFormaMaestro::BuildShortcuts()
{
    // Each key is also named in the tooltip of the button that does the same.
    const auto named = [](QWidget *button, const QKeySequence &keys) {
        button->setToolTip(QStringLiteral("%1 (%2)").arg(button->toolTip(), keys.toString(QKeySequence::NativeText)));
    };
    auto add = [this, named](const QString &name, const QString &text, const QKeySequence &keys, QWidget *button,
                             const std::function<void()> &action) {
        QAction *a = Archivo1->addAction(text);
        a->setObjectName(name);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [action] { Application()->Guard(action); });
        if (button)
            named(button, keys);
        return a;
    };
    Imprimir3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    named(spbPreview, Imprimir3->shortcut());
    Archivo1->addSeparator();
    add(QStringLiteral("Grabar1"), QStringLiteral("&Guardar"), QKeySequence::Save, spbGrabar, [this] { Grabar(); });
    add(QStringLiteral("Siguiente1"), QStringLiteral("Registro &siguiente"), QKeySequence(Qt::CTRL | Qt::Key_PageDown),
        QNvgdrFrm->Button(nbNext), [this] { QNvgdrFrm->BtnClick(nbNext); });
    add(QStringLiteral("Anterior1"), QStringLiteral("Registro &anterior"), QKeySequence(Qt::CTRL | Qt::Key_PageUp),
        QNvgdrFrm->Button(nbPrior), [this] { QNvgdrFrm->BtnClick(nbPrior); });
    add(QStringLiteral("Consulta1"), QStringLiteral("&Consulta por ejemplo..."), QKeySequence(Qt::CTRL | Qt::Key_F),
        DBQbe1, [this] { DBQbe1->click(); });
    // Esc drops what is being typed in the evaluation, a follow-up row or a plan activity; the
    // changes already posted stay until saved or discarded on leaving.
    add(QStringLiteral("Cancelar1"), QStringLiteral("Ca&ncelar edición"), QKeySequence(Qt::Key_Escape),
        QNvgdrFrm->Button(nbCancel), [this] {
            for (SClientDataSet *ds : DataSetsGuardados())
                if (ds && (ds->State() == dsEdit || ds->State() == dsInsert))
                    ds->Cancel();
        });
    // From the list into the detail view: Enter or F2 goes to CampoDetalle, else to the view's first
    // control that takes the Tab key; Tab leaves the list instead of walking its cells.
    DBGFrm->setTabKeyNavigation(false);
    for (const QKeySequence &keys :
         {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_F2)}) {
        auto *toDetail = new QShortcut(keys, DBGFrm, nullptr, nullptr, Qt::WidgetShortcut);
        connect(toDetail, &QShortcut::activated, this, [this] {
            if (CampoDetalle && CampoDetalle->isVisible() && CampoDetalle->isEnabled()) {
                CampoDetalle->setFocus(Qt::TabFocusReason);
                return;
            }
            for (QWidget *w = DBGFrm->nextInFocusChain(); w && w != DBGFrm; w = w->nextInFocusChain())
                if (ScBFrm->isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
                    w->setFocus(Qt::TabFocusReason);
                    return;
                }
        });
    }
    Archivo1->addSeparator();
    // Closes the window that holds the form: the host's, when the form is embedded in it.
    add(QStringLiteral("Salir1"), QStringLiteral("Sa&lir"), QKeySequence(), nullptr, [this] { window()->close(); });
}

void TfrmFormaMaestro::FormCreate(QObject *)
{
    DBQbe1->SetDataset(dtsFrm->DataSet());
    if (!DCOMCnction->TransportAvailable())
        return; // no application server to reach (a host without transports): the form stays empty
    CdsGnEmpre->Close();
    CdsGnEmpre->Open();
    cmbEmpresa->Clear();
    for (CdsGnEmpre->First(); !CdsGnEmpre->Eof(); CdsGnEmpre->Next())
        cmbEmpresa->Add(QStringLiteral("%1 - %2").arg(CdsGnEmpre->FieldByName(QStringLiteral("COD_EMPR"))->AsString(),
                                                      CdsGnEmpre->FieldByName(QStringLiteral("NOM_EMPR"))->AsString()),
                        CdsGnEmpre->FieldByName(QStringLiteral("COD_EMPR"))->AsString());
    if (cmbEmpresa->count() == 0)
        throw Exception(QStringLiteral("El usuario %1 no tiene empresas asignadas.").arg(gStParUsu));
    if (!cmbEmpresa->SetCodigo(gStParEmp.trimmed()))
        cmbEmpresa->setCurrentIndex(0);
    cmbEmpresaChange(cmbEmpresa);
}

int TfrmFormaMaestro::EmpresaSeleccionada() const
{
    bool ok = false;
    const int code = cmbEmpresa->Codigo().toInt(&ok);
    return ok ? code : -1;
}

QString TfrmFormaMaestro::MainAlias() const
{
    auto *ds = DBQbe1->Dataset();
    if (!ds || ds->SMainTable.isEmpty())
        return QString();
    const QRegularExpression re(QStringLiteral("\\b%1\\s+(\\w+)").arg(QRegularExpression::escape(ds->SMainTable)),
                                QRegularExpression::CaseInsensitiveOption);
    // Matched on the statement's structure: a table name in a literal or a comment is not the table.
    const QRegularExpressionMatch m = re.match(TSqlText(DBQbe1->BaseSQL(), TSqlText::TDialect::Either).Code());
    if (!m.hasMatch() || m.captured(1).compare(QStringLiteral("WHERE"), Qt::CaseInsensitive) == 0)
        return QString();
    return m.captured(1) + QLatin1Char('.');
}

void TfrmFormaMaestro::cmbEmpresaChange(QObject *)
{
    const int code = EmpresaSeleccionada();
    if (code < 0)
        return;
    Application()->Tag = code;
    if (CdsGnEmpre->Active())
        CdsGnEmpre->Locate(QStringLiteral("COD_EMPR"), code);
    if (!DBQbe1->Dataset())
        return;
    if (DBQbe1->BaseSQL().isEmpty())
        DBQbe1->Inicializar(gBoUsuaAudi);
    DBQbe1->SetCondition(kCompany, QStringLiteral("%1COD_EMPR = %2").arg(MainAlias()).arg(code));
    DBQbe1->SetCondition(kParameters, parameterCondition(gStParHpv));
    DBQbe1->Reopen();
}

void TfrmFormaMaestro::SpFiltroFechaClick(QObject *)
{
    auto *ds = DBQbe1->Dataset();
    if (!ds || DBQbe1->BaseSQL().isEmpty())
        return;
    QDate from = QDate::currentDate().addMonths(-1), to = QDate::currentDate();
    // An invalid start date ("Quitar filtro") removes the filter.
    if (!Application()->Prompts().PickDateRange(QStringLiteral("Filtro por fecha de operación"), from, to, this))
        return;
    if (!from.isValid()) {
        DBQbe1->SetCondition(kDateFilter, QString());
        DBQbe1->ParamValues.remove(QStringLiteral("PDT_ACT_HORA_INIC"));
        DBQbe1->ParamValues.remove(QStringLiteral("PDT_ACT_HORA_FINA"));
    } else {
        if (to < from)
            throw Exception(
                QStringLiteral("La fecha final (%1) es anterior a la inicial (%2).")
                    .arg(to.toString(TFieldFormat::ShortDateFormat()), from.toString(TFieldFormat::ShortDateFormat())));
        DBQbe1->SetCondition(
            kDateFilter,
            QStringLiteral("%1ACT_HORA BETWEEN :PDT_ACT_HORA_INIC AND :PDT_ACT_HORA_FINA").arg(MainAlias()));
        DBQbe1->ParamValues.insert(QStringLiteral("PDT_ACT_HORA_INIC"), QDateTime(from, QTime(0, 0)));
        DBQbe1->ParamValues.insert(QStringLiteral("PDT_ACT_HORA_FINA"), QDateTime(to, QTime(23, 59, 59, 999)));
    }
    DBQbe1->Reopen();
}

int TfrmFormaMaestro::Grabar()
{
    auto *ds = qobject_cast<SClientDataSet *>(dtsFrm->DataSet());
    if (!ds || !ds->Active())
        return 0;
    if (ds->State() == dsEdit || ds->State() == dsInsert)
        ds->Post();
    if (ds->ChangeCount() == 0)
        return 0;
    // All or nothing: a refused row keeps every change in the log for the user to decide on.
    const int errors = ds->ApplyUpdates(0);
    UpdateStatus();
    return errors;
}

void TfrmFormaMaestro::CambiarTamano(int width, int height)
{
    resize(width, height);
}

void TfrmFormaMaestro::CambiarAltura(int height)
{
    resize(width(), height);
}

void TfrmFormaMaestro::QvAsignarRptPreview(QObject *&report, int)
{
    m_rptPreview = report;
}

void TfrmFormaMaestro::UpdateStatus()
{
    if (!PnlStatus)
        return;
    TDataSet *ds = dtsFrm->DataSet();
    const TDataSetState state = dtsFrm->State();
    QString text;
    if (!ds || state == dsInactive) {
        text = QStringLiteral("Sin datos");
    } else {
        const QString mode = state == dsEdit     ? QStringLiteral("Modificando")
                             : state == dsInsert ? QStringLiteral("Insertando")
                                                 : QStringLiteral("Consultando");
        text = ds->IsEmpty()
                   ? QStringLiteral("%1 · sin registros").arg(mode)
                   : QStringLiteral("%1 · registro %2 de %3").arg(mode).arg(ds->RecNo()).arg(ds->RecordCount());
        if (const auto *cds = qobject_cast<SClientDataSet *>(ds); cds && cds->ChangeCount() > 0)
            text += QStringLiteral(" · %1 cambio(s) sin guardar").arg(cds->ChangeCount());
    }
    PnlStatus->setText(text);
}

QList<SClientDataSet *> TfrmFormaMaestro::DataSetsGuardados() const
{
    auto *ds = qobject_cast<SClientDataSet *>(dtsFrm->DataSet());
    return ds ? QList<SClientDataSet *>{ds} : QList<SClientDataSet *>{};
}

bool TfrmFormaMaestro::CambiosPendientes() const
{
    for (const SClientDataSet *ds : DataSetsGuardados())
        if (ds->Active() && (ds->State() == dsEdit || ds->State() == dsInsert || ds->ChangeCount() > 0))
            return true;
    return false;
}

bool TfrmFormaMaestro::GuardarTodo()
{
    try {
        for (SClientDataSet *ds : DataSetsGuardados()) {
            if (!ds->Active())
                continue;
            if (ds->State() == dsEdit || ds->State() == dsInsert)
                ds->Post();
            // A detail dataset may have applied its rows on posting.
            if (ds->ChangeCount() > 0 && ds->ApplyUpdates(0) > 0)
                return false;
        }
    } catch (...) {
        Application()->HandleException(std::current_exception());
        return false;
    }
    UpdateStatus();
    return !CambiosPendientes();
}

void TfrmFormaMaestro::DescartarTodo()
{
    for (SClientDataSet *ds : DataSetsGuardados()) {
        if (!ds->Active())
            continue;
        if (ds->State() == dsEdit || ds->State() == dsInsert)
            ds->Cancel();
        if (ds->ChangeCount() > 0)
            ds->CancelUpdates();
    }
    UpdateStatus();
}

bool TfrmFormaMaestro::ConfirmarCambios(bool cancelable)
{
    if (!CambiosPendientes())
        return true;
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (cancelable)
        buttons |= QMessageBox::Cancel;
    const QMessageBox::StandardButton answer = Application()->Prompts().Question(
        QStringLiteral("¿Desea guardar los cambios?"), buttons, QMessageBox::Yes, this);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes && GuardarTodo())
        return true;
    if (answer == QMessageBox::Yes && cancelable)
        return false;
    DescartarTodo();
    return true;
}

void TfrmFormaMaestro::closeEvent(QCloseEvent *event)
{
    if (!ConfirmarCambios(true)) {
        event->ignore();
        return;
    }
    TForm::closeEvent(event);
}
