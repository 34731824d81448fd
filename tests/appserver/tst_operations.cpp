// The server operations: server time, parameterised statements (1 on failure) and sequence numbers
// that stay unique across concurrent clients and restarts; a lost database connection is reopened.
#include "TAppServerFixture.h"
#include "TProviderCatalog.h"
#include "TServerSession.h"

#include <QDateTime>
#include <QSet>
#include <thread>

using namespace Qt::Literals::StringLiterals;

class TstOperations : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;

private slots:
    void initTestCase() { m_fx.Init(u"operations"_s); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    void serverTime_data() { TAppServerFixture::AddRows(); }
    void serverTime()
    {
        ZE_OPEN_ROW(server, m_fx);
        QVariantList args;
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        const QVariant now = server->Call(u"BuscarFechaServidor"_s, args);
        QCOMPARE(now.typeId(), QMetaType::QDateTime);
        QVERIFY(now.toDateTime() >= before);
        QVERIFY(now.toDateTime() <= QDateTime::currentDateTime().addSecs(1));
    }

    // The responsible of a whole cycle, as the module updates it after a save.
    void ejecutarSql_data() { TAppServerFixture::AddRows(); }
    void ejecutarSql()
    {
        ZE_OPEN_ROW(server, m_fx);
        const int pama = transport == u"local"_s ? 3 : 4;
        QVariantList args{QVariant(QVariantList{
                              QStringLiteral("UPDATE SO_MALEG SET COD_RESP = :P_COD_RESP WHERE COD_EMPR = :P_COD_EMPR"
                                             "   AND FEC_PROC = :P_FEC_PROC   AND RMT_PAMA = :P_RMT_PAMA"),
                              79456123.0, 1, QDateTime(QDate(2026, 2, 2), QTime(0, 0)), pama}),
                          QVariant(), QString()};
        QVERIFY2(server->Call(u"EjecutarSql"_s, args).toInt() == 0, qPrintable(args.at(2).toString()));
        QCOMPARE(args.at(1).toInt(), 8); // four items, two areas
        const SDataPacket p = server->GetRecords(
            u"DtsPTemporal"_s, {SParam{u"P"_s, TFieldType::ftInteger, pama}},
            QStringLiteral(
                "SELECT COUNT(*) AS N FROM SO_MALEG WHERE COD_EMPR = 1 AND RMT_PAMA = :P AND COD_RESP = 79456123"));
        QCOMPARE(p.Rows.first().first().toInt(), 8);
    }

    void ejecutarSqlFailure_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("sql");
        const char *const bad[] = {
            "UPDATE SO_MALEG SET NO_EXISTE = :P_X WHERE COD_EMPR = :P_COD_EMPR",
            "UPDATE TABLA_INEXISTENTE SET A = :P_X WHERE COD_EMPR = :P_COD_EMPR",
            "INSERT INTO SO_AREAS (COD_EMPR, COD_AREA, NOM_AREA) VALUES (:P_X, 1, 'duplicada')",
            "UPDATE SO_AREAS SET NOM_AREA = 'X' WHERE COD_EMPR = :P_COD_EMPR AND COD_AREA = 999 + :P_X",
            "DELETE FROM SO_AREAS WHERE COD_EMPR = :P_COD_EMPR AND COD_AREA = 999 + :P_X"};
        for (const QString &b : TAppServerFixture::Backends())
            for (const QString &t : TAppServerFixture::Transports())
                for (int i = 0; i < int(std::size(bad)); ++i)
                    QTest::newRow(qPrintable(u"%1/%2/%3"_s.arg(b, t).arg(i))) << b << t << QString::fromLatin1(bad[i]);
    }
    void ejecutarSqlFailure()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        QFETCH(QString, sql);
        ZE_OPEN(server, m_fx, backend, transport);
        QVariantList args{QVariant(QVariantList{sql, 1, 1}), QVariant(), QString()};
        QCOMPARE(server->Call(u"EjecutarSql"_s, args).toInt(), 1);
        QVERIFY(!args.at(2).toString().isEmpty());
        const SDataPacket areas = server->GetRecords(u"DtsPTemporal"_s, {}, u"SELECT COUNT(*) AS N FROM SO_AREAS"_s);
        QCOMPARE(areas.Rows.first().first().toInt(), 3);
    }

    // Eight clients, each on its own thread and connection, ask for keys at once: no duplicates.
    void generarRmtConcurrent_data() { TAppServerFixture::AddRows(); }
    void generarRmtConcurrent()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        constexpr int kClients = 8;
        constexpr int kCalls = 25;
        std::vector<std::shared_ptr<IAppServer>> clients;
        for (int i = 0; i < kClients; ++i) {
            ZE_OPEN(c, m_fx, backend, transport);
            clients.push_back(c);
        }
        std::vector<QList<int>> keys(kClients);
        std::vector<QString> errors(kClients);
        std::vector<std::thread> threads;
        for (int i = 0; i < kClients; ++i)
            threads.emplace_back([&, i] {
                try {
                    for (int k = 0; k < kCalls; ++k) {
                        QVariantList args{QVariant(QVariantList{1, u"SO_SEMON"_s, u"RMT_SEMO"_s})};
                        keys[i] << clients[i]->Call(u"GenerarRMT"_s, args).toInt();
                    }
                } catch (const Exception &e) {
                    errors[i] = e.Message();
                }
            });
        for (auto &t : threads)
            t.join();
        QSet<int> all;
        for (int i = 0; i < kClients; ++i) {
            QVERIFY2(errors[i].isEmpty(), qPrintable(errors[i]));
            all.unite(QSet<int>(keys[i].cbegin(), keys[i].cend()));
        }
        QCOMPARE(all.size(), kClients * kCalls);
        // Above every key already in the table.
        const SDataPacket max = clients[0]->GetRecords(u"DtsPTemporal"_s, {},
                                                       u"SELECT MAX(RMT_SEMO) AS M FROM SO_SEMON WHERE COD_EMPR = 1"_s);
        for (int k : all)
            QVERIFY(k > max.Rows.first().first().toInt());
    }

    // A restarted server (a new engine on the same database) continues after the last number.
    void generarRmtAfterRestart_data() { TAppServerFixture::AddBackendRows(); }
    void generarRmtAfterRestart()
    {
        QFETCH(QString, backend);
        ZE_OPEN(server, m_fx, backend, u"local"_s);
        QVariantList args{QVariant(QVariantList{2, u"SO_PLASS"_s, u"RMT_PLAS"_s})};
        const int a = server->Call(u"GenerarRMT"_s, args).toInt();
        auto restarted = std::make_shared<TAppServerEngine>(m_fx.Backend(backend).Location);
        auto session = restarted->SignIn(u"demo"_s, u"demo"_s);
        const int b = session->Call(u"GenerarRMT"_s, args).toInt();
        QCOMPARE(b, a + 1);
        restarted->Database().CloseConnection();
        // A number is never below the table's own maximum, even for a counter that lags behind.
        QVariantList ins{QVariant(QVariantList{
                             u"UPDATE SO_PLASS SET RMT_PLAS = 500 WHERE COD_EMPR = :P_COD_EMPR AND RMT_PLAS = 1"_s, 2}),
                         QVariant(), QString()};
        QCOMPARE(server->Call(u"EjecutarSql"_s, ins).toInt(), 0);
        QCOMPARE(server->Call(u"GenerarRMT"_s, args).toInt(), 501);
    }

    // The database ends every connection of the server (an administrator's pg_terminate_backend, as
    // a restart or a failover would): the next request is answered on new connections, reads and
    // writes alike.
    void lostConnection_data()
    {
        QTest::addColumn<QString>("transport");
        for (const QString &t : TAppServerFixture::Transports())
            QTest::newRow(qPrintable(t)) << t;
    }
    void lostConnection()
    {
        QFETCH(QString, transport);
        ZE_OPEN(server, m_fx, u"postgres"_s, transport);
        const QString count = u"SELECT COUNT(*) AS N FROM SO_MALEG"_s;
        const int records = server->GetRecords(u"DtsPTemporal"_s, {}, count).Rows.first().first().toInt();
        int ended = 0;
        {
            QSqlDatabase admin = TAppServerFixture::AdminConnection(u"ze-kill"_s);
            QSqlQuery q(admin);
            q.exec(u"GRANT pg_signal_backend TO CURRENT_USER"_s); // to end the users' role's connections too
            const TDatabase &db = m_fx.Backend(u"postgres"_s).Engine->Database();
            if (q.exec(
                    QStringLiteral(
                        "WITH S AS MATERIALIZED (SELECT pid FROM pg_stat_activity WHERE datname = '%1' AND usename IN"
                        " ('%2', '%3')) SELECT COUNT(*) FROM S WHERE pg_terminate_backend(pid, 10000)")
                        .arg(QUrl(db.Location()).path().mid(1), QUrl(db.Location()).userName(), db.UserRole())) &&
                q.next())
                ended = q.value(0).toInt();
        }
        QSqlDatabase::removeDatabase(u"ze-kill"_s);
        QVERIFY(ended >= 2);
        QCOMPARE(server->GetRecords(u"DtsPTemporal"_s, {}, count).Rows.first().first().toInt(), records);
        QVariantList args{QVariant(QVariantList{u"UPDATE SO_AREAS SET NOM_AREA = NOM_AREA WHERE COD_EMPR = :E"_s, 1}),
                          QVariant(), QString()};
        QVERIFY2(server->Call(u"EjecutarSql"_s, args).toInt() == 0, qPrintable(args.at(2).toString()));
        // This thread's own connection of the fixture's engine, used outside requests, ended too.
        m_fx.Backend(u"postgres"_s).Engine->Database().CloseConnection();
    }
};

QTEST_GUILESS_MAIN(TstOperations)
#include "tst_operations.moc"
