// Figures of the application server, each next to its floor measured in the same run:
//   null call      embedded vs HTTP vs a raw TCP ping-pong on loopback (HTTP target <= 3x raw)
//   600-record open of the evaluation query: embedded vs the same SQL through the SQLite C API
//                  (target <= 1.5x)
//   GenerarRMT     8 concurrent clients, calls per second (SQLite; PostgreSQL when ZE_TEST_PG_URL
//                  names a database, e.g. under scripts/test-postgres)
// Usage: bench_appserver [rounds]
#include "AppServerTransports.h"
#include "TAppServerEngine.h"
#include "TBenchWorld.h"
#include "THttpAppServer.h"
#include "THttpService.h"
#include "TProviderCatalog.h"
#include "TServerSession.h"
#include "SysUtils.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sqlite3.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

int g_rounds = 7;

// Median over rounds of the time per operation, in microseconds.
template <typename F> double medianMicros(int opsPerRound, F &&op)
{
    return BenchMedianMicros(g_rounds, opsPerRound, std::forward<F>(op));
}

void line(const char *what, double micros, double floorMicros = 0)
{
    if (floorMicros > 0)
        std::printf("  %-46s %10.1f us   %5.2fx floor\n", what, micros, micros / floorMicros);
    else
        std::printf("  %-46s %10.1f us\n", what, micros);
}

// A 64-byte request/answer ping-pong over loopback TCP with TCP_NODELAY: the network floor.
class RawPingPong
{
public:
    RawPingPong()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(m_listen, 1);
        socklen_t len = sizeof a;
        ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
        m_server = std::thread([this] {
            const int s = ::accept(m_listen, nullptr, nullptr);
            const int one = 1;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            char buf[64];
            while (readAll(s, buf) && ::send(s, buf, sizeof buf, 0) == sizeof buf) {
            }
            ::close(s);
        });
        m_client = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(m_client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ::connect(m_client, reinterpret_cast<sockaddr *>(&a), sizeof a);
    }
    ~RawPingPong()
    {
        ::shutdown(m_client, SHUT_RDWR);
        ::close(m_client);
        m_server.join();
        ::close(m_listen);
    }
    void RoundTrip()
    {
        char buf[64] = {};
        ::send(m_client, buf, sizeof buf, 0);
        readAll(m_client, buf);
    }

private:
    static bool readAll(int s, char *buf)
    {
        size_t got = 0;
        while (got < 64) {
            const ssize_t n = ::recv(s, buf + got, 64 - got, 0);
            if (n <= 0)
                return false;
            got += size_t(n);
        }
        return true;
    }
    int m_listen = -1, m_client = -1;
    std::thread m_server;
};

// The same query through the SQLite C API, every value read into memory: the floor of an open.
size_t openThroughCApi(sqlite3 *db, const std::string &sql, const std::string &date)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &st, nullptr);
    sqlite3_bind_text(st, 1, date.c_str(), int(date.size()), SQLITE_TRANSIENT);
    std::vector<std::vector<std::string>> rows;
    const int n = sqlite3_column_count(st);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string> row(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            if (sqlite3_column_type(st, i) != SQLITE_NULL)
                row[size_t(i)].assign(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                                      size_t(sqlite3_column_bytes(st, i)));
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    return rows.size();
}

double rmtCallsPerSecond(const std::vector<std::shared_ptr<IAppServer>> &clients, int callsPerClient)
{
    std::atomic<int> failures{0};
    QElapsedTimer t;
    t.start();
    std::vector<std::thread> threads;
    for (const auto &c : clients)
        threads.emplace_back([&, c] {
            try {
                for (int i = 0; i < callsPerClient; ++i) {
                    QVariantList args{
                        QVariant(QVariantList{1, QStringLiteral("SO_SEMON"), QStringLiteral("RMT_SEMO")})};
                    c->Call(QStringLiteral("GenerarRMT"), args);
                }
            } catch (const Exception &e) {
                std::fprintf(stderr, "GenerarRMT: %s\n", qPrintable(e.Message()));
                ++failures;
            }
        });
    for (auto &th : threads)
        th.join();
    if (failures)
        return 0;
    return double(clients.size()) * callsPerClient / (double(t.nsecsElapsed()) / 1e9);
}

