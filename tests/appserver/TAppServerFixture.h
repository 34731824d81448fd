#pragma once

// Shared set-up of the application-server tests: one demo world per backend (a SQLite file in a
// temporary directory; a fresh PostgreSQL database inside the cluster named by ZE_TEST_PG_URL,
// which scripts/test-postgres provides), an HTTP service over each, and clients for the two
// transports, both opened through SDCOMConnection as the module does.
// Without ZE_TEST_PG_URL the PostgreSQL rows fail: the suite is meant to run on both backends.

#include "AppServerTransports.h"
#include "EAppServerError.h"
#include "SDCOMConnection.h"
#include "TAppServerEngine.h"
#include "TDemoWorld.h"
#include "THttpService.h"
#include "TUserStore.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <atomic>
#include <map>
#include <memory>

class TAppServerFixture
{
public:
    struct SBackend
    {
        QString Location;
        QString Error;
        std::shared_ptr<TAppServerEngine> Engine;
        std::unique_ptr<THttpService> Http;
        int Port = 0;
    };

    static inline std::atomic<qint64> ClockOffset{0};
    static inline std::atomic<qint64> ClockStoppedAt{0};

    static QStringList Backends() { return {QStringLiteral("sqlite"), QStringLiteral("postgres")}; }
    static QStringList Transports() { return {QStringLiteral("local"), QStringLiteral("http")}; }

    // Adds the "backend" and "transport" columns and one row per combination.
    static void AddRows()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        for (const QString &b : Backends())
            for (const QString &t : Transports())
                QTest::newRow(qPrintable(b + QLatin1Char('/') + t)) << b << t;
    }
    static void AddBackendRows()
    {
        QTest::addColumn<QString>("backend");
        for (const QString &b : Backends())
            QTest::newRow(qPrintable(b)) << b;
    }

    // Builds the demo world on both backends, plus a user "solo2" limited to company 2.
    void Init(const QString &testName)
    {
        RegisterAppServerTransports();
        QVERIFY(m_dir.isValid());
        SBackend &lite = m_backends[QStringLiteral("sqlite")];
        lite.Location = m_dir.filePath(QStringLiteral("demo.sqlite"));
        SBackend &pg = m_backends[QStringLiteral("postgres")];
        const QString base = qEnvironmentVariable("ZE_TEST_PG_URL");
        if (base.isEmpty()) {
            pg.Error =
                QStringLiteral("ZE_TEST_PG_URL no está definida: ejecute las pruebas con scripts/test-postgres.");
        } else {
            QUrl url(base);
            url.setPath(QStringLiteral("/ze_%1_%2").arg(testName).arg(QCoreApplication::applicationPid()));
            RunAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1").arg(url.path().mid(1)));
            pg.Error = RunAdmin(QStringLiteral("CREATE DATABASE %1").arg(url.path().mid(1)));
            pg.Location = pg.Error.isEmpty() ? url.toString() : QString();
        }
        for (auto &[name, b] : m_backends) {
            if (!b.Error.isEmpty())
                continue;
            try {
                b.Engine = std::make_shared<TAppServerEngine>(b.Location);
                b.Engine->CreateSchema();
                TDemoWorld(b.Engine->Database()).Build();
                TUserStore(b.Engine->Database()).SetUser(QStringLiteral("solo2"), QStringLiteral("clave2"), {2});
                // The server's clock: this machine's moved ClockOffset seconds ahead, or stopped at
                // ClockStoppedAt (seconds since the epoch) when that is set (idle expiry, sign-in waits).
                b.Engine->SetClock([] {
                    const qint64 stopped = ClockStoppedAt.load();
                    return stopped ? QDateTime::fromSecsSinceEpoch(stopped)
                                   : QDateTime::currentDateTime().addSecs(ClockOffset.load());
                });
                b.Http = std::make_unique<THttpService>(b.Engine);
                b.Port = b.Http->Start(QStringLiteral("127.0.0.1"), 0);
            } catch (const Exception &e) {
                b.Error = e.Message();
            }
        }
    }

    void Cleanup()
    {
        for (auto &[name, b] : m_backends) {
            if (b.Http)
                b.Http->Stop();
            b.Http.reset();
            if (b.Engine)
                b.Engine->Database().CloseConnection();
            b.Engine.reset();
        }
        const QString pg = m_backends[QStringLiteral("postgres")].Location;
        if (!pg.isEmpty())
            RunAdmin(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(QUrl(pg).path().mid(1)));
    }

    SBackend &Backend(const QString &name) { return m_backends[name]; }
    QString Error(const QString &backend) { return m_backends[backend].Error; }

    // A connection as the module makes it; nullptr (and LastError) when the backend is unavailable
    // or the sign-in is refused.
    std::shared_ptr<IAppServer> Open(const QString &backend, const QString &transport,
                                     const QString &user = QStringLiteral("demo"),
                                     const QString &password = QStringLiteral("demo"))
    {
        SBackend &b = m_backends[backend];
        if (!b.Error.isEmpty()) {
            m_lastError = b.Error;
            return nullptr;
        }
        auto connection = std::make_shared<SDCOMConnection>();
        connection->Protocol = transport;
        connection->Server =
            transport == QStringLiteral("http") ? QStringLiteral("127.0.0.1:%1").arg(b.Port) : b.Location;
        connection->User = user;
        connection->Password = password;
        try {
            IAppServer *server = &connection->AppServer();
            // The connection owns its transport; the caller's pointer keeps both alive.
            return std::shared_ptr<IAppServer>(connection, server);
        } catch (const Exception &e) {
            m_lastError = e.Message();
            return nullptr;
        }
    }

    QString LastError() const { return m_lastError; }

    // A connection named name to the cluster's own database as the test role (ZE_TEST_PG_URL),
    // opened when it can be; the caller removes it.
    static QSqlDatabase AdminConnection(const QString &name = QStringLiteral("ze-admin"))
    {
        const QUrl url(qEnvironmentVariable("ZE_TEST_PG_URL"));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        db.open();
        return db;
    }

    // Runs sql on the cluster's own database; the error text, empty when it ran.
    static QString RunAdmin(const QString &sql)
    {
        QString error;
        {
            QSqlDatabase db = AdminConnection();
            QSqlQuery q(db);
            if (!db.isOpen())
                error = QStringLiteral("No se pudo conectar a %1: %2")
                            .arg(qEnvironmentVariable("ZE_TEST_PG_URL"), db.lastError().text());
            else if (!q.exec(sql))
                error = q.lastError().text();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("ze-admin"));
        return error;
    }

private:
    QTemporaryDir m_dir;
    std::map<QString, SBackend> m_backends;
    QString m_lastError;
};

// The column of the field named name in p; -1 when it has none.
inline int col(const SDataPacket &p, const char *name)
{
    for (int i = 0; i < p.Fields.size(); ++i)
        if (p.Fields.at(i).Name == QLatin1String(name))
            return i;
    return -1;
}

// Opens a connection or fails the running test with the reason.
#define ZE_OPEN(var, fixture, ...)                                                                                     \
    auto var = (fixture).Open(__VA_ARGS__);                                                                            \
    if (!var)                                                                                                          \
        QFAIL(qPrintable((fixture).LastError()));

// Fetches the test row's backend and transport and opens a connection as the demo user there.
#define ZE_OPEN_ROW(var, fixture)                                                                                      \
    QFETCH(QString, backend);                                                                                          \
    QFETCH(QString, transport);                                                                                        \
    ZE_OPEN(var, fixture, backend, transport)
