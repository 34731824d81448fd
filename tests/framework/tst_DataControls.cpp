// Data-aware controls as a user sees them: what they show, what they store, when they let edit; and
// the data source between them and the dataset (notifications, disabled controls, auto-edit, focus).

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
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class tst_DataControls : public QObject
{
    Q_OBJECT

    std::unique_ptr<SClientDataSet> ds;
    std::unique_ptr<TDataSource> src;

private slots:
    void init()
    {
        ds = std::make_unique<SClientDataSet>(nullptr, u"Cds"_s);
        ds->AddFieldDef(u"COD"_s, TFieldType::ftInteger);
        ds->AddFieldDef(u"NOMBRE"_s, TFieldType::ftString, 40);
        ds->AddFieldDef(u"IND_CUMP"_s, TFieldType::ftFixedChar, 1);
        ds->AddFieldDef(u"FECHA"_s, TFieldType::ftDateTime);
        ds->AddFieldDef(u"NOTAS"_s, TFieldType::ftMemo);
        auto *calc = new TStringField(ds.get(), u"DtfEtiqueta"_s, 30, fkCalculated);
        calc->SetDisplayLabel(u"Etiqueta"_s);
        ds->OnCalcFields = [](TDataSet &d) {
            d.FieldByName(u"DtfEtiqueta"_s)
                ->SetAsString(
                    u"#%1 %2"_s.arg(d.FieldByName(u"COD"_s)->AsString(), d.FieldByName(u"NOMBRE"_s)->AsString()));
        };
        ds->CreateDataSet();
        for (int i = 1; i <= 3; ++i) {
            ds->Append();
            ds->FieldByName(u"COD"_s)->SetAsInteger(i);
            ds->FieldByName(u"NOMBRE"_s)->SetAsString(u"Fila %1"_s.arg(i));
            ds->FieldByName(u"IND_CUMP"_s)->SetAsString(i == 2 ? u"N"_s : u"C"_s);
            ds->Post();
        }
        ds->MergeChangeLog();
        ds->First();
        src = std::make_unique<TDataSource>(nullptr, u"Dts"_s);
        src->SetDataSet(ds.get());
    }
    void cleanup()
    {
        src.reset();
        ds.reset();
    }

    // What a data source tells its controls, in order.
    void dataSourceNotifications()
    {
        QSignalSpy states(src.get(), &TDataSource::stateChanged);
        QSignalSpy scrolls(src.get(), &TDataSource::dataSetChanged);
        QSignalSpy records(src.get(), &TDataSource::recordChanged);
        QSignalSpy updates(src.get(), &TDataSource::updateData);
        ds->Next();
        QCOMPARE(scrolls.count(), 1);
        src->Edit();
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(states.count(), 1);
        TField *name = ds->FieldByName(u"NOMBRE"_s);
        name->SetAsString(u"X"_s);
        // The changed field first, then the calculated field recomputed after it.
        QVERIFY(records.size() >= 2);
        QCOMPARE(records.at(records.size() - 2).at(0).value<TField *>(), name);
        QCOMPARE(records.last().at(0).value<TField *>(), ds->FieldByName(u"DtfEtiqueta"_s));
        ds->Post();
        QCOMPARE(updates.count(), 1);
        QCOMPARE(states.count(), 2);

        // Disabled controls hear nothing until the last EnableControls, then one dataset change.
        ds->DisableControls();
        ds->DisableControls();
        const int before = int(scrolls.count());
        for (int i = 0; i < 5; ++i)
            ds->Prior();
        ds->EnableControls();
        QCOMPARE(scrolls.count(), before);
        ds->EnableControls();
        QCOMPARE(scrolls.count(), before + 1);

        src->AutoEdit = false;
        src->Edit();
        QCOMPARE(ds->State(), dsBrowse);
    }

    // A read-only dataset refuses before any event; a missing required value asks its control for focus.
    void refusedEditsAndPosts()
    {
        QStringList events;
        for (auto *event : {&ds->BeforeEdit, &ds->BeforeInsert, &ds->BeforePost})
            *event = [&](TDataSet &) { events << u"event"_s; };
        const auto raised = [](const std::function<void()> &action) {
            try {
                action();
            } catch (const Exception &e) {
                return e.Message();
            }
            return QString();
        };
        ds->ReadOnly = true;
        QCOMPARE(raised([&] { ds->Edit(); }), u"Cannot modify a read-only dataset"_s);
        QCOMPARE(raised([&] { ds->Append(); }), u"Cannot modify a read-only dataset"_s);
        QVERIFY(events.isEmpty());
        ds->ReadOnly = false;

        QSignalSpy focus(src.get(), &TDataSource::focusControl);
        TField *name = ds->FieldByName(u"NOMBRE"_s);
        name->Required = true;
        name->SetDisplayLabel(u"Nombre"_s);
        ds->Edit();
        name->Clear();
        QCOMPARE(raised([&] { ds->Post(); }), u"Field 'Nombre' must have a value"_s);
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(focus.count(), 1);
        QCOMPARE(focus.at(0).at(0).value<TField *>(), name);
    }

    // A disabled source shows an inactive dataset; each side forgets the other when it is destroyed.
    void unlinking()
    {
        src->SetEnabled(false);
        QCOMPARE(src->State(), dsInactive);
        src->SetEnabled(true);
        QCOMPARE(src->State(), dsBrowse);
        auto *temporary = new TDataSource;
        temporary->SetDataSet(ds.get());
        delete temporary;
        ds->Next();
        ds.reset();
        QCOMPARE(src->DataSet(), nullptr);
        QCOMPARE(src->State(), dsInactive);
    }

    void editShowsAndStores()
    {
        TDBEdit edit;
        edit.SetDataSource(src.get());
        edit.SetDataField(u"NOMBRE"_s);
        QCOMPARE(edit.text(), u"Fila 1"_s);
        ds->Next();
        QCOMPARE(edit.text(), u"Fila 2"_s);

        edit.show();
        edit.setFocus();
        QTest::keyClick(&edit, Qt::Key_End);
        QTest::keyClicks(&edit, u" editada"_s);
        QCOMPARE(ds->State(), dsEdit);
        // Not stored until the edit hands its text over (posting asks the controls for it).
        ds->Post();
        QCOMPARE(ds->State(), dsBrowse);
        QCOMPARE(ds->FieldByName(u"NOMBRE"_s)->AsString(), u"Fila 2 editada"_s);
        QCOMPARE(edit.text(), u"Fila 2 editada"_s);
        // Escape gives the field's text back.
        QTest::keyClicks(&edit, u"x"_s);
        QTest::keyClick(&edit, Qt::Key_Escape);
        QCOMPARE(edit.text(), u"Fila 2 editada"_s);
        ds->Post();
        QCOMPARE(ds->FieldByName(u"NOMBRE"_s)->AsString(), u"Fila 2 editada"_s);
    }

    // Every editor of a text field stops input at the field's size (NOMBRE keeps 40): what the user
    // sees is what is stored, nothing is cut later. A memo field has no size and no limit.
    void inputStopsAtTheFieldSize_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("limit");
        QTest::newRow("texto de 40") << u"NOMBRE"_s << 40;
        QTest::newRow("memo sin límite") << u"NOTAS"_s << 0;
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
        grid.SetColumns({TColumn{u"COD"_s}, TColumn{field, 200}});
        grid.show();
        grid.setCurrentIndex(grid.GridModel()->index(1, 1));
        grid.edit(grid.currentIndex());
        auto *cell = grid.findChild<QLineEdit *>();
        QVERIFY(cell);
        cell->selectAll();
        QTest::keyClicks(cell, typed);
        QCOMPARE(cell->text(), kept);
    }

    void readOnlyFieldIsGreyAndSkippedByTab()
    {
        ds->FieldByName(u"COD"_s)->ReadOnly = true;
        TDBEdit edit;
        edit.SetDataSource(src.get());
        edit.SetDataField(u"COD"_s);
        QVERIFY(edit.isReadOnly());
        QCOMPARE(edit.palette().color(QPalette::Base), QColor(0xE9, 0xE9, 0xE9));
        QCOMPARE(edit.focusPolicy(), Qt::ClickFocus);
        QCOMPARE(edit.toolTip(), edit.text()); // the whole text, however narrow the edit
        QTest::keyClicks(&edit, u"9"_s);
        QCOMPARE(ds->State(), dsBrowse);

        TDBEdit name;
        name.SetDataSource(src.get());
        name.SetDataField(u"NOMBRE"_s);
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
        QTest::newRow("no limit") << 0 << QString() << u"línea 1\nlínea 2"_s << u"línea 1\nlínea 2"_s;
        // Input stops at the limit: the text shown is the text posted, nothing is cut later.
        QTest::newRow("typing stops at the limit") << 5 << u"abcdefg"_s << QString() << u"abcde"_s;
        QTest::newRow("a paste keeps what fits") << 5 << u"ab"_s << u"123456"_s << u"ab123"_s;
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
        memo.SetDataField(u"NOTAS"_s);
        memo.setPlainText(QString());
        QTest::keyClicks(&memo, typed);
        memo.insertPlainText(pasted);
        QCOMPARE(memo.toPlainText(), stored);
        QCOMPARE(ds->State(), dsEdit);
        ds->Post();
        QCOMPARE(ds->FieldByName(u"NOTAS"_s)->AsString(), stored);
    }

    void codedComboShowsAndStoresCodes()
    {
        TDBCmbCodigoBox combo;
        combo.SetItems({u"Cumple Totalmente"_s, u"No Cumple"_s, u"No Aplica"_s}, {u"C"_s, u"N"_s, u"X"_s});
        combo.SetDataSource(src.get());
        combo.SetDataField(u"IND_CUMP"_s);
        QCOMPARE(combo.currentText(), u"Cumple Totalmente"_s);
        ds->Next();
        QCOMPARE(combo.currentText(), u"No Cumple"_s);
        QString changedTo;
        combo.OnChange = [&](QObject *) { changedTo = combo.Codigo(); };
        combo.setCurrentIndex(2);
        emit combo.activated(2);
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(ds->FieldByName(u"IND_CUMP"_s)->AsString(), u"X"_s);
        QCOMPARE(changedTo, u"X"_s);
    }

    void radioGroupStoresTheValueOfTheChosenItem()
    {
        TDBRadioGroup group;
        group.SetItems({u"Si"_s, u"No"_s}, {u"C"_s, u"N"_s}, 2);
        group.SetDataSource(src.get());
        group.SetDataField(u"IND_CUMP"_s);
        QCOMPARE(group.ItemIndex(), 0);
        ds->Next();
        QCOMPARE(group.ItemIndex(), 1);
        auto buttons = group.findChildren<QRadioButton *>();
        QCOMPARE(buttons.size(), 2);
        buttons[0]->click();
        QCOMPARE(ds->FieldByName(u"IND_CUMP"_s)->AsString(), u"C"_s);
        ds->FieldByName(u"IND_CUMP"_s)->Clear();
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
        QCOMPARE(prompts->asked, QStringList{u"¿Eliminar el registro?"_s});
        buttons.sort();
        QCOMPARE(buttons, (QStringList{u"&No"_s, u"&Sí"_s}));
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
        button.DatField = u"FECHA"_s;
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
        QCOMPARE(prompts->asked, (QStringList{u"Fecha"_s, u"Fecha"_s}));
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(ds->FieldByName(u"FECHA"_s)->AsDateTime(), QDateTime(QDate(2026, 3, 15), QTime(0, 0)));
    }

    void gridModelShowsRowsWithoutMovingTheCursor()
    {
        ds->Edit();
        ds->FieldByName(u"NOTAS"_s)->SetAsString(u"Primera línea\r\nsegunda línea"_s);
        ds->Post();
        TTolvaneDBgrid grid;
        grid.SetDataSource(src.get());
        grid.SetColumns({TColumn{u"COD"_s}, TColumn{u"NOMBRE"_s, 200},
                         TColumn{u"DtfEtiqueta"_s, 0, QString(), cbsEllipsis}, TColumn{u"NOTAS"_s}});
        TDBGridModel *model = grid.GridModel();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), u"NOMBRE"_s);
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), u"Etiqueta"_s);

        int scrolls = 0;
        ds->AfterScroll = [&](TDataSet &) { ++scrolls; };
        QCOMPARE(model->index(2, 1).data().toString(), u"Fila 3"_s);
        QCOMPARE(model->index(1, 2).data().toString(), u"#2 Fila 2"_s);
        QCOMPARE(ds->RecNo(), 1);
        QCOMPARE(scrolls, 0);
        QCOMPARE(ds->FieldByName(u"DtfEtiqueta"_s)->AsString(), u"#1 Fila 1"_s);
        // A memo cell shows the start of its text; its tooltip, the whole text.
        QCOMPARE(model->index(0, 3).data().toString(), u"Primera línea …"_s);
        QCOMPARE(model->index(0, 3).data(Qt::ToolTipRole).toString(), u"Primera línea\r\nsegunda línea"_s);
        QCOMPARE(model->index(1, 3).data().toString(), QString());

        // Choosing a row moves the dataset; moving the dataset moves the grid.
        grid.setCurrentIndex(model->index(2, 0));
        QCOMPARE(ds->RecNo(), 3);
        QCOMPARE(scrolls, 1);
        ds->First();
        QCOMPARE(grid.currentIndex().row(), 0);

        // Editing a cell edits the record; calculated cells cannot be edited.
        QVERIFY(!(model->flags(model->index(0, 2)) & Qt::ItemIsEditable));
        QVERIFY(model->setData(model->index(1, 1), u"Cambiada"_s));
        QCOMPARE(ds->State(), dsEdit);
        QCOMPARE(ds->RecNo(), 2);
        ds->Post();
        QCOMPARE(model->index(1, 1).data().toString(), u"Cambiada"_s);

        int clicks = 0;
        grid.OnEditButtonClick = [&](QObject *) { ++clicks; };
        grid.setCurrentIndex(model->index(1, 2));
        QTest::keyClick(&grid, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(clicks, 1);
        QCOMPARE(grid.SelectedField()->FieldName(), u"DtfEtiqueta"_s);

        ds->Close();
        QCOMPARE(model->rowCount(), 0);
    }

    void qbeReopensThroughTheProvider()
    {
        auto server = FakeAppServer::WithItems();
        SDCOMConnection conn;
        conn.SetAppServer(server);
        SClientDataSet q(nullptr, u"Qry"_s);
        q.ProviderName = u"DtsPItems"_s;
        q.RemoteServer = &conn;
        q.SetSQL({u"SELECT T.ID, T.NAME"_s, u"FROM ITEMS T"_s, u"WHERE T.ID = T.ID"_s, QString()});
        TQSDBQbe qbe;
        qbe.Tag = 1;
        qbe.SetDataset(&q);
        qbe.Inicializar(false);
        qbe.SetCondition(u"empresa"_s, u"T.ID > 0"_s);
        qbe.Reopen();
        QVERIFY(q.Active());
        QCOMPARE(server->LastCommandText,
                 u"SELECT T.ID, T.NAME\r\nFROM ITEMS T\r\nWHERE T.ID = T.ID AND T.ID > 0\r\n"_s);
        // The criteria come from the dialog, through the prompt service. A value that does not fit
        // keeps the dialog open with the rows as typed and the reason; the values travel as parameters.
        ScriptedPrompts *prompts = ScriptedPrompts::Install();
        QString shownError;
        QList<TQbeCriterion> shownRows;
        prompts->answers.push_back([](QWidget &d) {
            static_cast<TQbeDialog &>(d).SetCriteria(
                {{u"ID"_s, TQbeOperator::Equal, u"uno"_s}, {u"NAME"_s, TQbeOperator::StartsWith, u"U"_s}});
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
        QCOMPARE(prompts->asked, QStringList({u"Consulta por ejemplo"_s, u"Consulta por ejemplo"_s}));
        QCOMPARE(shownError, u"'uno' no es un valor válido para el campo 'ID'."_s);
        QCOMPARE(shownRows.size(), 2);
        QCOMPARE(shownRows.at(0).Value, u"uno"_s);
        QVERIFY(server->LastCommandText.endsWith(u" AND T.ID > 0 AND T.NAME LIKE :QBE1\r\n"_s));
        QCOMPARE(server->LastParams.size(), 1);
        QCOMPARE(server->LastParams.at(0).Value, QVariant(u"U%"_s));
        QCOMPARE(qbe.FilterText(), u"NAME empieza por U"_s);
        Application()->SetPrompts(nullptr);
        qbe.Inicializar(false);
        QVERIFY(qbe.Criteria().isEmpty());
    }
};

QTEST_MAIN(tst_DataControls)
#include "tst_DataControls.moc"
