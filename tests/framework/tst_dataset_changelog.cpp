// The change log of the client dataset and applying it through a provider: what is logged, what
// travels, the reconcile actions, and the provider-side pieces (parameters, command text,
// persistent fields, refresh); in-memory datasets and their index.
#include "FakeAppServer.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"

#include <QScopeGuard>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString provider = u"DtsPItems"_s;

// The provider "DtsPItems" of FakeAppServer::WithItems, with dynamic fields.
struct Remote
{
    std::shared_ptr<FakeAppServer> Server = FakeAppServer::WithItems();
    SDCOMConnection Connection;
    SClientDataSet DataSet{nullptr, u"QryItems"_s};
    QStringList Log;

    Remote()
    {
        Connection.SetAppServer(Server);
        DataSet.RemoteServer = &Connection;
        DataSet.ProviderName = provider;
        DataSet.AfterApplyUpdates = [this](SClientDataSet &, QVariant &) { Log << u"AfterApplyUpdates"_s; };
        DataSet.BeforeApplyUpdates = [this](SClientDataSet &, QVariant &) { Log << u"BeforeApplyUpdates"_s; };
        DataSet.BeforePost = [this](TDataSet &) { Log << u"BeforePost"_s; };
        DataSet.AfterPost = [this](TDataSet &) { Log << u"AfterPost"_s; };
        DataSet.Open();
    }
    TField *F(const QString &name) const { return DataSet.FieldByName(name); }
    QVariantList ServerRow(int id) const
    {
        for (const QVariantList &row : Server->Tables[provider].Rows)
            if (row.at(0).toInt() == id)
                return row;
        return {};
    }
    void EditName(int id, const QString &name)
    {
        QVERIFY(DataSet.Locate(u"ID"_s, id));
        DataSet.Edit();
        F(u"NAME"_s)->SetAsString(name);
        DataSet.Post();
    }
};

QString raised(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Exception &e) {
        return e.Message();
    }
    return QString();
}

} // namespace

class tst_dataset_changelog : public QObject
{
    Q_OBJECT
private slots:
    void postOfUntouchedNewRecordIsLogged()
    {
        Remote r;
        r.DataSet.Append();
        r.DataSet.Post(); // an explicit Post writes the record even when nothing was assigned
        QCOMPARE(r.DataSet.RecordCount(), 4);
        QCOMPARE(r.DataSet.ChangeCount(), 1);
        QCOMPARE(r.DataSet.ApplyUpdates(-1), 0);
        QCOMPARE(r.Server->LastDelta.Rows.size(), 1);
        QCOMPARE(r.Server->LastDelta.Rows.at(0).Kind, TUpdateKind::ukInsert);
        QCOMPARE(r.Server->LastDelta.Rows.at(0).NewValues, (QVariantList{QVariant(), QVariant(), QVariant()}));
        QCOMPARE(r.DataSet.ChangeCount(), 0);
    }

    void modifyThenCancelLeavesNoChange()
    {
        Remote r;
        r.DataSet.Edit();
        r.F(u"NAME"_s)->SetAsString(u"Otro"_s);
        r.DataSet.Cancel();
        QCOMPARE(r.F(u"NAME"_s)->AsString(), u"Uno"_s);
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        // Posting the same values is no change either.
        r.DataSet.Edit();
        r.F(u"NAME"_s)->SetAsString(u"Uno"_s);
        r.DataSet.Post();
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        // With nothing to send, a save neither calls the server nor runs its handlers.
        r.Log.clear();
        QCOMPARE(r.DataSet.ApplyUpdates(0), 0);
        QCOMPARE(r.Server->ApplyCalls, 0);
        QVERIFY(r.Log.isEmpty());
    }

    void modifyThenCancelUpdatesRestores()
    {
        Remote r;
        r.EditName(2, u"Nuevo"_s);
        r.EditName(2, u"Otra vez"_s);
        QCOMPARE(r.DataSet.ChangeCount(), 1);
        QCOMPARE(r.F(u"NAME"_s)->OldValue(), QVariant(u"Dos"_s)); // the value before the first change
        r.DataSet.CancelUpdates();
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        QCOMPARE(r.F(u"NAME"_s)->AsString(), u"Dos"_s);
        QCOMPARE(r.DataSet.RecNo(), 2);
    }

