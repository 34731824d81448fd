// Data-aware controls as a user sees them: what they show, what they store, when they let edit.

#include "FakeAppServer.h"
#include "SDCOMConnection.h"
#include "ScriptedPrompts.h"
#include "controls/TDBCmbCodigoBox.h"
#include "controls/TDBEdit.h"
#include "controls/TDBGridModel.h"
#include "controls/TTolvaneDBgrid.h"
#include "controls/TDBMemo.h"
#include "controls/TDBRadioGroup.h"
#include "controls/TQNavegador.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQbeDialog.h"
#include "controls/TQsFecha.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"
#include "dataset/TStringField.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>

class tst_DataControls : public QObject
{
    Q_OBJECT

    std::unique_ptr<SClientDataSet> ds;
    std::unique_ptr<TDataSource> src;

private slots:
    void init()
    {
        ds = std::make_unique<SClientDataSet>(nullptr, QStringLiteral("Cds"));
        ds->AddFieldDef(QStringLiteral("COD"), TFieldType::ftInteger);
        ds->AddFieldDef(QStringLiteral("NOMBRE"), TFieldType::ftString, 40);
        ds->AddFieldDef(QStringLiteral("IND_CUMP"), TFieldType::ftFixedChar, 1);
        ds->AddFieldDef(QStringLiteral("FECHA"), TFieldType::ftDateTime);
        ds->AddFieldDef(QStringLiteral("NOTAS"), TFieldType::ftMemo);
        auto *calc = new TStringField(ds.get(), QStringLiteral("DtfEtiqueta"), 30, fkCalculated);
        calc->SetDisplayLabel(QStringLiteral("Etiqueta"));
        ds->OnCalcFields = [](TDataSet &d) {
            d.FieldByName(QStringLiteral("DtfEtiqueta"))
                ->SetAsString(QStringLiteral("#%1 %2").arg(d.FieldByName(QStringLiteral("COD"))->AsString(),
                                                           d.FieldByName(QStringLiteral("NOMBRE"))->AsString()));
        };
        ds->CreateDataSet();
        for (int i = 1; i <= 3; ++i) {
            ds->Append();
            ds->FieldByName(QStringLiteral("COD"))->SetAsInteger(i);
            ds->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Fila %1").arg(i));
            ds->FieldByName(QStringLiteral("IND_CUMP"))
                ->SetAsString(i == 2 ? QStringLiteral("N") : QStringLiteral("C"));
            ds->Post();
        }
        ds->MergeChangeLog();
        ds->First();
        src = std::make_unique<TDataSource>(nullptr, QStringLiteral("Dts"));
        src->SetDataSet(ds.get());
    }
    void cleanup()
    {
        src.reset();
        ds.reset();
    }

    void editShowsAndStores()
    {
        TDBEdit edit;
        edit.SetDataSource(src.get());
        edit.SetDataField(QStringLiteral("NOMBRE"));
        QCOMPARE(edit.text(), QStringLiteral("Fila 1"));
        ds->Next();
        QCOMPARE(edit.text(), QStringLiteral("Fila 2"));

        edit.show();
        edit.setFocus();
        QTest::keyClick(&edit, Qt::Key_End);
        QTest::keyClicks(&edit, QStringLiteral(" editada"));
        QCOMPARE(ds->State(), dsEdit);
        // Not stored until the edit hands its text over (posting asks the controls for it).
        ds->Post();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Fila 2 editada"));
        QCOMPARE(edit.text(), QStringLiteral("Fila 2 editada"));
    }

