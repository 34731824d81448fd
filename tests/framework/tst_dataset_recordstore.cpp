// The row store under the dataset: insertion order kept through many inserts at one place, sorted
// placement with an index, reinstated rows back in their place. What the change log records is
// proven through the dataset in tst_dataset_changelog.
#include "dataset/SClientDataSet.h"
#include "dataset/TIntegerField.h"
#include "dataset/TRecordStore.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<int> column0(const TRecordStore &store)
{
    QList<int> values;
    for (int pos = 0; pos < store.Count(); ++pos)
        values << store.Row(store.SlotAt(pos))[0].toInt();
    return values;
}

TRecordStore makeStore(int rows)
{
    TRecordStore store;
    store.Reset({SFieldDef{u"N"_s, TFieldType::ftInteger, 0, false, false, false, false, {}}});
    for (int i = 0; i < rows; ++i)
        store.AppendRow({i * 10});
    return store;
}

} // namespace

class tst_dataset_recordstore : public QObject
{
    Q_OBJECT
private slots:
    void manyInsertsAtOnePlace();
    void indexPlacesAndReinstates();
    void cancelRestoresOrderAfterManyInserts();
};

void tst_dataset_recordstore::manyInsertsAtOnePlace()
{
    TRecordStore store = makeStore(3); // 0 10 20
    // Each new row goes before the previous new one: more inserts than the sequence gaps allow
    // without renumbering.
    for (int i = 1; i <= 100; ++i) {
        const QVariant value(1000 + i);
        store.PlaceNew(store.NewSlot(&value), 1);
    }
    const QList<int> values = column0(store);
    QCOMPARE(values.size(), 103);
    QCOMPARE(values.first(), 0);
    QCOMPARE(values.at(1), 1100);
    QCOMPARE(values.at(100), 1001);
    QCOMPARE(values.at(101), 10);
    QCOMPARE(values.last(), 20);
    // At the front too.
    const QVariant front(-1);
    QCOMPARE(store.PlaceNew(store.NewSlot(&front), 0), 0);
    QCOMPARE(column0(store).first(), -1);
}

void tst_dataset_recordstore::indexPlacesAndReinstates()
{
    TRecordStore store = makeStore(0);
    for (const int v : {30, 10, 20}) {
        const QVariant value(v);
        store.PlaceNew(store.NewSlot(&value), store.Count());
    }
    QCOMPARE(column0(store), (QList<int>{30, 10, 20}));
    store.SetIndex({0});
    QCOMPARE(column0(store), (QList<int>{10, 20, 30}));
    const QVariant value(15);
    QCOMPARE(store.PlaceNew(store.NewSlot(&value), 0), 1);
    const quint32 slot = store.SlotAt(3); // 30
    store.Unplace(3);
    QCOMPARE(column0(store), (QList<int>{10, 15, 20}));
    QCOMPARE(store.PlaceExisting(slot), 3);
    store.Row(store.SlotAt(0))[0] = 25;
    QCOMPARE(store.Reposition(0), 2);
    QCOMPARE(column0(store), (QList<int>{15, 20, 25, 30}));
    store.SetIndex({});
    QCOMPARE(store.Indexed(), false);
}

void tst_dataset_recordstore::cancelRestoresOrderAfterManyInserts()
{
    SClientDataSet cds;
    TIntegerField n(&cds, u"N"_s);
    cds.CreateDataSet();
    for (int i = 1; i <= 5; ++i)
        cds.AppendRecord({i});
    cds.MergeChangeLog();
    cds.First();
    cds.Delete(); // deleted before the renumbering below: it must still come back first
    cds.SetRecNo(2);
    for (int i = 0; i < 60; ++i) { // forces the sequence numbers to be renumbered
        cds.Insert();
        n.SetAsInteger(100 + i);
        cds.Post();
    }
    cds.Last();
    cds.Delete();
    QCOMPARE(cds.RecordCount(), 63);
    cds.CancelUpdates();
    QList<int> values;
    for (cds.First(); !cds.Eof(); cds.Next())
        values << n.AsInteger();
    QCOMPARE(values, (QList<int>{1, 2, 3, 4, 5}));
}

QTEST_GUILESS_MAIN(tst_dataset_recordstore)
#include "tst_dataset_recordstore.moc"
