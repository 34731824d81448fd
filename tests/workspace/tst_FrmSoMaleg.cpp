// The main window as a safety officer meets it: its controls, the company change, the detail
// pages, the memo editor, the cell buttons, the date filter and saving.

#include "FakeAppServer.h"
#include "Globals.h"
#include "SDCOMConnection.h"
#include "TApplication.h"
#include "TCaptura.h"
#include "TDtmReportes.h"
#include "TDtmSoMaleg.h"
#include "TFrmMemo.h"
#include "TFrmSoMaleg.h"
#include "controls/TDBCmbCodigoBox.h"
#include "controls/TDBEdit.h"
#include "controls/TDBGridModel.h"
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

#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

namespace {

// A provider table shaped like a dataset's persistent data fields.
FakeAppServer::Table tableLike(TDataSet *ds, const QString &keyField = QString())
{
    FakeAppServer::Table t;
    for (TField *f : ds->Fields()) {
        if (f->Calculated())
            continue;
        SFieldDef def{f->FieldName(), f->DataType(), f->Size(), false};
        def.InKey = f->FieldName() == keyField;
        t.Fields << def;
    }
    return t;
}

QVariantList rowOf(const FakeAppServer::Table &t, const QVariantMap &values)
{
    QVariantList row;
    for (const SFieldDef &f : t.Fields)
        row << values.value(f.Name);
    return row;
}

QVariant param(const QList<SParam> &params, const QString &name)
{
    for (const SParam &p : params)
        if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
            return p.Value;
    return QVariant();
}

} // namespace

