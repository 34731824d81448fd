// What the after-apply handler learns about a save, and what a failure inside it leaves behind.
#include "FakeAppServer.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

#include <QTest>
#include <memory>

class tst_dataset_afterapply : public QObject
{
    Q_OBJECT

    std::shared_ptr<FakeAppServer> server;
    std::unique_ptr<SDCOMConnection> connection;
    std::unique_ptr<SClientDataSet> ds;

    void rename(int id, const QString &name)
    {
        QVERIFY(ds->Locate(QStringLiteral("ID"), id));
        ds->Edit();
        ds->FieldByName(QStringLiteral("NAME"))->SetAsString(name);
        ds->Post();
    }

private slots:
    void init()
    {
        server = std::make_shared<FakeAppServer>();
        FakeAppServer::Table table;
        table.Fields = {SFieldDef{QStringLiteral("ID"), TFieldType::ftInteger, 0, false, false, true},
                        SFieldDef{QStringLiteral("NAME"), TFieldType::ftString, 20}};
        table.Rows = {{1, QStringLiteral("Uno")}, {2, QStringLiteral("Dos")}};
        server->Tables.insert(QStringLiteral("DtsPItems"), table);
        connection = std::make_unique<SDCOMConnection>();
        connection->SetAppServer(server);
        ds = std::make_unique<SClientDataSet>(nullptr, QStringLiteral("QryItems"));
        ds->RemoteServer = connection.get();
        ds->ProviderName = QStringLiteral("DtsPItems");
        ds->Open();
    }

    void handlerLearnsHowTheSaveWent_data()
    {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<int>("errors");
        QTest::addColumn<bool>("committed");
        QTest::newRow("stored") << QString() << 0 << true;
        QTest::newRow("one row refused, all rolled back") << QStringLiteral("2") << 1 << false;
    }
    void handlerLearnsHowTheSaveWent()
    {
        QFETCH(QString, refuse);
        QFETCH(int, errors);
        QFETCH(bool, committed);
        if (!refuse.isEmpty())
            server->RefuseKeys.insert(refuse, QStringLiteral("Bloqueado"));
        QVariantMap seen;
        ds->AfterApplyUpdates = [&seen](SClientDataSet &, QVariant &owner) { seen = owner.toMap(); };
        rename(1, QStringLiteral("Primero"));
        rename(2, QStringLiteral("Segundo"));
        ds->ApplyUpdates(0);
        QCOMPARE(seen.value(QStringLiteral("ErrorCount")).toInt(), errors);
        QCOMPARE(seen.value(QStringLiteral("Committed")).toBool(), committed);
    }

    void failingHandlerStillClosesTheLog()
    {
        ds->AfterApplyUpdates = [](SClientDataSet &, QVariant &) {
            throw Exception(QStringLiteral("Error editando el Responsable."));
        };
        rename(1, QStringLiteral("Primero"));
        try {
            ds->ApplyUpdates(0);
            QFAIL("the handler's error did not reach the caller");
        } catch (const Exception &e) {
            QCOMPARE(e.Message(), QStringLiteral("Error editando el Responsable."));
        }
        // The row is on the server, so the log forgets it: the next save sends nothing.
        QCOMPARE(ds->ChangeCount(), 0);
        const int calls = server->ApplyCalls;
        ds->AfterApplyUpdates = nullptr;
        QCOMPARE(ds->ApplyUpdates(0), 0);
        QCOMPARE(server->ApplyCalls, calls);
        QCOMPARE(server->Tables[QStringLiteral("DtsPItems")].Rows.at(0).at(1).toString(), QStringLiteral("Primero"));
    }
};

QTEST_GUILESS_MAIN(tst_dataset_afterapply)
#include "tst_dataset_afterapply.moc"
