// The windows over the demo world, through the in-process application server, as make demo shows
// them. With ZE_SCREENSHOT_DIR set, each page and dialog is also saved there as a PNG.

#include "ReportWorld.h"
#include "TFrmReports.h"
#include "XlsxSheet.h"
#include "controls/TAdjButton.h"
#include "controls/TDBGridModel.h"
#include "controls/TDBRadioGroup.h"
#include "controls/TQNavegador.h"
#include "controls/TQPField.h"
#include "controls/TQsFecha.h"
#include "controls/TTolvaneDBgrid.h"

#include <QAction>
#include <QMenu>
#include <QHeaderView>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

class tst_DemoWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReportWorld> world;
    QTemporaryDir m_dir;
    ScriptedPrompts *prompts = nullptr;

    void save(QWidget *w, const QString &name)
    {
        const QString dir = qEnvironmentVariable("ZE_SCREENSHOT_DIR");
        if (!dir.isEmpty())
            QVERIFY(w->grab().save(QDir(dir).filePath(name)));
    }

private slots:
    void initTestCase()
    {
        world = std::make_unique<ReportWorld>(false);
        prompts = world->prompts;
    }
    void cleanupTestCase() { world.reset(); }
    void init() { prompts->asked.clear(); }

    void pages_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("file");
        QTest::newRow("Estándares Mínimos") << 0 << QStringLiteral("main-estandares-minimos.png");
        QTest::newRow("Cronograma") << 1 << QStringLiteral("main-cronograma.png");
        QTest::newRow("Plan Anual SGSST") << 2 << QStringLiteral("main-plan-anual.png");
        QTest::newRow("Plan Anual SGSST, cuadrícula") << 2 << QStringLiteral("main-plan-anual-cuadricula.png");
    }
    void pages()
    {
        QFETCH(int, page);
        QFETCH(QString, file);
        FrmSoMaleg->show();
        FrmSoMaleg->pgcPlanAnual->setCurrentIndex(page);
        const bool grid = file.contains(u"cuadricula");
        if (grid) {
            FrmSoMaleg->btnSoPlass->click(); // the grid takes the detail's place
            QVERIFY(!FrmSoMaleg->dbgrdSoPlass->isHidden() && FrmSoMaleg->pnl2->isHidden());
        }
        QCoreApplication::processEvents();
        save(FrmSoMaleg, file);
        if (grid) {
            // The month over each pair of flags.
            QCOMPARE(FrmSoMaleg->dbgrdSoPlass->GridModel()->headerData(2, Qt::Horizontal).toString(),
                     QStringLiteral("Enero\nProgramado"));
            QCOMPARE(FrmSoMaleg->dbgrdSoPlass->GridModel()->headerData(23, Qt::Horizontal).toString(),
                     QStringLiteral("Noviembre\nEjecutado"));
            FrmSoMaleg->btnSoPlass->click();
            QVERIFY(FrmSoMaleg->dbgrdSoPlass->isHidden() && !FrmSoMaleg->pnl2->isHidden());
        }
    }

    // Closing with a change typed asks, in Spanish, whether to save it; "Cancelar" keeps both.
    void closingWithAChangeAsks()
    {
        FrmSoMaleg->show();
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        q->Edit();
        q->FieldByName(QStringLiteral("TEX_EVID"))->SetAsString(QStringLiteral("Acta sin guardar"));
        prompts->answers.push_back([this](QWidget &box) {
            box.show();
            QCoreApplication::processEvents();
            save(&box, QStringLiteral("pregunta-guardar.png"));
            return int(QMessageBox::Cancel);
        });
        QVERIFY(!FrmSoMaleg->close());
        QCOMPARE(q->State(), dsEdit);
        q->Cancel();
    }

    void userLooksUpADateAndSaves()
    {
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        q->First();
        const QVariant key = q->FieldValues(QStringLiteral("FEC_PROC;RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES;COD_AREA"));
        q->Edit();
        q->FieldByName(QStringLiteral("TEX_EVID"))->SetAsString(QStringLiteral("Acta de nombramiento firmada"));

        // The responsible is looked up in the capture dialog and accepted.
        QString firstName;
        prompts->answers.push_back(ScriptedPrompts::Act<TCaptura>([&firstName, this](TCaptura &dialog) {
            QVERIFY(dialog.CdsTmp->RecordCount() > 0);
            dialog.CdsTmp->Last();
            firstName = dialog.CdsTmp->FieldByName(QStringLiteral("NOM_TERC"))->AsString();
            dialog.show();
            QCoreApplication::processEvents();
            save(&dialog, QStringLiteral("captura.png"));
            dialog.BitBtnAceptar->click();
        }));
        FrmSoMaleg->QPFldCOD_RESP->Click();
        QVERIFY(!q->FieldByName(QStringLiteral("COD_RESP"))->IsNull());
        QVERIFY(!firstName.isEmpty());

        prompts->answers.push_back(ScriptedPrompts::Date(QDate(2026, 3, 2)));
        FrmSoMaleg->QsFEC_MALE->Click();
        QCOMPARE(q->FieldByName(QStringLiteral("FEC_MALE"))->AsDateTime().date(), QDate(2026, 3, 2));
        const double responsible = q->FieldByName(QStringLiteral("COD_RESP"))->AsFloat();
        // A changed responsible may be given to the whole cycle; this user closes the question (No).
        prompts->asked.clear();
        QCOMPARE(FrmSoMaleg->Grabar(), 0);
        QCOMPARE(prompts->asked, QStringList{QStringLiteral(
                                     "¿Desea que este Responsable aplique para todos los registros del ciclo?")});
        QCOMPARE(q->ChangeCount(), 0);

        // Read back from the server.
        q->Close();
        q->Open();
        QVERIFY(q->Locate(QStringLiteral("FEC_PROC;RMT_PAMA;RMT_DEPA;RMT_ESTA;RMT_ITES;COD_AREA"), key));
        QCOMPARE(q->FieldByName(QStringLiteral("TEX_EVID"))->AsString(),
                 QStringLiteral("Acta de nombramiento firmada"));
        QCOMPARE(q->FieldByName(QStringLiteral("COD_RESP"))->AsFloat(), responsible);
        QCOMPARE(q->FieldByName(QStringLiteral("FEC_MALE"))->AsDateTime().date(), QDate(2026, 3, 2));
    }

    // Through the windows' navigators and controls; the rows as stored: tst_DtmSoMalegPlanSemon.
    void userAddsAnActivityAndAFollowUpRow()
    {
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        SClientDataSet *plass = DtmSoMaleg->QrySoPlass;
        SClientDataSet *semon = DtmSoMaleg->QrySoSemon;
        q->First();
        const auto choose = [](TDBRadioGroup *group, const QString &text) {
            for (QRadioButton *b : group->findChildren<QRadioButton *>())
                if (b->text() == text)
                    b->click();
        };

        // A plan activity, through the plan page's navigator and controls.
        FrmSoMaleg->QNVSoPlass->BtnClick(nbInsert);
        QCOMPARE(plass->State(), dsInsert);
        choose(FrmSoMaleg->DBRGOPCCICL, QStringLiteral("V-Verificar"));
        choose(FrmSoMaleg->DBRadioGroup26, QStringLiteral("F-Financieros"));
        QCOMPARE(plass->FieldByName(u"OPC_CICL"_s)->AsString() + plass->FieldByName(u"REC_URSO"_s)->AsString(),
                 u"VF"_s);
        plass->FieldByName(QStringLiteral("ACT_ASGS"))->SetAsString(QStringLiteral("Auditoría interna del SG-SST"));
        plass->FieldByName(QStringLiteral("MAR_PLAN"))->SetAsString(QStringLiteral("S"));
        FrmSoMaleg->QNVSoPlass->BtnClick(nbPost);
        QCOMPARE(plass->State(), dsBrowse);
        QCOMPARE(plass->ChangeCount(), 0);

        // A follow-up row, through the follow-up grid's navigator.
        FrmSoMaleg->QNavegador1->BtnClick(nbInsert);
        QCOMPARE(semon->State(), dsInsert);
        semon->FieldByName(QStringLiteral("SEG_MIEN"))->SetAsString(QStringLiteral("Verificar el cierre de hallazgos"));
        semon->FieldByName(QStringLiteral("COD_RESP"))->SetAsFloat(79456123);
        semon->FieldByName(QStringLiteral("FEC_SEGU"))->SetAsDateTime(QDateTime(QDate(2026, 4, 1), QTime(0, 0)));
        semon->FieldByName(QStringLiteral("FEC_CUMP"))->SetAsDateTime(QDateTime(QDate(2026, 5, 1), QTime(0, 0)));
        FrmSoMaleg->QNavegador1->BtnClick(nbPost);
        QCOMPARE(semon->ChangeCount(), 0);
    }

    void attachmentsTravelWithTheRecord()
    {
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        q->First();
        TAdjButton *button = FrmSoMaleg->AdjButton2;
        QCOMPARE(button->Table, QStringLiteral("SO_MALEG"));
        QVERIFY(button->Archivos().isEmpty());
        QFile file(m_dir.filePath(QStringLiteral("acta-copasst.pdf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QByteArray content("%PDF-1.4 acta");
        content.append(char(0)).append(QByteArray(5000, 'x'));
        file.write(content);
        file.close();

        QCOMPARE(button->Agregar(file.fileName()), 1);
        // The record took a new identifier and keeps it once saved.
        QCOMPARE(q->State(), dsEdit);
        QCOMPARE(FrmSoMaleg->Grabar(), 0);
        const QList<TAdjButton::TArchivo> files = button->Archivos();
        QCOMPARE(files.size(), 1);
        QCOMPARE(files.at(0).Nombre, QStringLiteral("acta-copasst.pdf"));
        QCOMPARE(files.at(0).Tamano, int(content.size()));

        const QString copy = m_dir.filePath(QStringLiteral("copia.pdf"));
        button->GuardarComo(1, copy);
        QFile back(copy);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), content);

        button->Eliminar(1);
        QVERIFY(button->Archivos().isEmpty());
        // Another record has files of its own.
        q->Next();
        QVERIFY(FrmSoMaleg->AdjButton2->Archivos().isEmpty());
    }

    // "Exportar a Excel…" on each grid (File menu or the grid's context menu) writes the grid as the
    // user sees it: its headings frozen and filtered, one row per record, numbers and dates typed.
    void gridsExportToExcel_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("numberField");
        QTest::addColumn<QString>("dateField");
        QTest::newRow("evaluation list, File menu") << QStringLiteral("DBGFrm") << QStringLiteral("ExportarExcel1")
                                                    << QStringLiteral("VAL_ITEM") << QStringLiteral("FEC_PROC");
        QTest::newRow("follow-up rows, context menu") << QStringLiteral("DBGSoSemon") << QStringLiteral("ExportarExcel")
                                                      << QStringLiteral("COD_RESP") << QStringLiteral("FEC_SEGU");
        QTest::newRow("plan activities, context menu")
            << QStringLiteral("dbgrdSoPlass") << QStringLiteral("ExportarExcel") << QStringLiteral("CUM_META")
            << QString();
    }
    void gridsExportToExcel()
    {
        QFETCH(QString, grid);
        QFETCH(QString, action);
        QFETCH(QString, numberField);
        QFETCH(QString, dateField);
        DtmSoMaleg->QrySoMaleg->First();
        auto *view = FrmSoMaleg->findChild<TTolvaneDBgrid *>(grid);
        QVERIFY(view);
        TDBGridModel *model = view->GridModel();
        QVERIFY(model->rowCount() > 0);
        QAction *exportAction = nullptr;
        for (QAction *a :
             (action == QStringLiteral("ExportarExcel1") ? FrmSoMaleg->Archivo1->actions() : view->actions()))
            if (a->objectName() == action)
                exportAction = a;
        QVERIFY(exportAction);
        QCOMPARE(exportAction->text(), action == QStringLiteral("ExportarExcel1")
                                           ? QStringLiteral("E&xportar a Excel…")
                                           : QStringLiteral("Exportar a Excel…"));
        const QString file = m_dir.filePath(grid + QStringLiteral(".xlsx"));
        prompts->answers.push_back(ScriptedPrompts::SaveAs(file));
        exportAction->trigger();
        QCOMPARE(prompts->asked, QStringList{QStringLiteral("Exportar a Excel")});

        const XlsxSheet sheet(file);
        QStringList headings;
        int numberColumn = -1, dateColumn = -1;
        for (int c = 0; c < model->columnCount(); ++c) {
            headings << model->headerData(c, Qt::Horizontal).toString();
            if (model->FieldAt(c)->FieldName() == numberField)
                numberColumn = c;
            if (model->FieldAt(c)->FieldName() == dateField)
                dateColumn = c;
        }
        QCOMPARE(sheet.Row(1), headings);
        QCOMPARE(sheet.frozenRows, 1);
        QCOMPARE(sheet.filter, QStringLiteral("A1:") + XlsxSheet::Ref(int(headings.size()) - 1, model->rowCount() + 1));
        QVERIFY(sheet.Row(model->rowCount() + 2).isEmpty()); // nothing after the last record
        TDataSet *ds = view->DataSource()->DataSet();
        for (int row = 1; row <= model->rowCount(); ++row) {
            ds->PeekRecord(row, [&] {
                TField *number = ds->FieldByName(numberField);
                QCOMPARE(sheet.Cell(numberColumn, row + 1).number, !number->IsNull());
                if (!number->IsNull())
                    QCOMPARE(sheet.Cell(numberColumn, row + 1).text.toDouble(), number->AsFloat());
                if (dateColumn >= 0) {
                    const XlsxCell date = sheet.Cell(dateColumn, row + 1);
                    QVERIFY(date.number);
                    QCOMPARE(date.format, QStringLiteral("dd/mm/yyyy"));
                    // Excel counts days from 1899-12-30.
                    QCOMPARE(QDate(1899, 12, 30).addDays(qint64(date.text.toDouble())),
                             ds->FieldByName(dateField)->AsDateTime().date());
                }
            });
        }
        if (grid == QStringLiteral("DBGFrm")) {
            // The demo's items read as the official table publishes them.
            const int row = sheet.RowOf(QStringLiteral("1.1.1"));
            QVERIFY(row > 1);
            QVERIFY(sheet.Row(row).contains(
                QStringLiteral("Responsable del Sistema de Gestión de Seguridad y Salud en el Trabajo SG-SST")));
        }
    }

    // The list stays in numeral order after an edit (after a company change: tst_FrmSoMaleg); a click
    // on a column's title sorts by it, a second click the other way round.
    void listOrder()
    {
        TFrmSoMaleg *f = FrmSoMaleg;
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        QVERIFY(ReportWorld::InNumeralOrder());
        q->Last();
        q->Edit();
        q->FieldByName(u"TEX_EVID"_s)->SetAsString(u"Acta revisada"_s);
        QCOMPARE(f->Grabar(), 0);
        QVERIFY(ReportWorld::InNumeralOrder());
        // DES_ITEM, by its title: ascending, then descending.
        const int des = 14;
        QCOMPARE(f->DBGFrm->GridModel()->FieldAt(des)->FieldName(), u"DES_ITEM"_s);
        QStringList texts;
        for (q->First(); !q->Eof(); q->Next())
            texts << q->FieldByName(u"DES_ITEM"_s)->AsString();
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            f->DBGFrm->horizontalHeader()->sectionClicked(des);
            QStringList sorted = texts;
            std::sort(sorted.begin(), sorted.end());
            if (order == Qt::DescendingOrder)
                std::reverse(sorted.begin(), sorted.end());
            QStringList shown;
            for (int r = 0; r < f->DBGFrm->GridModel()->rowCount(); ++r)
                shown << f->DBGFrm->GridModel()->index(r, des).data().toString();
            QCOMPARE(shown, sorted);
            QCOMPARE(f->DBGFrm->horizontalHeader()->sortIndicatorSection(), des);
            QCOMPARE(f->DBGFrm->horizontalHeader()->sortIndicatorOrder(), order);
        }
    }

    void secondCompanyHidesItsOptions()
    {
        FrmSoMaleg->cmbEmpresa->SetCodigo(QStringLiteral("2"));
        FrmSoMaleg->cmbEmpresaChange(FrmSoMaleg->cmbEmpresa);
        QCOMPARE(Application()->Tag, 2);
        FrmSoMaleg->pgcPlanAnual->setCurrentIndex(0);
        QCoreApplication::processEvents();
        save(FrmSoMaleg, QStringLiteral("main-empresa-sin-areas.png"));
    }

    void memoDialog()
    {
        FrmMemo->SetCaption(QStringLiteral("Plan de Acción, Seguimiento y Monitoreo"));
        FrmMemo->Memo->setPlainText(
            QStringLiteral("Programar la capacitación del COPASST en investigación de incidentes.\n"
                           "Responsable: coordinador SST. Fecha límite: 30/06/2026."));
        FrmMemo->show();
        QCoreApplication::processEvents();
        save(FrmMemo, QStringLiteral("memo.png"));
        FrmMemo->hide();
    }

    void reportChooser()
    {
        TFrmReports chooser(FrmSoMaleg);
        chooser.show();
        QCoreApplication::processEvents();
        QCOMPARE(chooser.ItemIndex(), 0);
        save(&chooser, QStringLiteral("reportes.png"));
    }
};

QTEST_MAIN(tst_DemoWindows)
#include "tst_DemoWindows.moc"