class tst_FrmSoMaleg : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeAppServer> server;

    void buildServer()
    {
        server = std::make_shared<FakeAppServer>();
        FakeAppServer::Table companies;
        companies.Fields = {SFieldDef{QStringLiteral("COD_EMPR"), TFieldType::ftSmallint},
                            SFieldDef{QStringLiteral("NOM_EMPR"), TFieldType::ftString, 60},
                            SFieldDef{QStringLiteral("NIT_EMPR"), TFieldType::ftString, 20},
                            SFieldDef{QStringLiteral("PAI_EMPR"), TFieldType::ftSmallint},
                            SFieldDef{QStringLiteral("GRU_EMPR"), TFieldType::ftFixedChar, 1},
                            SFieldDef{QStringLiteral("COD_DIFL"), TFieldType::ftSmallint}};
        companies.Rows = {{1, QStringLiteral("Metalmecánica Andina"), QStringLiteral("900"), 57, QStringLiteral("S"), QVariant()},
                          {2, QStringLiteral("Servicios del Valle"), QStringLiteral("800"), 57, QStringLiteral("N"), QVariant()}};
        server->Tables.insert(QStringLiteral("DtsPGnEmpre"), companies);

        FakeAppServer::Table temporal;
        temporal.Fields = {companies.Fields.at(3), companies.Fields.at(5)};
        temporal.Rows = {{57, QVariant(), 1}, {57, QVariant(), 2}};
        temporal.Fields << SFieldDef{QStringLiteral("COD_EMPR"), TFieldType::ftSmallint};
        temporal.Filter = [](const QVariantList &row, const QList<SParam> &params) {
            return row.at(2) == param(params, QStringLiteral("PSMCOD_EMPR"));
        };
        server->Tables.insert(QStringLiteral("DtsPTemporal"), temporal);

        FakeAppServer::Table flags;
        flags.Fields = {SFieldDef{QStringLiteral("VAL_VARI"), TFieldType::ftString, 20},
                        SFieldDef{QStringLiteral("TIP_DATO"), TFieldType::ftFixedChar, 1},
                        SFieldDef{QStringLiteral("COD_VARI"), TFieldType::ftString, 10},
                        SFieldDef{QStringLiteral("COD_EMPR"), TFieldType::ftSmallint}};
        flags.Rows = {{QStringLiteral(" S "), QStringLiteral("C"), QStringLiteral("Q0000133"), 1},
                      {QStringLiteral("S"), QStringLiteral("C"), QStringLiteral("Q0000008"), 1}};
        flags.Filter = [](const QVariantList &row, const QList<SParam> &params) {
            return row.at(2) == param(params, QStringLiteral("PCODVARI")) &&
                   row.at(3) == param(params, QStringLiteral("PCODEMPR"));
        };
        server->Tables.insert(QStringLiteral("DtsPGnDigif"), flags);

        FakeAppServer::Table parameters = tableLike(DtmSoMaleg->QrySoParam);
        parameters.Rows = {rowOf(parameters, {{QStringLiteral("COD_EMPR"), 1}, {QStringLiteral("MAN_AREA"), QStringLiteral("S")}}),
                           rowOf(parameters, {{QStringLiteral("COD_EMPR"), 2}, {QStringLiteral("MAN_AREA"), QStringLiteral("N")}})};
        const int companyColumn = int(std::find_if(parameters.Fields.cbegin(), parameters.Fields.cend(),
                                                   [](const SFieldDef &f) { return f.Name == QStringLiteral("COD_EMPR"); }) -
                                      parameters.Fields.cbegin());
        parameters.Filter = [companyColumn](const QVariantList &row, const QList<SParam> &params) {
            return row.at(companyColumn) == param(params, QStringLiteral("P_COD_EMPR"));
        };
        server->Tables.insert(QStringLiteral("DtsPSoParam"), parameters);

        FakeAppServer::Table records = tableLike(DtmSoMaleg->QrySoMaleg, QStringLiteral("RMT_ITES"));
        for (int item = 1; item <= 2; ++item)
            records.Rows << rowOf(records, {{QStringLiteral("COD_EMPR"), 1},
                                            {QStringLiteral("FEC_PROC"), QDateTime(QDate(2026, 1, 15), QTime(0, 0))},
                                            {QStringLiteral("RMT_PAMA"), 1}, {QStringLiteral("COD_CICL"), 1},
                                            {QStringLiteral("RMT_DEPA"), 1}, {QStringLiteral("DES_ESTA"), QStringLiteral("RECURSOS")},
                                            {QStringLiteral("RMT_ESTA"), 1}, {QStringLiteral("DES_ESTA_1"), QStringLiteral("Recursos financieros")},
                                            {QStringLiteral("RMT_ITES"), item},
                                            {QStringLiteral("NUM_ERAL"), QStringLiteral("1.1.%1").arg(item)},
                                            {QStringLiteral("DES_ITEM"), QStringLiteral("Ítem %1").arg(item)},
                                            {QStringLiteral("VAL_ITEM"), 0.5}, {QStringLiteral("COD_AREA"), 1},
                                            {QStringLiteral("NOM_AREA"), QStringLiteral("Planta")},
                                            {QStringLiteral("ACT_USUA"), QStringLiteral("demo")},
                                            {QStringLiteral("ACT_HORA"), QDateTime(QDate(2026, 1, 15), QTime(8, 0))},
                                            {QStringLiteral("ACT_ESTA"), QStringLiteral("A")}});
        server->Tables.insert(QStringLiteral("DtsPSoMaleg"), records);

        FakeAppServer::Table semon = tableLike(DtmSoMaleg->QrySoSemon, QStringLiteral("RMT_SEMO"));
        semon.Rows << rowOf(semon, {{QStringLiteral("COD_EMPR"), 1}, {QStringLiteral("RMT_SEMO"), 7},
                                    {QStringLiteral("TEX_SEGU"), QStringLiteral("Revisar extintores")},
                                    {QStringLiteral("PLA_ACCI"), QStringLiteral("Plan inicial")}});
        server->Tables.insert(QStringLiteral("DtsPSoSemon"), semon);
        server->Tables.insert(QStringLiteral("DtsPSoPlass"), tableLike(DtmSoMaleg->QrySoPlass));
        // Names are looked up and the per-cycle plans reopened on every change of record: the other
        // providers answer with no rows.
        for (SClientDataSet *ds : DtmSoMaleg->findChildren<SClientDataSet *>())
            if (!ds->ProviderName.isEmpty() && !server->Tables.contains(ds->ProviderName))
                server->Tables.insert(ds->ProviderName, tableLike(ds));
        gStCodiUsua = QStringLiteral("prueba");
        server->Methods.insert(QStringLiteral("BuscarFechaServidor"), [](QVariantList &) {
            return QVariant(QDateTime(QDate(2026, 1, 20), QTime(9, 30)));
        });
    }

    TFrmSoMaleg *form() { return FrmSoMaleg; }