    void deleteOfInsertedRowLeavesNoChange()
    {
        Remote r;
        r.DataSet.Append();
        r.F(u"ID"_s)->SetAsInteger(4);
        r.DataSet.Post();
        QCOMPARE(r.DataSet.ChangeCount(), 1);
        r.DataSet.Delete();
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        QCOMPARE(r.DataSet.RecordCount(), 3);
        // Deleting a fetched row logs it; cancelling brings it back in its place.
        r.DataSet.First();
        r.DataSet.Delete();
        QCOMPARE(r.DataSet.ChangeCount(), 1);
        QCOMPARE(r.F(u"ID"_s)->AsInteger(), 2);
        r.DataSet.CancelUpdates();
        r.DataSet.First();
        QCOMPARE(r.F(u"ID"_s)->AsInteger(), 1);
        QCOMPARE(r.DataSet.RecordCount(), 3);
    }

    void modifyThenDeleteSendsOriginalValues()
    {
        Remote r;
        r.EditName(3, u"Cambiado"_s);
        r.DataSet.Delete();
        QCOMPARE(r.DataSet.ChangeCount(), 1);
        QCOMPARE(r.DataSet.ApplyUpdates(0), 0);
        const SDeltaRow &row = r.Server->LastDelta.Rows.at(0);
        QCOMPARE(row.Kind, TUpdateKind::ukDelete);
        QCOMPARE(row.OldValues, (QVariantList{3, u"Tres"_s, QVariant()}));
        QVERIFY(r.ServerRow(3).isEmpty());
    }

    void applySendsOnlyChanges()
    {
        Remote r;
        r.EditName(2, u"Nuevo"_s);
        r.DataSet.Last();
        r.DataSet.Delete();
        r.DataSet.Append();
        r.F(u"ID"_s)->SetAsInteger(7);
        r.F(u"NAME"_s)->SetAsString(u"Siete"_s);
        // The pending insert is posted by ApplyUpdates itself.
        r.Log.clear();
        QCOMPARE(r.DataSet.ApplyUpdates(0), 0);
        QCOMPARE(r.Log,
                 (QStringList{u"BeforePost"_s, u"AfterPost"_s, u"BeforeApplyUpdates"_s, u"AfterApplyUpdates"_s}));
        const SDelta &delta = r.Server->LastDelta;
        QCOMPARE(delta.Rows.size(), 3);
        QCOMPARE(delta.Fields.at(0).InKey, true);
        QCOMPARE(delta.Rows.at(0).Kind, TUpdateKind::ukModify);
        QCOMPARE(delta.Rows.at(0).Changed, (QList<bool>{false, true, false}));
        QCOMPARE(delta.Rows.at(0).OldValues.at(1), QVariant(u"Dos"_s));
        QCOMPARE(delta.Rows.at(0).NewValues.at(1), QVariant(u"Nuevo"_s));
        QCOMPARE(delta.Rows.at(1).Kind, TUpdateKind::ukDelete);
        QCOMPARE(delta.Rows.at(2).Kind, TUpdateKind::ukInsert);
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        QCOMPARE(r.ServerRow(2).at(1), QVariant(u"Nuevo"_s));
        QVERIFY(r.ServerRow(3).isEmpty());
        QCOMPARE(r.ServerRow(7).at(1), QVariant(u"Siete"_s));
    }

    void reconcileActions_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("changeCount");
        QTest::addColumn<QString>("clientName");
        QTest::addColumn<QString>("serverNameAfterRetry");

