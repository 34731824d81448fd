// The main window as a safety officer meets it: its controls, the company change, the detail
// pages, the memo editor, the cell buttons, the date filter and saving.

#include "ReportWorld.h"
#include "controls/TDBCmbCodigoBox.h"
#include "controls/TDBEdit.h"
#include "controls/TDBGridModel.h"
#include "controls/TDBMemo.h"
#include "controls/TQNavegador.h"
#include "controls/TQbeDialog.h"
#include "controls/TTolvaneDBgrid.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_FrmSoMaleg : public QObject
{
    Q_OBJECT

    // The window works on its own copy of the demonstration database; world->server records what
    // it asks, `prompts` answers its dialogs (with nothing scripted they are cancelled).
    std::unique_ptr<ReportWorld> world;
    ScriptedPrompts *prompts = nullptr;

    TFrmSoMaleg *form() { return FrmSoMaleg; }

    // Moves to item 1.1.1 of area 1, the record with the follow-up row "Revisar extintores".
    static bool toFirstItem()
    {
        return DtmSoMaleg->QrySoMaleg->Locate(QStringLiteral("RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES;COD_AREA"),
                                              QVariantList{1, 1, 1, 1, 1}, {}) &&
               DtmSoMaleg->QrySoSemon->RecordCount() == 1;
    }

private slots:
    void init()
    {
        // The first record (item 1.1.1, area 1) gets one follow-up row.
        world = std::make_unique<ReportWorld>(false, [](EmbeddedDatabase &db) {
            const QVariant day = TDatabase::ToDb(EmbeddedDatabase::ProcessDate());
            db.Exec(
                u"INSERT INTO SO_SEMON (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, RMT_SEMO, FEC_PROC, RMT_PAMA,"
                " RMT_DEPA, RMT_ESTA, RMT_ITES, COD_AREA, FEC_SEGU, COD_RESP, TEX_SEGU, PLA_ACCI) VALUES ('demo', ?,"
                " 'A', 1, 7000, ?, 1, 1, 1, 1, 1, ?, 0, 'Revisar extintores', 'Plan inicial')"_s,
                {day, day, day});
        });
        prompts = world->prompts;
    }
    void cleanup() { world.reset(); }

    void initialState()
    {
        TFrmSoMaleg *f = form();
        QCOMPARE(f->pgcPlanAnual->currentIndex(), 0);
        QVERIFY(f->dbgrdSoPlass->isHidden());
        QVERIFY(!f->pnl2->isHidden());
        QVERIFY(f->DBMemTEX_JUST->isHidden() && !f->DBMemTEX_JUST->isEnabled());
        // The form opened on the start-up company, through the query by example.
        QCOMPARE(Application()->Tag, 1);
        QVERIFY(DtmSoMaleg->QrySoMaleg->Active());
        QCOMPARE(DtmSoMaleg->QrySoMaleg->RecordCount(), 120);
        QCOMPARE(f->DBEdtNUM_ERAL->text(), QStringLiteral("1.1.1"));
        // The company list carries what the reports' page header prints.
        QCOMPARE(f->cmbEmpresa->count(), 2);
        SClientDataSet *companies = f->CdsGnEmpre;
        QCOMPARE(companies->FieldByName(u"COD_EMPR"_s)->AsInteger(), 1);
        QCOMPARE(companies->FieldByName(u"INI_EMPR"_s)->DisplayText(), u"IAV"_s);
        QCOMPARE(companies->FieldByName(u"NIT_EMPR"_s)->DisplayText(), u"900123456"_s);
        QVERIFY(companies->FieldByName(u"BMP_REPO"_s)->Value().toByteArray().startsWith("\x89PNG\r\n\x1a\n"));
    }

    // Without the mouse: Enter or F2 on the list goes to the rating, Tab leaves the list from any
    // column, Ctrl+PgDn and Ctrl+PgUp move between records, and the File menu and the buttons'
    // tooltips name every key, with "Salir" last in the menu.
    void keyboardPath()
    {
        TFrmSoMaleg *f = form();
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        const auto inRating = [f] {
            QWidget *w = QApplication::focusWidget();
            return w && (w == f->DBCmbIND_CUMP || f->DBCmbIND_CUMP->isAncestorOf(w));
        };
        for (const Qt::Key key : {Qt::Key_F2, Qt::Key_Return}) {
            f->DBGFrm->setFocus();
            f->DBGFrm->setCurrentIndex(f->DBGFrm->GridModel()->index(0, f->DBGFrm->GridModel()->columnCount() - 1));
            QTest::keyClick(f->DBGFrm, Qt::Key_Tab);
            QVERIFY(!f->DBGFrm->hasFocus());
            f->DBGFrm->setFocus();
            QTest::keyClick(f->DBGFrm, key);
            QVERIFY(inRating());
        }
        QWidget *detail = QApplication::focusWidget();
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        QCOMPARE(q->RecNo(), 1);
        QTest::keyClick(detail, Qt::Key_PageDown, Qt::ControlModifier);
        QTest::keyClick(detail, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(q->RecNo(), 3);
        QTest::keyClick(detail, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(q->RecNo(), 2);
        // Esc drops the edit being typed.
        const QString before = q->FieldByName(u"TEX_EVID"_s)->AsString();
        q->Edit();
        q->FieldByName(u"TEX_EVID"_s)->SetAsString(u"escrito por error"_s);
        QTest::keyClick(detail, Qt::Key_Escape);
        QCOMPARE(q->State(), dsBrowse);
        QCOMPARE(q->FieldByName(u"TEX_EVID"_s)->AsString(), before);
        QStringList menu;
        for (const QAction *a : f->Archivo1->actions())
            if (!a->isSeparator())
                menu << a->text() + QLatin1Char(' ') + a->shortcut().toString();
        QCOMPARE(menu, (QStringList{u"&Imprimir... "_s, u"&Vista preliminar... Ctrl+P"_s, u"E&xportar a Excel… "_s,
                                    u"&Guardar Ctrl+S"_s, u"Registro &siguiente Ctrl+PgDown"_s,
                                    u"Registro &anterior Ctrl+PgUp"_s, u"&Consulta por ejemplo... Ctrl+F"_s,
                                    u"Ca&ncelar edición Esc"_s, u"Sa&lir "_s}));
        for (const QWidget *b : QWidgetList{f->spbGrabar, f->spbPreview, f->DBQbe1, f->QNvgdrFrm->Button(nbNext),
                                            f->QNvgdrFrm->Button(nbPrior), f->QNvgdrFrm->Button(nbCancel)})
            QVERIFY2(b->toolTip().contains(u"(Ctrl+") || b->toolTip().endsWith(u"(Esc)"), qPrintable(b->toolTip()));
    }

    // A company chosen (twice, the other one in between: nothing lingers, nothing accumulates) shows
    // its own options and its records in numeral order, limited by the host's parameter string.
    void companyChange_data()
    {
        QTest::addColumn<QString>("condition");
        QTest::addColumn<int>("company");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("field"); // every row shown has this value in it
        QTest::addColumn<int>("value");
        QTest::newRow("areas, no condition") << QString() << 1 << 120 << u"COD_EMPR"_s << 1;
        QTest::newRow("no areas, blank condition") << u"   "_s << 2 << 60 << u"COD_EMPR"_s << 2;
        QTest::newRow("one area") << u"AND MA.COD_AREA = 2"_s << 1 << 60 << u"COD_AREA"_s << 2;
        QTest::newRow("one cycle, and in lower case") << u"and PA.COD_CICL = 1"_s << 1 << 44 << u"COD_CICL"_s << 1;
        QTest::newRow("the same on the other company") << u"AND PA.COD_CICL = 1"_s << 2 << 22 << u"COD_CICL"_s << 1;
        QTest::newRow("an OR stays inside the company")
            << u"AND MA.COD_AREA = 1 OR MA.COD_AREA = 2"_s << 2 << 60 << u"COD_EMPR"_s << 2;
    }
    void companyChange()
    {
        QFETCH(QString, condition);
        QFETCH(int, company);
        QFETCH(int, rows);
        QFETCH(QString, field);
        QFETCH(int, value);
        TFrmSoMaleg *f = form();
        gStParHpv = condition;
        for (int c : {company, 3 - company, company}) {
            f->cmbEmpresa->SetCodigo(QString::number(c));
            f->cmbEmpresaChange(f->cmbEmpresa);
        }
        const bool areas = company == 1; // company 1 manages areas and has both flags on
        QCOMPARE(Application()->Tag, company);
        QCOMPARE(f->ManejaAreas(), areas);
        QCOMPARE(!f->LblCOD_AREA->isHidden(), areas);
        QCOMPARE(!f->DBEdtCOD_AREA->isHidden(), areas);
        // Area criteria are offered exactly to the companies that manage areas.
        const QStringList offered = f->DBQbe1->CamposOfrecidos();
        QCOMPARE(offered.contains(u"COD_AREA"_s) && offered.contains(u"NOM_AREA"_s), areas);
        QVERIFY(offered.contains(u"IND_CUMP"_s) && !offered.contains(u"DtfNmbCump"_s));
        QCOMPARE(f->pgcPlanAnual->isTabVisible(1), areas);
        QCOMPARE(f->CumpleParcial(), areas);
        QCOMPARE(!f->DBMmDesHall->isHidden(), areas);
        QStringList choices{u"Cumple Totalmente"_s, u"Cumple Parcialmente"_s, u"No Cumple"_s, u"No Aplica"_s};
        if (!areas)
            choices.removeAt(1);
        QCOMPARE(f->DBCmbIND_CUMP->Items(), choices);
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        QCOMPARE(f->DBGFrm->GridModel()->rowCount(), rows);
        QCOMPARE(f->PnlStatus->text(), u"Consultando · registro 1 de %1"_s.arg(rows));
        for (q->First(); !q->Eof(); q->Next())
            QCOMPARE(q->FieldByName(field)->AsInteger(), value);
        QVERIFY(ReportWorld::InNumeralOrder());
    }

    void justificationFollowsTheEditAndTheChoice()
    {
        TFrmSoMaleg *f = form();
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        world->Exec(u"UPDATE SO_MALEG SET IND_CUMP = 'J'"_s + EmbeddedDatabase::FirstItemWhere());
        q->Close();
        q->Open();
        QVERIFY(toFirstItem());
        QVERIFY(!f->DBMemTEX_JUST->isEnabled());
        q->Edit();
        QVERIFY(f->DBMemTEX_JUST->isEnabled() && f->LblTEX_JUST->isEnabled());
        // Another choice in the compliance list takes the justification away.
        const int choice = int(f->DBCmbIND_CUMP->Items().indexOf(QStringLiteral("No Cumple")));
        f->DBCmbIND_CUMP->setCurrentIndex(choice);
        emit f->DBCmbIND_CUMP->activated(choice); // as the user's pick does
        QCOMPARE(q->FieldByName(QStringLiteral("IND_CUMP"))->AsString(), QStringLiteral("N"));
        QVERIFY(!f->DBMemTEX_JUST->isEnabled() && !f->LblTEX_JUST->isEnabled());
        q->Cancel();
        QVERIFY(!f->DBMemTEX_JUST->isEnabled());
    }

    // The query by example as the user meets it: the compliance asked by the text the list shows,
    // the filter named in the status bar and dropped from there; a numeral the evaluation does not
    // have leaves the title bars' placeholders.
    void queryByExampleByWhatTheUserSees()
    {
        world->Exec(QStringLiteral("UPDATE SO_MALEG SET IND_CUMP = 'N' WHERE COD_EMPR = 1 AND RMT_ITES = 1"));
        TFrmSoMaleg *f = form();
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        const int all = q->RecordCount();
        QCOMPARE(f->PnlCiclo->text(), QStringLiteral("1. PLANEAR"));
        QVERIFY(f->PnlFiltro->isHidden());
        const auto ask = [&](const QString &field, const QString &value) {
            prompts->answers.push_back([=](QWidget &d) {
                static_cast<TQbeDialog &>(d).SetCriteria({{field, TQbeOperator::Equal, value}});
                return int(QDialog::Accepted);
            });
            f->DBQbe1->click();
        };
        ask(QStringLiteral("IND_CUMP"), QStringLiteral("No Cumple"));
        QVERIFY(q->RecordCount() > 0 && q->RecordCount() < all);
        for (q->First(); !q->Eof(); q->Next())
            QCOMPARE(q->FieldByName(QStringLiteral("IND_CUMP"))->AsString(), QStringLiteral("N"));
        QVERIFY(!f->PnlFiltro->isHidden());
        QCOMPARE(f->LblFiltro->text(), QStringLiteral("Filtro: Indicador Cumplimiento igual a No Cumple"));

        ask(QStringLiteral("NUM_ERAL"), QStringLiteral("9.9.9"));
        QVERIFY(q->Active());
        QCOMPARE(q->RecordCount(), 0);
        QCOMPARE(f->PnlCiclo->text(), QStringLiteral("Nombre Ciclo"));
        QCOMPARE(f->PnlTitEstandar->text(), QStringLiteral("Titulo Estandar"));
        QCOMPARE(f->PnlDesEstandar->text(), QStringLiteral("Descripcion Estandar"));

        f->BtnQuitarFiltro->click();
        QCOMPARE(q->RecordCount(), all);
        QVERIFY(f->PnlFiltro->isHidden());
        QCOMPARE(prompts->asked,
                 QStringList({QStringLiteral("Consulta por ejemplo"), QStringLiteral("Consulta por ejemplo")}));
    }

    // The date filter keeps the records stamped in the range chosen; "Quitar filtro" brings back all.
    void dateFilter()
    {
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        prompts->answers.push_back(ScriptedPrompts::Range(QDate(2001, 2, 1), QDate(2001, 2, 28)));
        form()->SpFiltroFechaClick(form()->SpFiltroFecha);
        QCOMPARE(q->RecordCount(), 0); // every record was stamped when the world was built
        prompts->answers.push_back(ScriptedPrompts::Range(QDate(), QDate(2001, 2, 28)));
        form()->SpFiltroFechaClick(form()->SpFiltroFecha);
        QCOMPARE(q->RecordCount(), 120);
    }

    void memoEditor_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after"); // empty: the row stays unchanged and browsing
        const QString first = QStringLiteral("Revisar extintores");
        QTest::newRow("closed with the window button")
            << first << int(TFrmMemo::mrCancel) << QStringLiteral("otro") << QString();
        QTest::newRow("accepted without change") << first << int(TFrmMemo::mrOk) << QString() << QString();
        QTest::newRow("accepted without change, CR LF breaks")
            << QStringLiteral("uno\r\ndos\r\n") << int(TFrmMemo::mrOk) << QString() << QString();
        QTest::newRow("accepted with a new text")
            << first << int(TFrmMemo::mrOk) << QStringLiteral("Revisar y recargar")
            << QStringLiteral("Revisar y recargar");
        QTest::newRow("a new text keeps CR LF breaks")
            << QStringLiteral("uno\r\ndos") << int(TFrmMemo::mrOk) << QStringLiteral("uno\ndos\ntres")
            << QStringLiteral("uno\r\ndos\r\ntres");
    }
    void memoEditor()
    {
        QFETCH(QString, before);
        QFETCH(int, result);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        world->Exec(QStringLiteral("UPDATE SO_SEMON SET TEX_SEGU = ? WHERE RMT_SEMO = 7000"), {before});
        SClientDataSet *semon = DtmSoMaleg->QrySoSemon;
        QVERIFY(toFirstItem());
        semon->Close();
        semon->Open();
        prompts->answers.push_back(ScriptedPrompts::Act<TFrmMemo>([&](TFrmMemo &dialog) {
            if (!typed.isEmpty())
                dialog.Memo->setPlainText(typed);
            if (result == TFrmMemo::mrOk)
                dialog.BtnAceptar->click();
            else
                dialog.close();
        }));
        TFrmSoMaleg *f = form();
        f->DBGSoSemon->setCurrentIndex(f->DBGSoSemon->GridModel()->index(0, 6)); // TEX_SEGU
        f->DBGSoSemonEditButtonClick(f->DBGSoSemon);
        QCOMPARE(FrmMemo->Caption(), QStringLiteral("Plan de Acción, Seguimiento y Monitoreo"));
        QCOMPARE(semon->State(), after.isEmpty() ? dsBrowse : dsEdit);
        QCOMPARE(semon->FieldByName(QStringLiteral("TEX_SEGU"))->AsString(), after.isEmpty() ? before : after);
    }

    // The grid asks for a responsible's names once per row it fetches; repainting unchanged rows asks
    // nothing, and only a row that changed is asked for again. Figures in docs/performance.md.
    void followUpGridAsksOncePerRow()
    {
        const QVariant day = TDatabase::ToDb(EmbeddedDatabase::ProcessDate());
        for (int i = 1; i <= 24; ++i)
            world->Exec(
                QStringLiteral("INSERT INTO SO_SEMON (ACT_USUA, ACT_HORA, ACT_ESTA, COD_EMPR, RMT_SEMO, FEC_PROC,"
                               " RMT_PAMA, RMT_DEPA, RMT_ESTA, RMT_ITES, COD_AREA, FEC_SEGU, COD_RESP, TEX_SEGU)"
                               " VALUES ('demo', ?, 'A', 1, ?, ?, 1, 1, 1, 1, 1, ?, 79456123, 'Fila')"),
                {day, 7000 + i, day, day});
        QVERIFY(DtmSoMaleg->QrySoMaleg->Locate(QStringLiteral("RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES;COD_AREA"),
                                               QVariantList{1, 1, 1, 1, 1}, {}));
        SClientDataSet *semon = DtmSoMaleg->QrySoSemon;
        semon->Close();
        semon->Open();
        QCOMPARE(semon->RecordCount(), 25);
        TDBGridModel *grid = form()->DBGSoSemon->GridModel();
        QCOMPARE(grid->rowCount(), 25);
        auto repaint = [&] {
            const int before = world->server->OpensByProvider.value(QStringLiteral("DtsPGnTerce"));
            for (int r = 0; r < grid->rowCount(); ++r)
                for (int c = 0; c < grid->columnCount(); ++c)
                    grid->data(grid->index(r, c), Qt::DisplayRole);
            return world->server->OpensByProvider.value(QStringLiteral("DtsPGnTerce")) - before;
        };
        const int first = repaint();
        QCOMPARE(first, 24); // every row but the current one, which the cursor fetched at open
        QCOMPARE(repaint(), 0);
        // Typing into the current row recomputes that row only; the others are not asked again.
        semon->Edit();
        semon->FieldByName(QStringLiteral("SEG_MIEN"))->SetAsString(QStringLiteral("x"));
        const int typing = repaint();
        QCOMPARE(typing, 0);
        // A posted change is worked out again (by the cursor, once) and the grid shows it.
        const int row = semon->RecNo() - 1;
        QCOMPARE(grid->data(grid->index(row, 1), Qt::DisplayRole).toString(), QString()); // nobody with code 0
        semon->FieldByName(QStringLiteral("COD_RESP"))->SetAsFloat(1010203040.0);
        semon->FieldByName(QStringLiteral("FEC_CUMP"))->SetAsDateTime(EmbeddedDatabase::ProcessDate());
        semon->Post();
        semon->Last();
        QCOMPARE(repaint(), 0);
        QVERIFY(!grid->data(grid->index(row, 1), Qt::DisplayRole).toString().isEmpty());
        qInfo("Pedidos de nombres por repintado de 25 filas: primero %d, sin cambios %d, al teclear %d", first, 0,
              typing);
        // A row inserted at the window's default size is in sight, under the navigator.
        form()->show();
        form()->pgcPlanAnual->setCurrentIndex(1);
        form()->QNavegador1->BtnClick(nbInsert);
        QCoreApplication::processEvents();
        TTolvaneDBgrid *g = form()->DBGSoSemon;
        QVERIFY(g->viewport()->rect().contains(g->visualRect(g->currentIndex()).center()));
        QVERIFY(form()->ScBFrm->viewport()->rect().contains(
            form()->QNavegador1->mapTo(form()->ScBFrm->viewport(), form()->QNavegador1->rect().bottomRight())));
    }

    void dateCellButtonsOpenOnlyTheirPicker_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("field");
        QTest::newRow("FEC_SEGU") << 3 << u"FEC_SEGU"_s;
        QTest::newRow("FEC_FINA") << 11 << u"FEC_FINA"_s;
    }
    void dateCellButtonsOpenOnlyTheirPicker()
    {
        QFETCH(int, column);
        QFETCH(QString, field);
        TFrmSoMaleg *f = form();
        QVERIFY(toFirstItem());
        prompts->answers.push_back(ScriptedPrompts::Date(QDate(2026, 6, 30)));
        f->DBGSoSemon->setCurrentIndex(f->DBGSoSemon->GridModel()->index(0, column));
        f->DBGSoSemonEditButtonClick(f->DBGSoSemon);
        QCOMPARE(prompts->asked, QStringList{u"Fecha"_s});
        QCOMPARE(DtmSoMaleg->QrySoSemon->State(), dsEdit);
        for (const QString &date : {u"FEC_SEGU"_s, u"FEC_CUMP"_s, u"FEC_INIC"_s, u"FEC_FINA"_s})
            QCOMPARE(DtmSoMaleg->QrySoSemon->FieldByName(date)->AsDateTime().date() == QDate(2026, 6, 30),
                     date == field);
    }

    // Leaving the window's work with pending changes asks "¿Desea guardar los cambios?": closing
    // the window (the title-bar button, Alt+F4), choosing another company, the host's unload (which
    // cannot be refused: no "Cancelar"). In each of the three datasets, posted or still typed: "Sí"
    // stores the change, "No" drops it, "Cancelar" keeps the window, the company and the change.
    void leavingWithPendingChangesAsks_data()
    {
        QTest::addColumn<QString>("dataset");
        QTest::addColumn<QString>("way");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("stored");
        const int yes = QMessageBox::Yes, no = QMessageBox::No, cancel = QMessageBox::Cancel;
        for (const char *ds : {"evaluación en edición", "evaluación anotada", "seguimiento", "plan"}) {
            QTest::addRow("cerrar, %s, Sí", ds) << QString::fromUtf8(ds) << u"cerrar"_s << yes << true << true;
            QTest::addRow("cerrar, %s, No", ds) << QString::fromUtf8(ds) << u"cerrar"_s << no << true << false;
            QTest::addRow("cerrar, %s, Cancelar", ds)
                << QString::fromUtf8(ds) << u"cerrar"_s << cancel << false << false;
        }
        QTest::newRow("empresa, seguimiento, Sí") << u"seguimiento"_s << u"empresa"_s << yes << true << true;
        QTest::newRow("empresa, evaluación anotada, No")
            << u"evaluación anotada"_s << u"empresa"_s << no << true << false;
        QTest::newRow("empresa, plan, Cancelar") << u"plan"_s << u"empresa"_s << cancel << false << false;
        QTest::newRow("descargar, plan, Sí") << u"plan"_s << u"descargar"_s << yes << true << true;
        QTest::newRow("descargar, evaluación en edición, No")
            << u"evaluación en edición"_s << u"descargar"_s << no << true << false;
    }
    void leavingWithPendingChangesAsks()
    {
        QFETCH(QString, dataset);
        QFETCH(QString, way);
        QFETCH(int, answer);
        QFETCH(bool, left);
        QFETCH(bool, stored);
        TFrmSoMaleg *f = form();
        f->show();
        QVERIFY(toFirstItem());
        const QString text = QStringLiteral("Cambio sin guardar");
        QString stored_sql;
        if (dataset.startsWith(u"evaluación")) {
            DtmSoMaleg->QrySoMaleg->Edit();
            DtmSoMaleg->QrySoMaleg->FieldByName(QStringLiteral("TEX_EVID"))->SetAsString(text);
            if (dataset.endsWith(u"anotada"))
                DtmSoMaleg->QrySoMaleg->Post();
            stored_sql = QStringLiteral("SELECT COUNT(*) FROM SO_MALEG WHERE TEX_EVID = ?");
        } else {
            SClientDataSet *detail = dataset == u"plan" ? DtmSoMaleg->QrySoPlass : DtmSoMaleg->QrySoSemon;
            const QString field = dataset == u"plan" ? QStringLiteral("RES_PONS") : QStringLiteral("SEG_MIEN");
            detail->Edit();
            detail->FieldByName(field)->SetAsString(text);
            if (dataset == u"seguimiento") // the follow-up rules want a completion date
                detail->FieldByName(QStringLiteral("FEC_CUMP"))->SetAsDateTime(EmbeddedDatabase::ProcessDate());
            stored_sql = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = ?")
                             .arg(dataset == u"plan" ? QStringLiteral("SO_PLASS") : QStringLiteral("SO_SEMON"), field);
        }
        QVERIFY(f->CambiosPendientes());

        QStringList buttons;
        prompts->answers.push_back(ScriptedPrompts::Press(QMessageBox::StandardButton(answer), &buttons));
        bool wentAway = false;
        if (way == u"cerrar") {
            wentAway = f->close();
            QCOMPARE(f->isVisible(), !wentAway);
        } else if (way == u"empresa") {
            f->cmbEmpresa->setCurrentIndex(1);
            emit f->cmbEmpresa->activated(1);
            wentAway = Application()->Tag == 2;
            QCOMPARE(f->cmbEmpresa->Codigo(), QString::number(Application()->Tag));
        } else {
            wentAway = f->ConfirmarCambios(false);
        }
        QCOMPARE(prompts->asked, QStringList{QStringLiteral("¿Desea guardar los cambios?")});
        QStringList offered{QStringLiteral("&Sí"), QStringLiteral("&No")};
        if (way != u"descargar")
            offered << QStringLiteral("&Cancelar");
        buttons.sort();
        offered.sort();
        QCOMPARE(buttons, offered);
        QCOMPARE(wentAway, left);
        QCOMPARE(world->Value(stored_sql, {text}).toInt(), stored ? 1 : 0);
        // Cancelled: the change is still there to be saved; otherwise nothing is pending.
        QCOMPARE(f->CambiosPendientes(), !left);
    }
};

QTEST_MAIN(tst_FrmSoMaleg)
#include "tst_FrmSoMaleg.moc"
