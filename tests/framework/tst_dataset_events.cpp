// Event order and state of the client dataset: open, close, scroll, insert, append, edit, post,
// cancel, delete, locate, bookmarks, and what a silent abort in a handler leaves behind.
#include "FakeAppServer.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"

#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// A dataset of FakeAppServer::WithItems with persistent fields and a calculated one; every event is written to Log, and
// the event named in AbortIn raises the silent abort after being logged.
struct Items
{
    std::shared_ptr<FakeAppServer> Server;
    SDCOMConnection Connection;
    SClientDataSet DataSet{nullptr, u"QryItems"_s};
    TIntegerField *Id = new TIntegerField(&DataSet, u"ID"_s);
    TStringField *Name = new TStringField(&DataSet, u"NAME"_s, 20);
    TFloatField *Amount = new TFloatField(&DataSet, u"AMOUNT"_s);
    TFloatField *Twice = new TFloatField(&DataSet, u"TWICE"_s, fkCalculated);
    QStringList Log;
    QString AbortIn;

    explicit Items(int rows = 3) : Server(FakeAppServer::WithItems(rows))
    {
        Connection.SetAppServer(Server);
        DataSet.RemoteServer = &Connection;
        DataSet.ProviderName = u"DtsPItems"_s;
        Id->ProviderFlags |= pfInKey;
        const std::pair<TDataSet::TDataSetNotifyEvent TDataSet::*, const char *> events[] = {
            {&TDataSet::BeforeOpen, "BeforeOpen"},     {&TDataSet::AfterOpen, "AfterOpen"},
            {&TDataSet::BeforeClose, "BeforeClose"},   {&TDataSet::AfterClose, "AfterClose"},
            {&TDataSet::BeforeInsert, "BeforeInsert"}, {&TDataSet::AfterInsert, "AfterInsert"},
            {&TDataSet::BeforeEdit, "BeforeEdit"},     {&TDataSet::AfterEdit, "AfterEdit"},
            {&TDataSet::BeforePost, "BeforePost"},     {&TDataSet::AfterPost, "AfterPost"},
            {&TDataSet::BeforeCancel, "BeforeCancel"}, {&TDataSet::AfterCancel, "AfterCancel"},
            {&TDataSet::BeforeDelete, "BeforeDelete"}, {&TDataSet::AfterDelete, "AfterDelete"},
            {&TDataSet::BeforeScroll, "BeforeScroll"}, {&TDataSet::AfterScroll, "AfterScroll"},
            {&TDataSet::OnNewRecord, "OnNewRecord"}};
        for (const auto &[event, name] : events)
            DataSet.*event = [this, name = QString::fromLatin1(name)](TDataSet &) {
                Log << name;
                if (name == AbortIn)
                    Abort();
            };
        DataSet.OnCalcFields = [this](TDataSet &) {
            Log << u"CalcFields"_s;
            if (!Amount->IsNull())
                Twice->SetAsFloat(Amount->AsFloat() * 2);
        };
        Name->OnValidate = [this](TField &) { Log << u"NAME.OnValidate"_s; };
        Name->OnChange = [this](TField &) { Log << u"NAME.OnChange"_s; };
    }

    // Runs a named operation; returns the exception message ("" when none, "EAbort" for the abort).
    QString Run(const QString &action)
    {
        try {
            Perform(action);
        } catch (const EAbort &) {
            return u"EAbort"_s;
        } catch (const Exception &e) {
            return e.Message();
        }
        return QString();
    }

    void Perform(const QString &action)
    {
        SClientDataSet &d = DataSet;
        const QHash<QString, std::function<void()>> actions = {
            {u"Open"_s, [&] { d.Open(); }},
            {u"Close"_s, [&] { d.Close(); }},
            {u"First"_s, [&] { d.First(); }},
            {u"Last"_s, [&] { d.Last(); }},
            {u"Next"_s, [&] { d.Next(); }},
            {u"Prior"_s, [&] { d.Prior(); }},
            {u"Insert"_s, [&] { d.Insert(); }},
            {u"Append"_s, [&] { d.Append(); }},
            {u"Edit"_s, [&] { d.Edit(); }},
            {u"Post"_s, [&] { d.Post(); }},
            {u"Cancel"_s, [&] { d.Cancel(); }},
            {u"Delete"_s, [&] { d.Delete(); }},
            {u"Refresh"_s, [&] { d.Refresh(); }},
            {u"SetName"_s, [&] { Name->SetAsString(u"Nuevo"_s); }},
            {u"LocateDos"_s, [&] { d.Locate(u"NAME"_s, u"dos"_s, loCaseInsensitive); }},
            {u"LocateNone"_s, [&] { d.Locate(u"NAME"_s, u"Ninguno"_s); }}};
        QVERIFY2(actions.contains(action), qPrintable(action));
        actions.value(action)();
    }
};