        // Row 2's NAME was changed to "Nuevo" here and to "Otro" on the server: the update is refused.
        QTest::newRow("skip keeps the change") << int(raSkip) << 1 << u"Nuevo"_s << u"Otro"_s;
        QTest::newRow("abort keeps the change") << int(raAbort) << 1 << u"Nuevo"_s << u"Otro"_s;
        QTest::newRow("merge accepts it over the server row") << int(raMerge) << 0 << u"Nuevo"_s << u"Otro"_s;
        QTest::newRow("correct keeps the handler's value") << int(raCorrect) << 1 << u"Corregido"_s << u"Otro"_s;
        QTest::newRow("cancel reverts") << int(raCancel) << 0 << u"Dos"_s << u"Otro"_s;
        QTest::newRow("refresh takes the server's row") << int(raRefresh) << 0 << u"Otro"_s << u"Otro"_s;
    }
    void reconcileActions()
    {
        QFETCH(int, action);
        QFETCH(int, changeCount);
        QFETCH(QString, clientName);
        QFETCH(QString, serverNameAfterRetry);
        Remote r;
        r.EditName(2, u"Nuevo"_s);
        r.EditName(1, u"Bien"_s);                          // applied
        r.Server->Tables[provider].Rows[1][1] = u"Otro"_s; // another user
        QVariantList seen;
        r.DataSet.OnReconcileError = [&](SClientDataSet &d, EReconcileError &e, TUpdateKind kind, TReconcileAction &a) {
            r.Log << u"OnReconcileError"_s;
            QCOMPARE(e.Message(), u"Record not found or changed by another user"_s);
            QCOMPARE(e.Context, provider);
            QCOMPARE(kind, TUpdateKind::ukModify);
            TField *name = d.FieldByName(u"NAME"_s);
            seen << name->OldValue() << name->NewValue() << name->CurValue();
            if (action == raCorrect)
                name->SetNewValue(u"Corregido"_s);
            a = TReconcileAction(action);
        };
        r.Log.clear();
        QCOMPARE(r.DataSet.ApplyUpdates(-1), 1);
        QCOMPARE(r.Log, (QStringList{u"BeforeApplyUpdates"_s, u"AfterApplyUpdates"_s, u"OnReconcileError"_s}));
        QCOMPARE(seen, (QVariantList{u"Dos"_s, u"Nuevo"_s, u"Otro"_s}));
        QCOMPARE(r.DataSet.ChangeCount(), changeCount);
        QCOMPARE(r.ServerRow(1).at(1), QVariant(u"Bien"_s)); // the accepted row left the log
        QVERIFY(r.DataSet.Locate(u"ID"_s, 2));
        QCOMPARE(r.F(u"NAME"_s)->AsString(), clientName);
        QCOMPARE(r.ServerRow(2).at(1), QVariant(u"Otro"_s));
        // Whatever stayed in the log is what a second apply sends.
        r.DataSet.OnReconcileError = nullptr;
        r.DataSet.ApplyUpdates(-1);
        QCOMPARE(r.ServerRow(2).at(1), QVariant(serverNameAfterRetry));
    }

    void reconcileInsertAndDelete_data()
    {
        QTest::addColumn<int>("kind"); // insert or delete
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("recordCount");
        QTest::addColumn<int>("changeCount");

        QTest::newRow("insert, cancel drops the row") << int(TUpdateKind::ukInsert) << int(raCancel) << 3 << 0;
        QTest::newRow("insert, skip keeps it") << int(TUpdateKind::ukInsert) << int(raSkip) << 4 << 1;
        QTest::newRow("insert, refresh takes the server row") << int(TUpdateKind::ukInsert) << int(raRefresh) << 4 << 0;
        QTest::newRow("delete, cancel brings it back") << int(TUpdateKind::ukDelete) << int(raCancel) << 3 << 0;
        QTest::newRow("delete, skip keeps it deleted") << int(TUpdateKind::ukDelete) << int(raSkip) << 2 << 1;
        QTest::newRow("delete, merge forgets it") << int(TUpdateKind::ukDelete) << int(raMerge) << 2 << 0;
        QTest::newRow("delete, refresh brings the server row")
            << int(TUpdateKind::ukDelete) << int(raRefresh) << 3 << 0;
    }
    void reconcileInsertAndDelete()
    {
        QFETCH(int, kind);
        QFETCH(int, action);
        QFETCH(int, recordCount);
        QFETCH(int, changeCount);
        Remote r;
        if (kind == int(TUpdateKind::ukInsert)) {
            r.DataSet.Append();
            r.F(u"ID"_s)->SetAsInteger(3); // the key exists: refused
            r.F(u"NAME"_s)->SetAsString(u"Repetido"_s);
            r.DataSet.Post();
        } else {
            QVERIFY(r.DataSet.Locate(u"ID"_s, 3));
            r.DataSet.Delete();
            r.Server->RefuseKeys.insert(u"3"_s, u"Tiene movimientos"_s);
        }
        TUpdateKind seenKind = TUpdateKind::ukModify;
        r.DataSet.OnReconcileError = [&](SClientDataSet &, EReconcileError &, TUpdateKind k, TReconcileAction &a) {
            seenKind = k;
            a = TReconcileAction(action);
        };
        QCOMPARE(r.DataSet.ApplyUpdates(-1), 1);
        QCOMPARE(int(seenKind), kind);
        QCOMPARE(r.DataSet.RecordCount(), recordCount);
        QCOMPARE(r.DataSet.ChangeCount(), changeCount);
        if (action == raRefresh) {
            QVERIFY(r.DataSet.Locate(u"ID"_s, 3));
            QCOMPARE(r.F(u"NAME"_s)->AsString(), u"Tres"_s);
        }
    }

    void initialActionFollowsMaxErrors()
    {
        for (const int maxErrors : {-1, 0, 1}) {
            Remote r;
            r.Server->RefuseKeys = {{u"1"_s, u"No"_s}, {u"2"_s, u"No"_s}};
            r.EditName(1, u"A"_s);
            r.EditName(2, u"B"_s);
            QList<int> initial;
            r.DataSet.OnReconcileError = [&](SClientDataSet &, EReconcileError &, TUpdateKind, TReconcileAction &a) {
                initial << int(a);
            };
            const int errors = r.DataSet.ApplyUpdates(maxErrors);
            QCOMPARE(r.Server->LastMaxErrors, maxErrors);
            if (maxErrors == -1) {
                QCOMPARE(errors, 2);
                QCOMPARE(initial, (QList<int>{raSkip, raSkip}));
            } else if (maxErrors == 0) {
                QCOMPARE(errors, 1); // at most MaxErrors + 1
                QCOMPARE(initial, (QList<int>{raAbort}));
            } else {
                QCOMPARE(errors, 2);
                QCOMPARE(initial, (QList<int>{raSkip, raAbort}));
            }
        }
    }

    void rollbackKeepsTheWholeLog()
    {
        Remote r;
        r.EditName(1, u"Aceptable"_s);
        r.EditName(2, u"Rechazado"_s);
        r.Server->RefuseKeys.insert(u"2"_s, u"Bloqueado"_s);
        QCOMPARE(r.DataSet.ApplyUpdates(0), 1);
        QCOMPARE(r.ServerRow(1).at(1), QVariant(u"Uno"_s)); // rolled back
        QCOMPARE(r.DataSet.ChangeCount(), 2);
    }

    void raisingHandlerAborts()
    {
        Remote r;
        QStringList shown;
        Application()->ShowException = [&](const QString &message) { shown << message; };
        r.Server->RefuseKeys = {{u"1"_s, u"No"_s}, {u"2"_s, u"No"_s}};
        r.EditName(1, u"A"_s);
        r.EditName(2, u"B"_s);
        int calls = 0;
        r.DataSet.OnReconcileError = [&](SClientDataSet &, EReconcileError &, TUpdateKind, TReconcileAction &a) {
            ++calls;
            a = raCancel;
            throw Exception(u"Fallo del manejador"_s);
        };
        QCOMPARE(r.DataSet.ApplyUpdates(-1), 2);
        QCOMPARE(calls, 1); // aborted: the second error is not reconciled
        QCOMPARE(shown, (QStringList{u"Fallo del manejador"_s}));
        QCOMPARE(r.DataSet.ChangeCount(), 2);
        Application()->ShowException = nullptr;
    }

    void suiteReconcileError()
    {
        Remote r;
        r.Server->RefuseKeys.insert(u"2"_s, u"Registro bloqueado"_s);
        r.EditName(2, u"Nuevo"_s);
        r.DataSet.OnReconcileError = [&](SClientDataSet &d, EReconcileError &e, TUpdateKind k, TReconcileAction &a) {
            r.DataSet.SuiteReconcileError(d, e, k, a);
        };
        // Default: the row's change is cancelled and the message is kept for the caller.
        QCOMPARE(r.DataSet.ApplyUpdates(-1), 1);
        QCOMPARE(r.DataSet.ReconcileMessages, (QStringList{u"Registro bloqueado"_s}));
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        QCOMPARE(r.F(u"NAME"_s)->AsString(), u"Dos"_s);

        // The UI hook reports the error and may choose another action.
        QStringList reported;
        const auto uninstall = qScopeGuard([] { SClientDataSet::ReconcileErrorHook = nullptr; });
        SClientDataSet::ReconcileErrorHook = [&](TDataSet &d, const EReconcileError &e, TUpdateKind,
                                                 TReconcileAction &a) {
            reported << d.Name() + u": "_s + e.Message();
            QCOMPARE(a, raCancel);
            a = raSkip;
        };
        r.EditName(2, u"Nuevo"_s);
        QCOMPARE(r.DataSet.ApplyUpdates(-1), 1);
        QCOMPARE(reported, (QStringList{u"QryItems: Registro bloqueado"_s}));
        QCOMPARE(r.DataSet.ChangeCount(), 1);
    }

    void afterApplyMayReopen()
    {
        Remote r;
        r.Server->RefuseKeys.insert(u"2"_s, u"No"_s);
        r.EditName(1, u"A"_s);
        r.EditName(2, u"B"_s);
        r.DataSet.AfterApplyUpdates = [&](SClientDataSet &d, QVariant &) {
            d.Close();
            d.Open();
        };
        int calls = 0;
        r.DataSet.OnReconcileError = [&](SClientDataSet &, EReconcileError &, TUpdateKind, TReconcileAction &) {
            ++calls;
        };
        QCOMPARE(r.DataSet.ApplyUpdates(-1), 1);
        QCOMPARE(calls, 1); // still reported
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        QCOMPARE(r.F(u"NAME"_s)->AsString(), u"A"_s);
    }

    // What the after-apply handler learns of a save: the rows refused and whether it was stored.
    void afterApplyLearnsHowTheSaveWent_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<int>("errors");
        QTest::addColumn<bool>("committed");
        QTest::newRow("stored") << QString() << 0 << true;
        QTest::newRow("one row refused, all rolled back") << u"2"_s << 1 << false;
    }
    void afterApplyLearnsHowTheSaveWent()
    {
        QFETCH(QString, refuse);
        QFETCH(int, errors);
        QFETCH(bool, committed);
        Remote r;
        if (!refuse.isEmpty())
            r.Server->RefuseKeys.insert(refuse, u"Bloqueado"_s);
        QVariantMap seen;
        r.DataSet.AfterApplyUpdates = [&seen](SClientDataSet &, QVariant &owner) { seen = owner.toMap(); };
        r.EditName(1, u"Primero"_s);
        r.EditName(2, u"Segundo"_s);
        r.DataSet.ApplyUpdates(0);
        QCOMPARE(seen.value(u"ErrorCount"_s).toInt(), errors);
        QCOMPARE(seen.value(u"Committed"_s).toBool(), committed);
    }

    // A failing after-apply handler's error reaches the caller; the stored row leaves the log all the same,
    // so the next save sends nothing.
    void failingAfterApplyStillClosesTheLog()
    {
        Remote r;
        r.DataSet.AfterApplyUpdates = [](SClientDataSet &, QVariant &) {
            throw Exception(u"Error editando el Responsable."_s);
        };
        r.EditName(1, u"Primero"_s);
        QCOMPARE(raised([&] { r.DataSet.ApplyUpdates(0); }), u"Error editando el Responsable."_s);
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        r.DataSet.AfterApplyUpdates = nullptr;
        QCOMPARE(r.DataSet.ApplyUpdates(0), 0);
        QCOMPARE(r.Server->ApplyCalls, 1);
        QCOMPARE(r.ServerRow(1).at(1), QVariant(u"Primero"_s));
    }

    void logChangesOff()
    {
        Remote r;
        r.DataSet.LogChanges = false;
        r.EditName(1, u"Sin registro"_s);
        r.DataSet.Delete();
        QCOMPARE(r.DataSet.ChangeCount(), 0);
        QCOMPARE(r.DataSet.RecordCount(), 2);
    }

    // The parameters a command text has, as the dataset sends them: the ':NAME's outside every quoting
    // form and comment of both databases, each once, in order of first appearance, as first written.
    void paramsOfCommandText_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        const struct
        {
            const char *tag;
            const char16_t *sql;
            QStringList names;
        } rows[] = {
            {"repetido sin distinguir mayúsculas",
             u"SELECT * FROM T WHERE A = :PCODEMPR AND B = :PFECPROC AND C = :pcodempr",
             {u"PCODEMPR"_s, u"PFECPROC"_s}},
            {"conversión y texto", u"SELECT X::text FROM T WHERE A = 'a:b' AND B = :P1", {u"P1"_s}},
            {"comentario de línea", u"SELECT 1 -- :NO\r\nFROM T WHERE A = :SI", {u"SI"_s}},
            {"comentario de bloque anidado", u"SELECT /* :NO /* :NO2 */ :NO3 */ A FROM T WHERE B = :SI", {u"SI"_s}},
            {"comillas dobladas", u"SELECT 'it''s :NO' AS \"a \"\":NO\" FROM T WHERE B = :SI", {u"SI"_s}},
            {"texto con escapes", u"SELECT E'\\' :NO' FROM T WHERE B = :SI", {u"SI"_s}},
            {"cuerpo entre dólares", u"SELECT $f$ :NO ' $f$, $$:NO$$ FROM T WHERE B = :SI", {u"SI"_s}},
            {"nombres entre acentos y corchetes", u"SELECT `:NO`, [:NO] FROM T WHERE B = :SI", {u"SI"_s}},
            {"dos puntos sin nombre", u"SELECT '12:30', 1 : 2 FROM T WHERE B =:SI_2", {u"SI_2"_s}},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << QString::fromUtf16(r.sql) << r.names;
    }
    void paramsOfCommandText()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        Remote r;
        r.DataSet.Close();
        r.DataSet.SetCommandText(sql);
        r.DataSet.Open();
        QStringList sent;
        for (const SParam &p : r.Server->LastParams)
            sent << p.Name;
        QCOMPARE(sent, names);
    }

    void paramsAndCommandText()
    {
        Remote r;
        r.DataSet.Close();
        r.DataSet.SetSQL({u"SELECT * FROM SO_SEMON"_s, u"WHERE COD_EMPR = :PCODEMPR AND FEC_PROC = :PFECPROC"_s});
        QCOMPARE(r.DataSet.CommandText(),
                 u"SELECT * FROM SO_SEMON\r\nWHERE COD_EMPR = :PCODEMPR AND FEC_PROC = :PFECPROC\r\n"_s);
        r.DataSet.ParamByName(u"PCODEMPR"_s).SetAsSmallInt(3);
        r.DataSet.ParamByName(u"pfecproc"_s).SetAsDateTime(QDateTime(QDate(2024, 1, 31), QTime(0, 0)));
        QCOMPARE(raised([&] { r.DataSet.ParamByName(u"PNADA"_s); }), u"Parameter 'PNADA' not found"_s);
        // Setting the text again keeps the values of parameters that remain.
        r.DataSet.SetCommandText(u"SELECT 1\nWHERE COD_EMPR = :PCODEMPR"_s);
        QCOMPARE(r.DataSet.SQL(), (QStringList{u"SELECT 1"_s, u"WHERE COD_EMPR = :PCODEMPR"_s}));
        QCOMPARE(r.DataSet.Params().Count(), 1);
        QCOMPARE(r.DataSet.ParamByName(u"PCODEMPR"_s).AsInteger(), 3);
        QCOMPARE(r.DataSet.ParamByName(u"PCODEMPR"_s).DataType, TFieldType::ftSmallint);
        r.DataSet.Open();
        QCOMPARE(r.Server->LastCommandText, u"SELECT 1\nWHERE COD_EMPR = :PCODEMPR"_s);
        QCOMPARE(r.Server->LastParams.size(), 1);
        QCOMPARE(r.Server->LastParams.at(0).Name, u"PCODEMPR"_s);
        QCOMPARE(r.Server->LastParams.at(0).Value, QVariant(3));

        // Parameters declared for a provider without client SQL.
        SClientDataSet lookup(nullptr, u"QryValResp"_s);
        lookup.Params().CreateParam(TFieldType::ftFloat, u"P_COD_EMPL"_s);
        lookup.ParamByName(u"P_COD_EMPL"_s).SetValue(u"12.5"_s);
        QCOMPARE(lookup.ParamByName(u"P_COD_EMPL"_s).AsFloat(), 12.5);
        QCOMPARE(lookup.ParamByName(u"P_COD_EMPL"_s).DataType, TFieldType::ftFloat);
    }

    void persistentFieldsMatchIgnoringCase()
    {
        Remote r;
        r.DataSet.Close();
        TIntegerField id(&r.DataSet, u"id"_s);
        TStringField name(&r.DataSet, u"Name"_s, 20);
        TStringField label(&r.DataSet, u"DtfLabel"_s, 40, fkCalculated);
        r.DataSet.OnCalcFields = [&](TDataSet &) { label.SetAsString(name.AsString() + u"!"_s); };
        r.DataSet.Open();
        QCOMPARE(r.DataSet.FieldCount(), 3); // only the declared fields
        QCOMPARE(r.DataSet.FindField(u"AMOUNT"_s), nullptr);
        QCOMPARE(label.AsString(), u"Uno!"_s);
        r.DataSet.Next();
        QCOMPARE(id.AsInteger(), 2);
        QCOMPARE(label.AsString(), u"Dos!"_s);
        r.DataSet.Close();
        TFloatField missing(&r.DataSet, u"NO_EXISTE"_s);
        QCOMPARE(raised([&] { r.DataSet.Open(); }), u"Field 'NO_EXISTE' not found"_s);
        QCOMPARE(r.DataSet.State(), dsInactive);
    }

    void refreshKeepsPositionByKey()
    {
        Remote r;
        QVERIFY(r.DataSet.Locate(u"ID"_s, 3));
        r.Server->Tables[provider].Rows.removeFirst();
        r.Server->Tables[provider].Rows[1][1] = u"Tres cambiado"_s;
        r.DataSet.Refresh();
        QCOMPARE(r.DataSet.RecordCount(), 2);
        QCOMPARE(r.DataSet.RecNo(), 2);
        QCOMPARE(r.F(u"NAME"_s)->AsString(), u"Tres cambiado"_s);
    }

    void inMemoryDataSet()
    {
        SClientDataSet cds(nullptr, u"CdsSeguiCumpli"_s);
        QCOMPARE(raised([&] { cds.Open(); }), u"Missing data provider or data packet"_s);
        cds.AddFieldDef(u"CUM_PLIM"_s, TFieldType::ftString, 20);
        cds.AddFieldDef(u"CUM_META"_s, TFieldType::ftFloat);
        QStringList events;
        cds.AfterOpen = [&](TDataSet &) { events << u"AfterOpen"_s; };
        cds.CreateDataSet();
        QCOMPARE(events, (QStringList{u"AfterOpen"_s}));
        QVERIFY(cds.IsEmpty());
        const QStringList months = {u"ENE"_s, u"FEB"_s, u"MAR"_s};
        for (const QString &month : months) {
            cds.Append();
            cds.FieldByName(u"CUM_PLIM"_s)->SetAsString(month);
            cds.FieldByName(u"CUM_META"_s)->SetAsFloat(months.indexOf(month) * 10.0);
            cds.Post();
        }
        QCOMPARE(cds.RecordCount(), 3);
        cds.EmptyDataSet();
        QVERIFY(cds.IsEmpty());
        QCOMPARE(cds.ChangeCount(), 0);
        cds.Close();
        QCOMPARE(cds.FieldCount(), 0);
    }

    void indexFieldNames()
    {
        SClientDataSet cds;
        TStringField name(&cds, u"NAME"_s, 10);
        TIntegerField rank(&cds, u"RANK"_s);
        cds.SetIndexFieldNames(u"RANK;NAME"_s);
        cds.CreateDataSet();
        const QList<std::pair<QString, int>> rows = {{u"c"_s, 2}, {u"b"_s, 1}, {u"a"_s, 2}, {u"B"_s, 1}};
        for (const auto &row : rows) {
            cds.Append();
            name.SetAsString(row.first);
            rank.SetAsInteger(row.second);
            cds.Post();
            QCOMPARE(name.AsString(), row.first); // the cursor follows the posted record
        }
        auto names = [&] {
            QStringList list;
            for (cds.First(); !cds.Eof(); cds.Next())
                list << name.AsString();
            return list;
        };
        QCOMPARE(names(), (QStringList{u"B"_s, u"b"_s, u"a"_s, u"c"_s}));
        // An edited record moves to its place.
        cds.First();
        cds.Edit();
        rank.SetAsInteger(3);
        cds.Post();
        QCOMPARE(cds.RecNo(), 4);
        QCOMPARE(names(), (QStringList{u"b"_s, u"a"_s, u"c"_s, u"B"_s}));
        // A cancelled delete puts the row back in its place in the index.
        cds.MergeChangeLog();
        cds.First();
        cds.Delete();
        QCOMPARE(names(), (QStringList{u"a"_s, u"c"_s, u"B"_s}));
        cds.CancelUpdates();
        QCOMPARE(names(), (QStringList{u"b"_s, u"a"_s, u"c"_s, u"B"_s}));
        cds.SetIndexFieldNames(QString());
        QCOMPARE(names().size(), 4);
    }

    // Many rows inserted at one place (each before the one inserted last) keep their order, an appended
    // row goes last, and cancelling brings back the original rows in theirs, a row deleted before them
    // included.
    void manyInsertsAtOnePlace()
    {
        SClientDataSet cds;
        TIntegerField n(&cds, u"N"_s);
        cds.CreateDataSet();
        for (int i = 1; i <= 5; ++i)
            cds.AppendRecord({i});
        cds.MergeChangeLog();
        cds.First();
        cds.Delete();
        cds.SetRecNo(2);
        for (int i = 0; i < 100; ++i) { // more than the gaps between the rows' places allow
            cds.Insert();
            n.SetAsInteger(100 + i);
            cds.Post();
            QCOMPARE(cds.RecNo(), 2); // before the current row, which it becomes
        }
        cds.Last();
        cds.Delete();
        cds.First();
        cds.Append();
        n.SetAsInteger(9);
        cds.Post();
        QCOMPARE(cds.RecNo(), 104);
        const auto values = [&] {
            QList<int> list;
            for (cds.First(); !cds.Eof(); cds.Next())
                list << n.AsInteger();
            return list;
        };
        QList<int> expected{2};
        for (int i = 199; i >= 100; --i)
            expected << i;
        QCOMPARE(values(), expected << 3 << 4 << 9);
        cds.CancelUpdates();
        QCOMPARE(values(), (QList<int>{1, 2, 3, 4, 5}));
    }
};

QTEST_GUILESS_MAIN(tst_dataset_changelog)
#include "tst_dataset_changelog.moc"