void benchBackend(const QString &label, const QString &location, bool withFloors)
{
    auto engine = std::make_shared<TAppServerEngine>(location);
    engine->CreateSchema();
    TBenchWorld::Build(*engine);
    THttpService http(engine);
    const int port = http.Start(QStringLiteral("127.0.0.1"), 0);
    auto embedded = engine->SignIn(QStringLiteral("demo"), QStringLiteral("demo"));
    auto remote = std::make_shared<THttpAppServer>(QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("demo"),
                                                   QStringLiteral("demo"));

    std::printf("%s\n", qPrintable(label));
    const int calls = 2000;
    double raw = 0;
    if (withFloors) {
        RawPingPong ping;
        raw = medianMicros(calls, [&] { ping.RoundTrip(); });
        line("null call, raw TCP ping-pong (floor)", raw);
    }
    QVariantList none;
    line("null call, embedded (BuscarFechaServidor)",
         medianMicros(calls, [&] { embedded->Call(QStringLiteral("BuscarFechaServidor"), none); }));
    line("null call, HTTP", medianMicros(calls, [&] { remote->Call(QStringLiteral("BuscarFechaServidor"), none); }),
         raw);

    const QString sql =
        TProviderCatalog::EvaluationSql() + QStringLiteral("  AND MA.COD_EMPR = 1 AND MA.FEC_PROC = :PFECPROC\r\n");
    const QList<SParam> params{
        {QStringLiteral("PFECPROC"), TFieldType::ftDateTime, QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0))}};
    const qsizetype rows = embedded->GetRecords(QStringLiteral("DtsPSoMaleg"), params, sql).Rows.size();
    double floor = 0;
    if (withFloors) {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(location.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        const std::string text = QString(sql).replace(QStringLiteral(":PFECPROC"), QStringLiteral("?")).toStdString();
        const std::string date = "2026-06-01 00:00:00.000";
        if (openThroughCApi(db, text, date) != size_t(rows))
            std::fprintf(stderr, "the C API read a different number of rows\n");
        floor = medianMicros(20, [&] { openThroughCApi(db, text, date); });
        sqlite3_close(db);
        line(qPrintable(QStringLiteral("open %1 records, SQLite C API (floor)").arg(rows)), floor);
    }
    line(qPrintable(QStringLiteral("open %1 records, embedded").arg(rows)),
         medianMicros(20, [&] { embedded->GetRecords(QStringLiteral("DtsPSoMaleg"), params, sql); }), floor);
    line(qPrintable(QStringLiteral("open %1 records, HTTP").arg(rows)),
         medianMicros(20, [&] { remote->GetRecords(QStringLiteral("DtsPSoMaleg"), params, sql); }), floor);

    for (const QString &transport : {QStringLiteral("embedded"), QStringLiteral("HTTP")}) {
        std::vector<std::shared_ptr<IAppServer>> clients;
        for (int i = 0; i < 8; ++i)
            clients.push_back(
                transport == QStringLiteral("HTTP")
                    ? std::shared_ptr<IAppServer>(std::make_shared<THttpAppServer>(
                          QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("demo"), QStringLiteral("demo")))
                    : std::shared_ptr<IAppServer>(engine->SignIn(QStringLiteral("demo"), QStringLiteral("demo"))));
        std::vector<double> rates;
        for (int r = 0; r < 3; ++r)
            rates.push_back(rmtCallsPerSecond(clients, 100));
        std::sort(rates.begin(), rates.end());
        std::printf("  %-46s %10.0f calls/s\n", qPrintable(QStringLiteral("GenerarRMT, 8 clients, %1").arg(transport)),
                    rates[1]);
    }
    http.Stop();
    engine->Database().CloseConnection();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        g_rounds = std::max(3, std::atoi(argv[1]));
    QTemporaryDir dir;
    std::printf("bench_appserver: medians of %d rounds; machine: %d cores\n", g_rounds,
                int(std::thread::hardware_concurrency()));
    benchBackend(QStringLiteral("SQLite (file in a temporary directory)"), dir.filePath(QStringLiteral("bench.sqlite")),
                 true);
    const QString pg = qEnvironmentVariable("ZE_TEST_PG_URL");
    if (!pg.isEmpty())
        benchBackend(QStringLiteral("PostgreSQL 15 (loopback)"), pg, false);
    else
        std::printf("PostgreSQL: not measured (run under scripts/test-postgres)\n");
    return 0;
}
