// What the after-apply handler learns about a save, and what a failure inside it leaves behind.
#include "FakeAppServer.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

class tst_dataset_afterapply : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeAppServer> server;
    std::unique_ptr<SDCOMConnection> connection;
    std::unique_ptr<SClientDataSet> ds;

    void rename(int id, const QString &name)
    {
        QVERIFY(ds->Locate(u"ID"_s, id));
        ds->Edit();
        ds->FieldByName(u"NAME"_s)->SetAsString(name);
        ds->Post();
    }

private slots:
    void init()
    {
        server = std::make_shared<FakeAppServer>();
        FakeAppServer::Table table;
        table.Fields = {SFieldDef{u"ID"_s, TFieldType::ftInteger, 0, false, false, true},
                        SFieldDef{u"NAME"_s, TFieldType::ftString, 20}};
        table.Rows = {{1, u"Uno"_s}, {2, u"Dos"_s}};
        server->Tables.insert(u"DtsPItems"_s, table);
        connection = std::make_unique<SDCOMConnection>();
        connection->SetAppServer(server);
        ds = std::make_unique<SClientDataSet>(nullptr, u"QryItems"_s);
        ds->RemoteServer = connection.get();
        ds->ProviderName = u"DtsPItems"_s;
        ds->Open();
    }

    void handlerLearnsHowTheSaveWent_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<int>("errors");
        QTest::addColumn<bool>("committed");
        QTest::newRow("stored") << QString() << 0 << true;
        QTest::newRow("one row refused, all rolled back") << u"2"_s << 1 << false;
    }
    void handlerLearnsHowTheSaveWent()
    {
        QFETCH(QString, refuse);
        QFETCH(int, errors);
        QFETCH(bool, committed);
        if (!refuse.isEmpty())
            server->RefuseKeys.insert(refuse, u"Bloqueado"_s);
        QVariantMap seen;
        ds->AfterApplyUpdates = [&seen](SClientDataSet &, QVariant &owner) { seen = owner.toMap(); };
        rename(1, u"Primero"_s);
        rename(2, u"Segundo"_s);
        ds->ApplyUpdates(0);
        QCOMPARE(seen.value(u"ErrorCount"_s).toInt(), errors);
        QCOMPARE(seen.value(u"Committed"_s).toBool(), committed);
    }

    void failingHandlerStillClosesTheLog()
    {
        ds->AfterApplyUpdates = [](SClientDataSet &, QVariant &) {
            throw Exception(u"Error editando el Responsable."_s);
        };
        rename(1, u"Primero"_s);
        try {
            ds->ApplyUpdates(0);
            QFAIL("the handler's error did not reach the caller");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), u"Error editando el Responsable."_s);
        }
        // The row is on the server, so the log forgets it: the next save sends nothing.
        QCOMPARE(ds->ChangeCount(), 0);
        const int calls = server->ApplyCalls;
        ds->AfterApplyUpdates = nullptr;
        QCOMPARE(ds->ApplyUpdates(0), 0);
        QCOMPARE(server->ApplyCalls, calls);
        QCOMPARE(server->Tables[u"DtsPItems"_s].Rows.at(0).at(1).toString(), u"Primero"_s);
    }
};

QTEST_GUILESS_MAIN(tst_dataset_afterapply)
#include "tst_dataset_afterapply.moc"