QString stateName(TDataSetState state)
{
    const char *const names[] = {"inactive", "browse", "edit", "insert", "other", "calc", "other"};
    return QString::fromLatin1(names[state]);
}

} // namespace

class tst_dataset_events : public QObject
{
    Q_OBJECT
private slots:
    void eventOrder_data()
    {
        QTest::addColumn<QStringList>("setup");   // actions before the log is cleared
        QTest::addColumn<QString>("abortIn");     // handler raising EAbort
        QTest::addColumn<QStringList>("actions"); // the actions observed
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("recNo");
        QTest::addColumn<int>("count");

        // Actions and events separated by blanks.
        const struct
        {
            const char *tag, *setup, *abortIn, *actions, *events, *error, *state;
            int recNo, count;
        } rows[] = {
            {"open", "", "", "Open", "BeforeOpen CalcFields AfterOpen AfterScroll", "", "browse", 1, 3},
            {"close", "Open", "", "Close", "BeforeClose AfterClose", "", "inactive", 0, -1},
            {"close drops a pending insert silently", "Open Append SetName", "", "Close Open",
             "BeforeClose AfterClose BeforeOpen CalcFields AfterOpen AfterScroll", "", "browse", 1, 3},
            {"next", "Open", "", "Next", "BeforeScroll CalcFields AfterScroll", "", "browse", 2, 3},
            {"next at eof: no move, no after-scroll", "Open Last", "", "Next", "BeforeScroll", "", "browse", 3, 3},
            {"prior at bof", "Open", "", "Prior", "BeforeScroll", "", "browse", 1, 3},
            {"first always scrolls", "Open", "", "First", "BeforeScroll CalcFields AfterScroll", "", "browse", 1, 3},
            {"last", "Open", "", "Last", "BeforeScroll CalcFields AfterScroll", "", "browse", 3, 3},
            {"insert", "Open", "", "Insert", "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll", "",
             "insert", 1, 3},
            {"append", "Open", "", "Append", "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll", "",
             "insert", 4, 3},
            {"abort in new record", "Open", "OnNewRecord", "Insert", "BeforeInsert BeforeScroll OnNewRecord CalcFields",
             "EAbort", "browse", 1, 3},
            {"edit", "Open", "", "Edit", "BeforeEdit CalcFields AfterEdit", "", "edit", 1, 3},
            {"edit while editing does nothing", "Open Edit", "", "Edit", "", "", "edit", 1, 3},
            {"abort in before-edit", "Open", "BeforeEdit", "Edit", "BeforeEdit", "EAbort", "browse", 1, 3},
            {"assignment: validate, calc, change", "Open Edit", "", "SetName",
             "NAME.OnValidate CalcFields NAME.OnChange", "", "edit", 1, 3},
            {"post", "Open Edit SetName", "", "Post", "BeforePost CalcFields AfterPost", "", "browse", 1, 3},
            {"abort in before-post", "Open Edit SetName", "BeforePost", "Post", "BeforePost", "EAbort", "edit", 1, 3},
            {"post outside edit", "Open", "", "Post", "", "Dataset not in edit or insert mode", "browse", 1, 3},
            {"cancel edit", "Open Edit", "", "Cancel", "BeforeCancel CalcFields AfterCancel", "", "browse", 1, 3},
            {"cancel insert scrolls", "Open Insert", "", "Cancel",
             "BeforeCancel BeforeScroll CalcFields AfterCancel AfterScroll", "", "browse", 1, 3},
            {"next after untouched insert cancels it", "Open Insert", "", "Next",
             "BeforeCancel BeforeScroll CalcFields AfterCancel AfterScroll BeforeScroll CalcFields AfterScroll", "",
             "browse", 2, 3},
            {"next after a change posts it", "Open Edit SetName", "", "Next",
             "BeforePost CalcFields AfterPost BeforeScroll CalcFields AfterScroll", "", "browse", 2, 3},
            {"delete", "Open", "", "Delete", "BeforeDelete BeforeScroll CalcFields AfterDelete AfterScroll", "",
             "browse", 1, 2},
            {"abort in before-delete", "Open", "BeforeDelete", "Delete", "BeforeDelete", "EAbort", "browse", 1, 3},
            {"delete while inserting cancels", "Open Insert", "", "Delete",
             "BeforeCancel BeforeScroll CalcFields AfterCancel AfterScroll", "", "browse", 1, 3},
            {"locate found", "Open", "", "LocateDos", "BeforeScroll CalcFields AfterScroll", "", "browse", 2, 3},
            {"locate not found stays", "Open Last", "", "LocateNone", "BeforeScroll", "", "browse", 3, 3},
            {"locate posts a pending edit after before-scroll", "Open Edit SetName", "", "LocateDos",
             "BeforeScroll BeforePost CalcFields AfterPost CalcFields AfterScroll", "", "browse", 2, 3},
            {"abort in before-scroll keeps the record", "Open", "BeforeScroll", "Next", "BeforeScroll", "EAbort",
             "browse", 1, 3},
            {"refresh recalculates", "Open Next", "", "Refresh", "CalcFields", "", "browse", 2, 3},
            {"open empty: no scroll", "Empty", "", "Open", "BeforeOpen AfterOpen", "", "browse", 0, 0},
            {"delete on an empty dataset", "Empty Open", "", "Delete", "",
             "Cannot perform this operation on an empty dataset", "browse", 0, 0},
            {"edit on an empty dataset inserts", "Empty Open", "", "Edit",
             "BeforeInsert BeforeScroll OnNewRecord AfterInsert AfterScroll", "", "insert", 1, 0},
        };
        const auto words = [](const char *text) { return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts); };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << words(r.setup) << QString::fromUtf8(r.abortIn) << words(r.actions)
                                 << words(r.events) << QString::fromUtf8(r.error) << QString::fromUtf8(r.state)
                                 << r.recNo << r.count;
    }
    void eventOrder()
    {
        QFETCH(QStringList, setup);
        QFETCH(QString, abortIn);
        QFETCH(QStringList, actions);
        QFETCH(QStringList, events);
        QFETCH(QString, error);
        QFETCH(QString, state);
        QFETCH(int, recNo);
        QFETCH(int, count);

        const bool empty = setup.removeAll(u"Empty"_s) > 0;
        Items items(empty ? 0 : 3);
        for (const QString &action : setup)
            QCOMPARE(items.Run(action), QString());
        items.Log.clear();
        items.AbortIn = abortIn;
        QString raised;
        for (const QString &action : actions)
            raised = items.Run(action);
        QCOMPARE(items.Log, events);
        QCOMPARE(raised, error);
        QCOMPARE(stateName(items.DataSet.State()), state);
        if (items.DataSet.Active()) {
            QCOMPARE(items.DataSet.RecNo(), recNo);
            QCOMPARE(items.DataSet.RecordCount(), count);
            QCOMPARE(items.DataSet.Bof() && items.DataSet.Eof(), count == 0);
        }
    }

    void abortInBeforeOpenLeavesClosed()
    {
        Items items;
        items.AbortIn = u"BeforeOpen"_s;
        QCOMPARE(items.Run(u"Open"_s), u"EAbort"_s);
        QCOMPARE(items.DataSet.State(), dsInactive);
        QCOMPARE(items.Server->GetRecordsCalls, 0);
        QCOMPARE(items.Run(u"Next"_s), u"Cannot perform this operation on a closed dataset"_s);
    }

    // Forward walks are everywhere in these tests; backwards, Last sets Eof and Prior on the first row sets Bof.
    void eofAndBofWalk()
    {
        Items items;
        items.DataSet.Open();
        QVERIFY(items.DataSet.Bof() && !items.DataSet.Eof());
        QStringList names;
        for (items.DataSet.Last(); !items.DataSet.Bof(); items.DataSet.Prior()) {
            QVERIFY(names.size() > 0 || items.DataSet.Eof());
            names << items.Name->AsString();
        }
        QCOMPARE(names, (QStringList{u"Tres"_s, u"Dos"_s, u"Uno"_s}));
    }

    void untouchedInsertIsCancelledModifiedIsPosted()
    {
        Items items;
        items.DataSet.OnNewRecord = [&](TDataSet &) { items.Id->SetAsInteger(99); }; // a default, not a change
        items.DataSet.Open();
        items.DataSet.Append();
        QVERIFY(!items.DataSet.Modified());
        items.DataSet.CheckBrowseMode();
        QCOMPARE(items.DataSet.RecordCount(), 3);
        items.DataSet.Append();
        items.Name->SetAsString(u"Cuatro"_s);
        QVERIFY(items.DataSet.Modified());
        items.DataSet.CheckBrowseMode();
        QCOMPARE(items.DataSet.RecordCount(), 4);
        QCOMPARE(items.Id->AsInteger(), 99);
        QCOMPARE(items.DataSet.RecNo(), 4);
    }

    void calcStateDuringHandlers()
    {
        Items items;
        QStringList states;
        items.DataSet.OnCalcFields = [&](TDataSet &d) { states << stateName(d.State()); };
        items.DataSet.Open();
        items.DataSet.Edit();
        items.Amount->SetAsFloat(1);
        items.DataSet.Post();
        // Open and Edit compute through the calc state; a field change calls the handler directly.
        QCOMPARE(states, (QStringList{u"calc"_s, u"calc"_s, u"edit"_s, u"calc"_s}));
        // Calculated values are cleared before each call and kept per current record.
        items.DataSet.OnCalcFields = [&](TDataSet &) {
            QVERIFY(items.Twice->IsNull());
            if (!items.Amount->IsNull())
                items.Twice->SetAsFloat(items.Amount->AsFloat() * 2);
        };
        items.DataSet.Last();
        QVERIFY(items.Twice->IsNull());
        items.DataSet.First();
        QCOMPARE(items.Twice->AsFloat(), 2.0);
        // Outside edit modes a calculated field is not writable.
        QCOMPARE(items.Run(u"SetName"_s), u"Dataset not in edit or insert mode"_s);
    }

    void locateOptions_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QVariant>("values");
        QTest::addColumn<int>("options");
        QTest::addColumn<int>("recNo"); // 0: not found

        QTest::newRow("exact") << u"NAME"_s << QVariant(u"Dos"_s) << 0 << 2;
        QTest::newRow("case differs") << u"NAME"_s << QVariant(u"dos"_s) << 0 << 0;
        QTest::newRow("case-insensitive") << u"NAME"_s << QVariant(u"TRES"_s) << int(loCaseInsensitive) << 3;
        QTest::newRow("partial") << u"NAME"_s << QVariant(u"Tr"_s) << int(loPartialKey) << 3;
        QTest::newRow("partial without option") << u"NAME"_s << QVariant(u"Tr"_s) << 0 << 0;
        QTest::newRow("partial and case")
            << u"NAME"_s << QVariant(u"d"_s) << int(loPartialKey | loCaseInsensitive) << 2;
        QTest::newRow("integer as text") << u"ID"_s << QVariant(u"3"_s) << 0 << 3;
        QTest::newRow("two fields") << u"ID;NAME"_s << QVariant(QVariantList{2, u"Dos"_s}) << 0 << 2;
        QTest::newRow("two fields, one differs") << u"ID;NAME"_s << QVariant(QVariantList{2, u"Uno"_s}) << 0 << 0;
        QTest::newRow("partial only on the last field")
            << u"NAME;ID"_s << QVariant(QVariantList{u"D"_s, 2}) << int(loPartialKey) << 0;
        QTest::newRow("null value") << u"AMOUNT"_s << QVariant() << 0 << 3;
        QTest::newRow("field names ignore case") << u"name"_s << QVariant(u"Uno"_s) << 0 << 1;
    }
    void locateOptions()
    {
        QFETCH(QString, fields);
        QFETCH(QVariant, values);
        QFETCH(int, options);
        QFETCH(int, recNo);
        Items items;
        items.DataSet.Open();
        items.DataSet.Last();
        const bool found = items.DataSet.Locate(fields, values, TLocateOptions(options));
        QCOMPARE(found, recNo != 0);
        QCOMPARE(items.DataSet.RecNo(), recNo ? recNo : 3);
    }

    void bookmarks()
    {
        Items items;
        QCOMPARE(items.DataSet.GetBookmark().IsNull(), true); // closed
        items.DataSet.Open();
        items.DataSet.Next();
        TBookmark mark = items.DataSet.GetBookmark();
        QVERIFY(!mark.IsNull());
        items.DataSet.Last();
        items.Log.clear();
        items.DataSet.GotoBookmark(mark);
        QCOMPARE(items.Log, (QStringList{u"BeforeScroll"_s, u"CalcFields"_s, u"AfterScroll"_s}));
        QCOMPARE(items.Name->AsString(), u"Dos"_s);

        // A nil bookmark does nothing.
        items.Log.clear();
        items.DataSet.GotoBookmark(TBookmark());
        QVERIFY(items.Log.isEmpty());

        // It survives a close and reopen while the row is there, found by its key.
        items.DataSet.Close();
        items.DataSet.Open();
        QVERIFY(items.DataSet.BookmarkValid(mark));
        items.DataSet.GotoBookmark(mark);
        QCOMPARE(items.Id->AsInteger(), 2);

        // A deleted row's bookmark is no longer valid and going there raises.
        items.DataSet.Delete();
        QVERIFY(!items.DataSet.BookmarkValid(mark));
        QCOMPARE(items.Run(u"Refresh"_s), u"Must apply updates before refreshing data"_s);
        try {
            items.DataSet.GotoBookmark(mark);
            QFAIL("no error");
        } catch (const EDatabaseError &e) {
            QCOMPARE(e.Message(), u"Record not found"_s);
        }
        items.DataSet.FreeBookmark(mark);
        QVERIFY(mark.IsNull());

        // Empty dataset: no bookmark.
        Items empty(0);
        empty.DataSet.Open();
        QVERIFY(empty.DataSet.GetBookmark().IsNull());
    }

    void appendRecordOrder()
    {
        Items items;
        items.DataSet.Open();
        items.Name->Required = true; // not checked by AppendRecord
        items.Log.clear();
        items.DataSet.AppendRecord({4, QVariant(), 40.0});
        QCOMPARE(items.Log,
                 (QStringList{u"BeforeInsert"_s, u"BeforeScroll"_s, u"OnNewRecord"_s, u"AfterInsert"_s, u"CalcFields"_s,
                              u"CalcFields"_s, u"BeforePost"_s, u"CalcFields"_s, u"AfterPost"_s}));
        QCOMPARE(items.DataSet.State(), dsBrowse);
        QCOMPARE(items.DataSet.RecNo(), 4);
        QCOMPARE(items.Id->AsInteger(), 4);
        QCOMPARE(items.Twice->AsFloat(), 80.0);
        QCOMPARE(items.DataSet.ChangeCount(), 1);
    }

    void calcFieldsDoNotRetrigger()
    {
        Items items;
        int changes = 0;
        items.Twice->OnChange = [&](TField &) { ++changes; };
        items.DataSet.Open();
        items.DataSet.Next();
        QCOMPARE(items.Log.count(u"CalcFields"_s), 2);
        QCOMPARE(changes, 0); // computed in the calc state: no OnChange
        items.DataSet.Edit();
        QCOMPARE(changes, 0);
        items.Log.clear();
        items.Amount->SetAsFloat(5);
        QCOMPARE(items.Log, (QStringList{u"CalcFields"_s})); // once, not again for the calculated field
        QCOMPARE(changes, 1); // computed in edit mode after a field change: OnChange runs
        QCOMPARE(items.Twice->AsFloat(), 10.0);
        items.DataSet.AutoCalcFields = false;
        items.Log.clear();
        items.Amount->SetAsFloat(6);
        QVERIFY(items.Log.isEmpty());
        QCOMPARE(items.Twice->AsFloat(), 10.0);
        items.DataSet.Post();
        QCOMPARE(items.Twice->AsFloat(), 12.0);
    }
};

QTEST_GUILESS_MAIN(tst_dataset_events)
#include "tst_dataset_events.moc"