    // Every editor of a text field stops input at the field's size (NOMBRE keeps 40): what the user
    // sees is what is stored, nothing is cut later. A memo field has no size and no limit.
    void inputStopsAtTheFieldSize_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("limit");
        QTest::newRow("texto de 40") << QStringLiteral("NOMBRE") << 40;
        QTest::newRow("memo sin límite") << QStringLiteral("NOTAS") << 0;
    }
    void inputStopsAtTheFieldSize()
    {
        QFETCH(QString, field);
        QFETCH(int, limit);
        const QString typed(45, u'x');
        const QString kept = limit > 0 ? typed.left(limit) : typed;

        TDBEdit edit;
        edit.SetDataSource(src.get());
        edit.SetDataField(field);
        edit.show();
        edit.selectAll();
        QTest::keyClicks(&edit, typed);
        QCOMPARE(edit.text(), kept);
        ds->Post();
        QCOMPARE(ds->FieldByName(field)->AsString(), kept);

        TDBMemo memo;
        memo.SetDataSource(src.get());
        memo.SetDataField(field);
        QCOMPARE(memo.MaxLength, limit);

        // A grid cell typed into.
        TTolvaneDBgrid grid;
        grid.SetDataSource(src.get());
        grid.SetColumns({TColumn{QStringLiteral("COD")}, TColumn{field, 200}});
        grid.show();
        grid.setCurrentIndex(grid.GridModel()->index(1, 1));
        grid.edit(grid.currentIndex());
        auto *cell = grid.findChild<QLineEdit *>();
        QVERIFY(cell);
        cell->selectAll();
        QTest::keyClicks(cell, typed);
        QCOMPARE(cell->text(), kept);
    }

    void escapeRestoresTheFieldText()
    {
        TDBEdit edit;
        edit.SetDataSource(src.get());
        edit.SetDataField(QStringLiteral("NOMBRE"));
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("x"));
        QTest::keyClick(&edit, Qt::Key_Escape);
        QCOMPARE(edit.text(), QStringLiteral("Fila 1"));
        ds->Post();
        QCOMPARE(ds->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("Fila 1"));
    }

    void readOnlyFieldIsGreyAndSkippedByTab()
    {
        ds->FieldByName(QStringLiteral("COD"))->ReadOnly = true;
        TDBEdit edit;
        edit.SetDataSource(src.get());
        edit.SetDataField(QStringLiteral("COD"));
        QVERIFY(edit.isReadOnly());
        QCOMPARE(edit.palette().color(QPalette::Base), QColor(0xE9, 0xE9, 0xE9));
        QCOMPARE(edit.focusPolicy(), Qt::ClickFocus);
        QCOMPARE(edit.toolTip(), edit.text()); // the whole text, however narrow the edit
        QTest::keyClicks(&edit, QStringLiteral("9"));
        QCOMPARE(ds->State(), dsBrowse);

        TDBEdit name;
        name.SetDataSource(src.get());
        name.SetDataField(QStringLiteral("NOMBRE"));
        QVERIFY(!name.isReadOnly());
        QCOMPARE(name.focusPolicy(), Qt::StrongFocus);
        QVERIFY(name.toolTip().isEmpty());
        // A closed dataset leaves its controls empty and read-only.
        ds->Close();
        QCOMPARE(name.text(), QString());
        QVERIFY(name.isReadOnly());
    }

    void memoStoresItsText_data()
    {
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("stored");
        QTest::newRow("no limit") << 0 << QString() << QStringLiteral("línea 1\nlínea 2")
                                  << QStringLiteral("línea 1\nlínea 2");
        // Input stops at the limit: the text shown is the text posted, nothing is cut later.
        QTest::newRow("typing stops at the limit")
            << 5 << QStringLiteral("abcdefg") << QString() << QStringLiteral("abcde");
        QTest::newRow("a paste keeps what fits")
            << 5 << QStringLiteral("ab") << QStringLiteral("123456") << QStringLiteral("ab123");
    }
    void memoStoresItsText()
    {
        QFETCH(int, maxLength);
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, stored);
        TDBMemo memo;
        memo.MaxLength = maxLength;
        memo.SetDataSource(src.get());
        memo.SetDataField(QStringLiteral("NOTAS"));
        memo.setPlainText(QString());
        QTest::keyClicks(&memo, typed);
        memo.insertPlainText(pasted);
        QCOMPARE(memo.toPlainText(), stored);
        QCOMPARE(ds->State(), dsEdit);
        ds->Post();
        QCOMPARE(ds->FieldByName(QStringLiteral("NOTAS"))->AsString(), stored);
    }

    void codedComboShowsAndStoresCodes()
    {
        TDBCmbCodigoBox combo;
        combo.SetItems({QStringLiteral("Cumple Totalmente"), QStringLiteral("No Cumple"), QStringLiteral("No Aplica")},
                       {QStringLiteral("C"), QStringLiteral("N"), QStringLiteral("X")});
        combo.SetDataSource(src.get());
        combo.SetDataField(QStringLiteral("IND_CUMP"));
        QCOMPARE(combo.currentText(), QStringLiteral("Cumple Totalmente"));
        ds->Next();
        QCOMPARE(combo.currentText(), QStringLiteral("No Cumple"));
        QString changedTo;
        combo.OnChange = [&](QObject *) { changedTo = combo.Codigo(); };
        combo.setCurrentIndex(2);
        emit combo.activated(2);
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(ds->FieldByName(QStringLiteral("IND_CUMP"))->AsString(), QStringLiteral("X"));
        QCOMPARE(changedTo, QStringLiteral("X"));
    }

    void radioGroupStoresTheValueOfTheChosenItem()
    {
        TDBRadioGroup group;
        group.SetItems({QStringLiteral("Si"), QStringLiteral("No")}, {QStringLiteral("C"), QStringLiteral("N")}, 2);
        group.SetDataSource(src.get());
        group.SetDataField(QStringLiteral("IND_CUMP"));
        QCOMPARE(group.ItemIndex(), 0);
        ds->Next();
        QCOMPARE(group.ItemIndex(), 1);
        auto buttons = group.findChildren<QRadioButton *>();
        QCOMPARE(buttons.size(), 2);
        buttons[0]->click();
        QCOMPARE(ds->FieldByName(QStringLiteral("IND_CUMP"))->AsString(), QStringLiteral("C"));
        ds->FieldByName(QStringLiteral("IND_CUMP"))->Clear();
        QCOMPARE(group.ItemIndex(), -1);
    }

    void navigatorButtonsFollowTheState()
    {
        TQNavegador nav;
        nav.SetVisibleButtons(nbFirst | nbPrior | nbNext | nbLast | nbDelete | nbEdit | nbPost | nbCancel);
        nav.SetDataSource(src.get());
        QVERIFY(!nav.Button(nbInsert)->isVisibleTo(&nav));
        QVERIFY(!nav.Button(nbFirst)->isEnabled());
        QVERIFY(nav.Button(nbNext)->isEnabled());
        QVERIFY(!nav.Button(nbPost)->isEnabled());
        nav.BtnClick(nbLast);
        QCOMPARE(ds->RecNo(), 3);
        QVERIFY(!nav.Button(nbNext)->isEnabled());
        nav.BtnClick(nbEdit);
        QVERIFY(nav.Button(nbPost)->isEnabled());
        QVERIFY(!nav.Button(nbNext)->isEnabled());
        nav.BtnClick(nbCancel);

        // The question reads in Spanish; "No" keeps the row.
        ScriptedPrompts *prompts = ScriptedPrompts::Install();
        const auto restore = qScopeGuard([] { Application()->SetPrompts(nullptr); });
        QStringList buttons;
        prompts->answers.push_back(ScriptedPrompts::Press(QMessageBox::No, &buttons));
        nav.BtnClick(nbDelete);
        QCOMPARE(prompts->asked, QStringList{QStringLiteral("¿Eliminar el registro?")});
        buttons.sort();
        QCOMPARE(buttons, (QStringList{QStringLiteral("&No"), QStringLiteral("&Sí")}));
        QCOMPARE(ds->RecordCount(), 3);
        nav.ConfirmDelete = false;
        nav.BtnClick(nbDelete);
        QCOMPARE(ds->RecordCount(), 2);
        QCOMPARE(prompts->asked.size(), 1);
    }

    void dateButtonPicksIntoItsField()
    {
        TQsFecha button;
        button.DataSource = src.get();
        button.DatField = QStringLiteral("FECHA");
        ScriptedPrompts *prompts = ScriptedPrompts::Install();
        const auto restore = qScopeGuard([] { Application()->SetPrompts(nullptr); });
        button.Click();
        QCOMPARE(ds->State(), dsBrowse); // cancelled: nothing changes
        QDate initial;
        prompts->answers.push_back([&initial](QWidget &dialog) {
            initial = dialog.findChild<QCalendarWidget *>()->selectedDate();
            return ScriptedPrompts::Date(QDate(2026, 3, 15))(dialog);
        });
        button.Click();
        QCOMPARE(initial, QDate::currentDate());
        QCOMPARE(prompts->asked, (QStringList{QStringLiteral("Fecha"), QStringLiteral("Fecha")}));
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(ds->FieldByName(QStringLiteral("FECHA"))->AsDateTime(), QDateTime(QDate(2026, 3, 15), QTime(0, 0)));
    }

    // A memo cell shows the start of its text; its tooltip, the whole text.
    void gridShowsTheStartOfAMemo()
    {
        ds->Edit();
        ds->FieldByName(QStringLiteral("NOTAS"))->SetAsString(QStringLiteral("Primera línea\r\nsegunda línea"));
        ds->Post();
        TTolvaneDBgrid grid;
        grid.SetDataSource(src.get());
        grid.SetColumns({TColumn{QStringLiteral("NOTAS")}});
        const QModelIndex cell = grid.GridModel()->index(0, 0);
        QCOMPARE(cell.data().toString(), QStringLiteral("Primera línea …"));
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), QStringLiteral("Primera línea\r\nsegunda línea"));
        QCOMPARE(grid.GridModel()->index(1, 0).data().toString(), QString());
    }

    void gridModelShowsRowsWithoutMovingTheCursor()
    {
        TTolvaneDBgrid grid;
        grid.SetDataSource(src.get());
        grid.SetColumns({TColumn{QStringLiteral("COD")}, TColumn{QStringLiteral("NOMBRE"), 200},
                         TColumn{QStringLiteral("DtfEtiqueta"), 0, QString(), cbsEllipsis}});
        TDBGridModel *model = grid.GridModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("NOMBRE"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Etiqueta"));
        QCOMPARE(grid.columnWidth(1), 200);

        int scrolls = 0;
        ds->AfterScroll = [&](TDataSet &) { ++scrolls; };
        QCOMPARE(model->index(2, 1).data().toString(), QStringLiteral("Fila 3"));
        QCOMPARE(model->index(1, 2).data().toString(), QStringLiteral("#2 Fila 2"));
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(scrolls, 0);
        QCOMPARE(ds->FieldByName(QStringLiteral("DtfEtiqueta"))->AsString(), QStringLiteral("#1 Fila 1"));

        // Choosing a row moves the dataset; moving the dataset moves the grid.
        grid.setCurrentIndex(model->index(2, 0));
        QCOMPARE(ds->RecNo(), 3);
        QCOMPARE(scrolls, 1);
        ds->First();
        QCOMPARE(grid.currentIndex().row(), 0);

        // Editing a cell edits the record; calculated cells cannot be edited.
        QVERIFY(!(model->flags(model->index(0, 2)) & Qt::ItemIsEditable));
        QVERIFY(model->setData(model->index(1, 1), QStringLiteral("Cambiada")));
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(ds->RecNo(), 2);
        ds->Post();
        QCOMPARE(model->index(1, 1).data().toString(), QStringLiteral("Cambiada"));

        int clicks = 0;
        grid.OnEditButtonClick = [&](QObject *) { ++clicks; };
        QVERIFY(grid.HasEllipsis(2));
        QVERIFY(!grid.HasEllipsis(1));
        grid.setCurrentIndex(model->index(1, 2));
        QTest::keyClick(&grid, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(clicks, 1);
        QCOMPARE(grid.SelectedField()->FieldName(), QStringLiteral("DtfEtiqueta"));

        ds->Close();
        QCOMPARE(model->rowCount(), 0);
    }

    void qbeReopensThroughTheProvider()
    {
        auto server = std::make_shared<FakeAppServer>();
        FakeAppServer::Table table;
        table.Fields = {SFieldDef{QStringLiteral("COD_EMPR"), TFieldType::ftSmallint},
                        SFieldDef{QStringLiteral("NOMBRE"), TFieldType::ftString, 40}};
        table.Rows = {{1, QStringLiteral("A")}};
        server->Tables.insert(QStringLiteral("DtsPPrueba"), table);
        SDCOMConnection conn;
        conn.SetAppServer(server);
        SClientDataSet q(nullptr, QStringLiteral("Qry"));
        q.ProviderName = QStringLiteral("DtsPPrueba");
        q.RemoteServer = &conn;
        q.SetSQL({QStringLiteral("SELECT MA.COD_EMPR, MA.NOMBRE"), QStringLiteral("FROM T MA"),
                  QStringLiteral("WHERE MA.COD_EMPR = MA.COD_EMPR"), QString()});
        TQSDBQbe qbe;
        qbe.Tag = 1;
        qbe.SetDataset(&q);
        qbe.Inicializar(false);
        qbe.SetCondition(QStringLiteral("empresa"), QStringLiteral("MA.COD_EMPR = 1"));
        qbe.Reopen();
        QVERIFY(q.Active());
        QCOMPARE(server->LastCommandText, QStringLiteral("SELECT MA.COD_EMPR, MA.NOMBRE\r\nFROM T MA\r\nWHERE "
                                                         "MA.COD_EMPR = MA.COD_EMPR AND MA.COD_EMPR = 1\r\n"));
        // The criteria come from the dialog, through the prompt service. A value that does not fit
        // keeps the dialog open with the rows as typed and the reason; the values travel as parameters.
        ScriptedPrompts *prompts = ScriptedPrompts::Install();
        QString shownError;
        QList<TQbeCriterion> shownRows;
        prompts->answers.push_back([](QWidget &d) {
            static_cast<TQbeDialog &>(d).SetCriteria(
                {{QStringLiteral("COD_EMPR"), TQbeOperator::Equal, QStringLiteral("uno")},
                 {QStringLiteral("NOMBRE"), TQbeOperator::StartsWith, QStringLiteral("A")}});
            return int(QDialog::Accepted);
        });
        prompts->answers.push_back([&](QWidget &d) {
            auto &dialog = static_cast<TQbeDialog &>(d);
            shownError = dialog.Error();
            shownRows = dialog.Criteria();
            dialog.SetCriteria({shownRows.at(1)});
            return int(QDialog::Accepted);
        });
        qbe.Click();
        QCOMPARE(prompts->asked,
                 QStringList({QStringLiteral("Consulta por ejemplo"), QStringLiteral("Consulta por ejemplo")}));
        QCOMPARE(shownError, QStringLiteral("'uno' no es un valor válido para el campo 'COD_EMPR'."));
        QCOMPARE(shownRows.size(), 2);
        QCOMPARE(shownRows.at(0).Value, QStringLiteral("uno"));
        QVERIFY(server->LastCommandText.endsWith(QStringLiteral(" AND MA.COD_EMPR = 1 AND MA.NOMBRE LIKE :QBE1\r\n")));
        QCOMPARE(server->LastParams.size(), 1);
        QCOMPARE(server->LastParams.at(0).Value, QVariant(QStringLiteral("A%")));
        QCOMPARE(qbe.FilterText(), QStringLiteral("NOMBRE empieza por A"));
        Application()->SetPrompts(nullptr);
        qbe.Inicializar(false);
        QVERIFY(qbe.Criteria().isEmpty());
    }
};

QTEST_MAIN(tst_DataControls)
#include "tst_DataControls.moc"