private slots:
    void init()
    {
        // As the module's load does: data modules first, then the windows.
        gStProtocolo = QStringLiteral("prueba");
        gStParEmp = QStringLiteral("1");
        TApplication *app = Application();
        DtmSoMaleg = new TDtmSoMaleg(app);
        DtmReportes = new TDtmReportes(app);
        buildServer();
        auto shared = server;
        SDCOMConnection::RegisterTransport(QStringLiteral("prueba"),
                                           [shared](const SDCOMConnection &) { return shared; });
        FrmSoMaleg = new TFrmSoMaleg(app);
        FrmMemo = new TFrmMemo(app);
        Captura = new TCaptura(app);
    }
    void cleanup()
    {
        TFrmMemo::ExecuteHook = nullptr;
        TCaptura::ModalHook = nullptr;
        Application()->DestroyComponents();
        FrmSoMaleg = nullptr;
        FrmMemo = nullptr;
        Captura = nullptr;
        DtmReportes = nullptr;
        DtmSoMaleg = nullptr;
    }

    void controls_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("field");
        const char *rows[][3] = {
            {"DBEdtNUM_ERAL", "dtsFrm", "NUM_ERAL"},          {"DBEdtDES_ITEM", "dtsFrm", "DES_ITEM"},
            {"DBEdtFEC_PROC", "dtsFrm", "FEC_PROC"},          {"DBEdtCOD_AREA", "dtsFrm", "COD_AREA"},
            {"DBEdtNOM_AREA", "dtsFrm", "NOM_AREA"},          {"DBMemMAR_LEGA", "dtsFrm", "MAR_LEGA"},
            {"DBMemTEX_CRIT", "dtsFrm", "TEX_CRIT"},          {"DBMemTEX_MVER", "dtsFrm", "TEX_MVER"},
            {"DBMemTEX_EVID", "dtsFrm", "TEX_EVID"},          {"DBCmbIND_CUMP", "dtsFrm", "IND_CUMP"},
            {"DBEdtCOD_RESP", "dtsFrm", "COD_RESP"},          {"DBEdtDtfNmbResp", "dtsFrm", "DtfNmbResp"},
            {"DBEdtDtfApeResp", "dtsFrm", "DtfApeResp"},      {"DBEdtFEC_MALE", "dtsFrm", "FEC_MALE"},
            {"DBEdit3", "dtsFrm", "FEC_FINC"},                {"DBEdtDtfCalificacion", "dtsFrm", "DtfCalificacion"},
            {"DBMemPLA_ACCI", "dtsFrm", "PLA_ACCI"},          {"DBMemTEX_JUST", "dtsFrm", "TEX_JUST"},
            {"DBMmDesHall", "dtsFrm", "DES_HALL"},            {"DBEdit1", "dtsFrm", "COD_ITGE"},
            {"DBEdit2", "dtsFrm", "DtfNmbItge"},              {"DBCmbCodigoBox1", "dtsFrm", "TIP_ACTI"},
            {"DBRadioGroup1", "dtsFrm", "EST_CONT"},          {"DBEdit4", "dtsFrm", "VAL_PRES"},
            {"dbmmoOBJ_ASGS", "dtsFrm", "OBJ_ASGS"},          {"dbmmoMET_ASGS", "dtsFrm", "MET_ASGS"},
            {"DBRGOPCCICL", "DtsSoPlass", "OPC_CICL"},        {"DBRadioGroup26", "DtsSoPlass", "REC_URSO"},
            {"dbedtCUM_META", "DtsSoPlass", "CUM_META"},      {"dbmmoRES_PONS", "DtsSoPlass", "RES_PONS"},
            {"dbmmoACT_ASGS", "DtsSoPlass", "ACT_ASGS"},      {"dbmmoOBS_VACI", "DtsSoPlass", "OBS_VACI"},
            {"DBRGENE_PLAN", "DtsSoPlass", "ENE_PLAN"},       {"DBRGDIC_EJEC", "DtsSoPlass", "DIC_EJEC"},
        };
        for (const auto &r : rows)
            QTest::newRow(r[0]) << QString::fromLatin1(r[0]) << QString::fromLatin1(r[1]) << QString::fromLatin1(r[2]);
    }
    void controls()
    {
        QFETCH(QString, control);
        QFETCH(QString, source);
        QFETCH(QString, field);
        QWidget *w = form()->findChild<QWidget *>(control);
        QVERIFY2(w, qPrintable(control));
        TDataSource *ds = nullptr;
        QString boundField;
        if (auto *e = qobject_cast<TDBEdit *>(w))
            ds = e->DataSource(), boundField = e->DataField();
        else if (auto *m = qobject_cast<TDBMemo *>(w))
            ds = m->DataSource(), boundField = m->DataField();
        else if (auto *c = qobject_cast<TDBCmbCodigoBox *>(w))
            ds = c->DataSource(), boundField = c->DataField();
        else if (auto *g = qobject_cast<TDBRadioGroup *>(w))
            ds = g->DataSource(), boundField = g->DataField();
        QVERIFY(ds);
        QCOMPARE(ds->objectName(), source);
        QCOMPARE(boundField, field);
    }

    void initialState()
    {
        TFrmSoMaleg *f = form();
        QCOMPARE(f->pgcPlanAnual->currentIndex(), 0);
        QCOMPARE(f->pgcPlanAnual->tabText(0), QStringLiteral("Estándares Mínimos"));
        QCOMPARE(f->pgcPlanAnual->tabText(1), QStringLiteral("Cronograma"));
        QCOMPARE(f->pgcPlanAnual->tabText(2), QStringLiteral("Plan Anual SGSST"));
        QVERIFY(f->dbgrdSoPlass->isHidden());
        QVERIFY(!f->pnl2->isHidden());
        QVERIFY(!f->QNvgdrFrm->VisibleButtons().testFlag(nbInsert));
        QVERIFY(f->QNavegador1->VisibleButtons().testFlag(nbInsert));
        QVERIFY(f->QNVSoPlass->VisibleButtons().testFlag(nbInsert));
        QVERIFY(!f->QNavegador1->ConfirmDelete);
        QVERIFY(f->DBMemTEX_JUST->isHidden() && !f->DBMemTEX_JUST->isEnabled());
        QCOMPARE(f->DBGFrm->GridModel()->columnCount(), 30);
        QCOMPARE(f->DBGFrm->GridModel()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Nombre Ciclo"));
        QCOMPARE(f->DBGSoSemon->GridModel()->columnCount(), 13);
        QCOMPARE(f->MesesPlaneado.size(), 12);
        QCOMPARE(f->size(), QSize(1011, 752));
        // The form opened on the start-up company, through the query by example.
        QCOMPARE(Application()->Tag, 1);
        QVERIFY(DtmSoMaleg->QrySoMaleg->Active());
        QCOMPARE(DtmSoMaleg->QrySoMaleg->RecordCount(), 2);
        QCOMPARE(f->DBEdtNUM_ERAL->text(), QStringLiteral("1.1.1"));
    }

    void companyChange_data()
    {
        QTest::addColumn<int>("company");
        QTest::addColumn<bool>("areas");
        QTest::addColumn<bool>("cronograma");
        QTest::addColumn<QStringList>("choices");
        QTest::newRow("manages areas, both flags on")
            << 1 << true << true
            << QStringList{QStringLiteral("Cumple Totalmente"), QStringLiteral("Cumple Parcialmente"),
                           QStringLiteral("No Cumple"), QStringLiteral("No Aplica")};
        QTest::newRow("no areas, no flags")
            << 2 << false << false
            << QStringList{QStringLiteral("Cumple Totalmente"), QStringLiteral("No Cumple"), QStringLiteral("No Aplica")};
    }
    void companyChange()
    {
        QFETCH(int, company);
        QFETCH(bool, areas);
        QFETCH(bool, cronograma);
        QFETCH(QStringList, choices);
        TFrmSoMaleg *f = form();
        // Switch away and back, so nothing of the other company lingers.
        for (int c : {3 - company, company}) {
            f->cmbEmpresa->SetCodigo(QString::number(c));
            f->cmbEmpresaChange(f->cmbEmpresa);
        }
        QCOMPARE(Application()->Tag, company);
        QCOMPARE(f->ManejaAreas(), areas);
        QCOMPARE(!f->LblCOD_AREA->isHidden(), areas);
        QCOMPARE(!f->DBEdtCOD_AREA->isHidden(), areas);
        QCOMPARE(f->DBEdtCOD_AREA->x(), f->DBEdtFEC_PROC->x() + f->DBEdtFEC_PROC->width() + 6);
        QCOMPARE(f->DBQbe1->Campos.contains(QStringLiteral("COD_AREA")), !areas);
        QCOMPARE(f->DBQbe1->Campos.count(QStringLiteral("NOM_AREA")), areas ? 0 : 1);
        QCOMPARE(f->pgcPlanAnual->isTabVisible(1), cronograma);
        QCOMPARE(f->CumpleParcial(), cronograma);
        QCOMPARE(!f->DBMmDesHall->isHidden(), cronograma);
        QCOMPARE(f->DBCmbIND_CUMP->Items(), choices);
        QVERIFY(DtmSoMaleg->QrySoMaleg->Active());
        QVERIFY(DtmSoMaleg->QrySoMaleg->CommandText().endsWith(
            QStringLiteral("MA.COD_AREA = AR.COD_AREA AND MA.COD_EMPR = %1\r\n").arg(company)));
        // The evaluation query itself is restored on every change.
        QVERIFY(f->SqlBaseMaleg().startsWith(QStringLiteral("SELECT MA.ACT_USUA, MA.ACT_HORA,")));
        QVERIFY(f->SqlBaseMaleg().endsWith(QStringLiteral("  AND MA.COD_AREA = AR.COD_AREA\r\n")));
    }

    void dateFilterAddsItsParameters()
    {
        TFrmSoMaleg *f = form();
        f->PedirRangoFechas = [](QDate &from, QDate &to) {
            from = QDate(2026, 2, 1);
            to = QDate(2026, 2, 28);
            return true;
        };
        f->SpFiltroFechaClick(f->SpFiltroFecha);
        QVERIFY(server->CommandTextByProvider.value(QStringLiteral("DtsPSoMaleg")).contains(
            QStringLiteral("AND MA.ACT_HORA BETWEEN :PDT_ACT_HORA_INIC AND :PDT_ACT_HORA_FINA")));
        QCOMPARE(param(server->ParamsByProvider.value(QStringLiteral("DtsPSoMaleg")), QStringLiteral("PDT_ACT_HORA_INIC")).toDateTime(),
                 QDateTime(QDate(2026, 2, 1), QTime(0, 0)));
        QCOMPARE(param(server->ParamsByProvider.value(QStringLiteral("DtsPSoMaleg")), QStringLiteral("PDT_ACT_HORA_FINA")).toDateTime().date(), QDate(2026, 2, 28));
        f->PedirRangoFechas = [](QDate &from, QDate &) {
            from = QDate();
            return true;
        };
        f->SpFiltroFechaClick(f->SpFiltroFecha);
        QVERIFY(!server->CommandTextByProvider.value(QStringLiteral("DtsPSoMaleg")).contains(QStringLiteral("ACT_HORA BETWEEN")));
    }

    void planViewsSwitch()
    {
        TFrmSoMaleg *f = form();
        f->btnSoPlass->click();
        QVERIFY(!f->dbgrdSoPlass->isHidden());
        QVERIFY(f->pnl2->isHidden());
        f->btnSoPlass->click();
        QVERIFY(f->dbgrdSoPlass->isHidden());
        QVERIFY(!f->pnl2->isHidden());
    }

    void halvesTieToEven_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("left");
        QTest::newRow("even") << 400 << 200;
        QTest::newRow("x.5 to even below") << 401 << 200;
        QTest::newRow("x.5 to even above") << 403 << 202;
    }
    void halvesTieToEven()
    {
        QFETCH(int, width);
        QFETCH(int, left);
        TFrmSoMaleg *f = form();
        f->show();
        f->pgcPlanAnual->setCurrentIndex(2);
        f->pnl3->resize(width, 80);
        f->pnl3Resize(f->pnl3);
        // The splitter's handle is taken from the right half.
        QCOMPARE(f->spl1->sizes().value(0), left);
        QCOMPARE(f->spl1->sizes().value(1), width - left - f->spl1->handleWidth());
    }

    void memoEditor_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("changed");
        QTest::newRow("closed with the window button") << int(TFrmMemo::mrCancel) << QStringLiteral("otro") << false;
        QTest::newRow("accepted without change") << int(TFrmMemo::mrOk) << QString() << false;
        QTest::newRow("accepted with a new text") << int(TFrmMemo::mrOk) << QStringLiteral("Revisar y recargar") << true;
    }
    void memoEditor()
    {
        QFETCH(int, result);
        QFETCH(QString, typed);
        QFETCH(bool, changed);
        SClientDataSet *semon = DtmSoMaleg->QrySoSemon;
        semon->Open();
        TFrmMemo::ExecuteHook = [&](TFrmMemo &dialog) {
            if (!typed.isEmpty())
                dialog.Memo->setPlainText(typed);
            return result;
        };
        TFrmSoMaleg *f = form();
        f->DBGSoSemon->setCurrentIndex(f->DBGSoSemon->GridModel()->index(0, 6)); // TEX_SEGU
        f->DBGSoSemonEditButtonClick(f->DBGSoSemon);
        QCOMPARE(FrmMemo->Caption(), QStringLiteral("Plan de Acción, Seguimiento y Monitoreo"));
        QCOMPARE(semon->State(), changed ? dsEdit : dsBrowse);
        QCOMPARE(semon->FieldByName(QStringLiteral("TEX_SEGU"))->AsString(),
                 changed ? typed : QStringLiteral("Revisar extintores"));
    }

    void dateCellButtonsOpenOnlyTheirPicker_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("picker");
        QTest::newRow("FEC_SEGU") << 3 << QStringLiteral("QsFecSegu");
        QTest::newRow("FEC_CUMP") << 4 << QStringLiteral("QsFecCump");
        QTest::newRow("FEC_INIC") << 10 << QStringLiteral("QsFecInic");
        QTest::newRow("FEC_FINA") << 11 << QStringLiteral("QsFecFina");
    }
    void dateCellButtonsOpenOnlyTheirPicker()
    {
        QFETCH(int, column);
        QFETCH(QString, picker);
        TFrmSoMaleg *f = form();
        DtmSoMaleg->QrySoSemon->Open();
        QStringList opened;
        for (TQsFecha *b : {f->QsFecSegu, f->QsFecCump, f->QsFecInic, f->QsFecFina})
            b->PickDate = [&opened, b](const QDate &) {
                opened << b->objectName();
                return QDate(2026, 6, 30);
            };
        f->DBGSoSemon->setCurrentIndex(f->DBGSoSemon->GridModel()->index(0, column));
        f->DBGSoSemonEditButtonClick(f->DBGSoSemon);
        QCOMPARE(opened, QStringList{picker});
        QCOMPARE(DtmSoMaleg->QrySoSemon->State(), dsEdit);
        QCOMPARE(DtmSoMaleg->QrySoSemon->FieldByName(f->DBGSoSemon->SelectedField()->FieldName())->AsDateTime().date(),
                 QDate(2026, 6, 30));
    }

    void lookupWhileBrowsingDoesNothing()
    {
        TFrmSoMaleg *f = form();
        int shown = 0;
        TCaptura::ModalHook = [&](TCaptura &) { ++shown; };
        f->QPFldCOD_RESP->Click();
        QCOMPARE(shown, 0);
        QVERIFY(f->QPFldCOD_RESP->SQL.isEmpty());
    }

    void lookupSql_data()
    {
        QTest::addColumn<int>("company");
        QTest::addColumn<QStringList>("sql");
        QTest::newRow("company of a group lists every company")
            << 1 << QStringList{QStringLiteral("SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC FROM GN_TERCE")};
        QTest::newRow("company on its own")
            << 2 << QStringList{QStringLiteral("SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC FROM GN_TERCE"),
                                QStringLiteral(" WHERE COD_EMPR = 2")};
    }
    void lookupSql()
    {
        QFETCH(int, company);
        QFETCH(QStringList, sql);
        TFrmSoMaleg *f = form();
        f->cmbEmpresa->SetCodigo(QString::number(company));
        f->cmbEmpresaChange(f->cmbEmpresa);
        f->QPFldCOD_RESPAssignSQL(f->QPFldCOD_RESP);
        QCOMPARE(f->QPFldCOD_RESP->SQL, sql);
        f->QPFldCOD_ITGEAssignSQL(f->QPFldCOD_ITGE);
        QCOMPARE(f->QPFldCOD_ITGE->SQL, QStringList{QStringLiteral(" SELECT COD_ITEM, DES_ITEM  FROM GN_DITEM  WHERE COD_EMPR = %1   AND TIP_ITEM = 5").arg(company)});
        f->QPFCodRespAssignSQL(f->QPFCodResp);
        QCOMPARE(f->QPFCodResp->SQL, QStringList{QStringLiteral(" SELECT COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE  WHERE COD_EMPR = %1").arg(company)});
    }

    void saveAppliesAndReconciles()
    {
        TFrmSoMaleg *f = form();
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        q->Edit();
        q->FieldByName(QStringLiteral("TEX_EVID"))->SetAsString(QStringLiteral("Acta 12 de 2026"));
        QCOMPARE(f->Grabar(), 0);
        QCOMPARE(q->ChangeCount(), 0);
        QCOMPARE(server->Tables[QStringLiteral("DtsPSoMaleg")].Rows.at(0).contains(QStringLiteral("Acta 12 de 2026")), true);

        // Refused by the server: the user is told why and decides; here the change is kept.
        server->RefuseKeys.insert(QStringLiteral("2"), QStringLiteral("El registro está bloqueado por otro usuario."));
        QStringList told;
        const auto previousHook = SClientDataSet::ReconcileErrorHook;
        SClientDataSet::ReconcileErrorHook = [&told](TDataSet &, const EReconcileError &E, TUpdateKind, TReconcileAction &a) {
            told << E.Message();
            a = raSkip;
        };
        q->Next();
        q->Edit();
        q->FieldByName(QStringLiteral("TEX_EVID"))->SetAsString(QStringLiteral("Acta 13"));
        // Rated "No Cumple", but the save is refused: no follow-up row is opened for it.
        q->FieldByName(QStringLiteral("IND_CUMP"))->SetAsString(QStringLiteral("N"));
        const int followUps = server->Tables[QStringLiteral("DtsPSoSemon")].Rows.size();
        f->Grabar();
        QCOMPARE(server->Tables[QStringLiteral("DtsPSoSemon")].Rows.size(), followUps);
        QCOMPARE(DtmSoMaleg->QrySoSemon->ChangeCount(), 0);
        SClientDataSet::ReconcileErrorHook = previousHook;
        QCOMPARE(told, QStringList{QStringLiteral("El registro está bloqueado por otro usuario.")});
        QCOMPARE(q->ChangeCount(), 1);
        QCOMPARE(q->FieldByName(QStringLiteral("TEX_EVID"))->AsString(), QStringLiteral("Acta 13"));
    }
};

QTEST_MAIN(tst_FrmSoMaleg)
#include "tst_FrmSoMaleg.moc"
