// The link between a dataset and its controls: notifications, disabled controls, auto-edit, focus
// requests; and a read-only dataset refusing edits before any event.
#include "SysUtils.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDataSource.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// Three in-memory items with a calculated field; every dataset event is written to Log.
struct Items
{
    SClientDataSet DataSet{nullptr, u"CdsItems"_s};
    TIntegerField *Id = new TIntegerField(&DataSet, u"ID"_s);
    TStringField *Name = new TStringField(&DataSet, u"NAME"_s, 20);
    TFloatField *Amount = new TFloatField(&DataSet, u"AMOUNT"_s);
    TFloatField *Twice = new TFloatField(&DataSet, u"TWICE"_s, fkCalculated);
    QStringList Log;

    Items()
    {
        DataSet.CreateDataSet();
        for (int i = 1; i <= 3; ++i)
            DataSet.AppendRecord({i, u"Item %1"_s.arg(i), i * 10.0});
        DataSet.MergeChangeLog();
        DataSet.First();
        DataSet.OnCalcFields = [this](TDataSet &) { Twice->SetAsFloat(Amount->AsFloat() * 2); };
        for (auto *event : {&DataSet.BeforeEdit, &DataSet.BeforeInsert, &DataSet.BeforePost})
            *event = [this](TDataSet &) { Log << u"event"_s; };
    }

    // Opening happened at creation: the tests reopen nothing.
    QString Run(const QString &action)
    {
        try {
            if (action == u"Edit")
                DataSet.Edit();
            else if (action == u"Append")
                DataSet.Append();
            else if (action == u"Post")
                DataSet.Post();
        } catch (const Exception &e) {
            return e.Message();
        }
        return QString();
    }
};

} // namespace

class tst_dataset_datasource : public QObject
{
    Q_OBJECT
private slots:
    void dataSourceNotifications();
    void readOnlyDataSetRefusesEdits();
    void requiredFieldAsksForFocus();
    void unlinking();
};

void tst_dataset_datasource::dataSourceNotifications()
{
    Items items;
    TDataSource source(nullptr, u"DtsItems"_s);
    source.SetDataSet(&items.DataSet);
    QSignalSpy states(&source, &TDataSource::stateChanged);
    QSignalSpy scrolls(&source, &TDataSource::dataSetChanged);
    QSignalSpy records(&source, &TDataSource::recordChanged);
    QSignalSpy updates(&source, &TDataSource::updateData);

    QCOMPARE(source.State(), dsBrowse);
    const int afterOpen = int(scrolls.count());
    items.DataSet.Next();
    QCOMPARE(scrolls.count(), afterOpen + 1);

    source.Edit();
    QCOMPARE(items.DataSet.State(), dsEdit);
    QCOMPARE(states.count(), 1);
    items.Name->SetAsString(u"X"_s);
    QVERIFY(!records.isEmpty());
    // The changed field first, then the calculated field recomputed after it.
    QCOMPARE(records.at(records.size() - 2).at(0).value<TField *>(), static_cast<TField *>(items.Name));
    QCOMPARE(records.last().at(0).value<TField *>(), static_cast<TField *>(items.Twice));
    items.DataSet.Post();
    QCOMPARE(updates.count(), 1);
    QCOMPARE(states.count(), 2);

    // Disabled controls hear nothing until the last EnableControls, then one dataset change.
    items.DataSet.DisableControls();
    items.DataSet.DisableControls();
    const int before = int(scrolls.count());
    for (int i = 0; i < 5; ++i)
        items.DataSet.Prior();
    items.DataSet.EnableControls();
    QCOMPARE(scrolls.count(), before);
    items.DataSet.EnableControls();
    QCOMPARE(scrolls.count(), before + 1);

    source.AutoEdit = false;
    source.Edit();
    QCOMPARE(items.DataSet.State(), dsBrowse);
}

void tst_dataset_datasource::readOnlyDataSetRefusesEdits()
{
    Items items;
    items.DataSet.ReadOnly = true;
    items.Log.clear();
    QCOMPARE(items.Run(u"Edit"_s), u"Cannot modify a read-only dataset"_s);
    QCOMPARE(items.Run(u"Append"_s), u"Cannot modify a read-only dataset"_s);
    QVERIFY(items.Log.isEmpty());
}

void tst_dataset_datasource::requiredFieldAsksForFocus()
{
    Items items;
    TDataSource source;
    source.SetDataSet(&items.DataSet);
    QSignalSpy focus(&source, &TDataSource::focusControl);
    items.Name->Required = true;
    items.Name->SetDisplayLabel(u"Nombre"_s);
    items.DataSet.Edit();
    items.Name->Clear();
    QCOMPARE(items.Run(u"Post"_s), u"Field 'Nombre' must have a value"_s);
    QCOMPARE(items.DataSet.State(), dsEdit);
    QCOMPARE(focus.count(), 1);
    QCOMPARE(focus.at(0).at(0).value<TField *>(), static_cast<TField *>(items.Name));
}

void tst_dataset_datasource::unlinking()
{
    auto *items = new Items;
    TDataSource source;
    source.SetDataSet(&items->DataSet);
    QCOMPARE(source.State(), dsBrowse);
    source.SetEnabled(false);
    QCOMPARE(source.State(), dsInactive);
    source.SetEnabled(true);
    delete items; // the source forgets a destroyed dataset
    QCOMPARE(source.DataSet(), nullptr);
    QCOMPARE(source.State(), dsInactive);
    {
        Items other;
        auto *temporary = new TDataSource;
        temporary->SetDataSet(&other.DataSet);
        delete temporary; // and the dataset forgets a destroyed source
        other.DataSet.Next();
    }
}

QTEST_GUILESS_MAIN(tst_dataset_datasource)
#include "tst_dataset_datasource.moc"
