// The evaluation open as the user meets it: the data module TDtmSoMaleg opens QrySoMaleg on the
// 600-record evaluation and the cursor walks it once (First .. Eof). Every record computes its
// calculated fields, which look up the responsible's names (QryGnTerce) and the management axis
// (QryGnDitem) through the application server. Measured:
//   embedded   SDCOMConnection, protocol "local" (the application server in this process, SQLite)
//   HTTP       SDCOMConnection, protocol "http", to THttpService started in this process on 127.0.0.1
//   floor      the same evaluation SQL and the same two point queries per record, straight on the
//              SQLite file through the C API: statements prepared once, every value copied out
// Targets: embedded <= 1.5x the floor, HTTP <= 3x the floor, embedded open + walk < 0.3 s.
//
// The module's after-scroll handler, which reopens the current record's six dependent datasets, is
// detached for the target rows (the floor has no dependent datasets); one row measures it attached.
//
// Usage: bench_evaluation [rounds]; ZE_BENCH_WALK_ONLY=1 (or =http) measures only the embedded (or
// HTTP) walk with the after-scroll handler attached.
#include "AppServerTransports.h"
#include "Globals.h"
#include "IAppServer.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TAppServerEngine.h"
#include "TApplication.h"
#include "TBenchWorld.h"
#include "TDatabase.h"
#include "TDtmSoMaleg.h"
#include "THttpService.h"
#include "TProviderCatalog.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"
#include "dataset/TParam.h"
#include "dataset/TStringField.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {

int g_rounds = 7;
constexpr int kOpsPerRound = 3;

// Median over rounds of the time of one operation, in microseconds (one untimed warm-up first).
template <typename F> double medianMicros(F &&op)
{
    return BenchMedianMicros(g_rounds, kOpsPerRound, std::forward<F>(op));
}

void line(const char *what, double micros, double floorMicros = 0)
{
    if (floorMicros > 0)
        std::printf("  %-58s %9.2f ms   %5.2fx floor\n", what, micros / 1000.0, micros / floorMicros);
    else
        std::printf("  %-58s %9.2f ms\n", what, micros / 1000.0);
}

// What a record shows of its responsible and its axis: first names, surnames, axis name.
using TNames = std::tuple<QString, QString, QString>;

// ---- the floor: SQLite C API ---------------------------------------------------------------------

struct SCell
{
    int Type = SQLITE_NULL;
    sqlite3_int64 Int = 0;
    double Real = 0;
    std::string Text;
};
using TRow = std::vector<SCell>;

struct SFloorRecord
{
    TRow Row;
    std::vector<TRow> Responsible; // every row the responsible query answered
    std::vector<TRow> Axis;        // every row the axis query answered
};

// Each value in its own type; asText: every value also read as text, as bench_appserver's floor
// does (SQLite then formats each number).
void copyRow(sqlite3_stmt *st, TRow &row, bool asText)
{
    const int n = sqlite3_column_count(st);
    row.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        SCell &c = row[size_t(i)];
        c.Type = sqlite3_column_type(st, i);
        if (c.Type == SQLITE_INTEGER)
            c.Int = sqlite3_column_int64(st, i);
        else if (c.Type == SQLITE_FLOAT)
            c.Real = sqlite3_column_double(st, i);
        if (c.Type == SQLITE_TEXT || c.Type == SQLITE_BLOB || (asText && c.Type != SQLITE_NULL))
            c.Text.assign(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                          size_t(sqlite3_column_bytes(st, i)));
    }
}

void copyAll(sqlite3_stmt *st, std::vector<TRow> &rows, bool asText)
{
    while (sqlite3_step(st) == SQLITE_ROW) {
        rows.emplace_back();
        copyRow(st, rows.back(), asText);
    }
    sqlite3_reset(st);
}

double number(const SCell &c)
{
    return c.Type == SQLITE_INTEGER ? double(c.Int) : c.Real;
}

class TFloor
{
public:
    // evaluationSql: the module's command text with its ":PFECPROC" parameter; companies: the
    // signed-in user's companies as the server writes them into the responsible query.
    TFloor(const QString &location, const QString &evaluationSql, const QString &companies)
    {
        sqlite3_open_v2(location.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
        m_main = prepare(evaluationSql);
        QString terce = TProviderCatalog::Instance().Find(QStringLiteral("DtsPGnTerce"))->Sql;
        m_terce = prepare(terce.replace(QStringLiteral("{COMPANIES}"), companies));
        m_ditem = prepare(TProviderCatalog::Instance().Find(QStringLiteral("DtsPGnDitem"))->Sql);
        const std::string date =
            TDatabase::ToDb(QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0))).toString().toStdString();
        sqlite3_bind_text(m_main, index(m_main, ":PFECPROC"), date.c_str(), int(date.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(m_ditem, index(m_ditem, ":P_TIP_ITEM"), 5);
        m_colEmpr = column(m_main, "COD_EMPR");
        m_colResp = column(m_main, "COD_RESP");
        m_colItge = column(m_main, "COD_ITGE");
    }
    ~TFloor()
    {
        for (sqlite3_stmt *st : {m_main, m_terce, m_ditem})
            sqlite3_finalize(st);
        sqlite3_close(m_db);
    }
    bool Ok() const { return m_main && m_terce && m_ditem && m_colEmpr >= 0 && m_colResp >= 0 && m_colItge >= 0; }

    // The evaluation rows, each with its responsible and axis looked up. memo: each distinct code is
    // looked up once and its rows copied to every record that names it.
    std::vector<SFloorRecord> Open(bool memo, bool asText = false)
    {
        std::vector<SFloorRecord> records;
        std::unordered_map<double, std::vector<TRow>> responsibles;
        std::map<std::pair<sqlite3_int64, double>, std::vector<TRow>> axes;
        while (sqlite3_step(m_main) == SQLITE_ROW) {
            records.emplace_back();
            SFloorRecord &r = records.back();
            copyRow(m_main, r.Row, asText);
            const SCell &resp = r.Row[size_t(m_colResp)];
            if (resp.Type != SQLITE_NULL) {
                const double code = number(resp);
                auto lookUp = [&](std::vector<TRow> &into) {
                    sqlite3_bind_double(m_terce, 1, code);
                    copyAll(m_terce, into, asText);
                };
                if (!memo) {
                    lookUp(r.Responsible);
                } else {
                    auto it = responsibles.find(code);
                    if (it == responsibles.end()) {
                        it = responsibles.emplace(code, std::vector<TRow>()).first;
                        lookUp(it->second);
                    }
                    r.Responsible = it->second;
                }
            }
            const SCell &itge = r.Row[size_t(m_colItge)];
            if (itge.Type != SQLITE_NULL) {
                const sqlite3_int64 company = r.Row[size_t(m_colEmpr)].Int;
                const double code = number(itge);
                auto lookUp = [&](std::vector<TRow> &into) {
                    sqlite3_bind_int64(m_ditem, index(m_ditem, ":P_COD_EMPR"), company);
                    sqlite3_bind_double(m_ditem, index(m_ditem, ":P_COD_ITEM"), code);
                    copyAll(m_ditem, into, asText);
                };
                if (!memo) {
                    lookUp(r.Axis);
                } else {
                    auto it = axes.find({company, code});
                    if (it == axes.end()) {
                        it = axes.emplace(std::pair{company, code}, std::vector<TRow>()).first;
                        lookUp(it->second);
                    }
                    r.Axis = it->second;
                }
            }
        }
        sqlite3_reset(m_main);
        return records;
    }

    // What each record shows, as the module's calculated fields would.
    static std::vector<TNames> Names(const std::vector<SFloorRecord> &records)
    {
        std::vector<TNames> names;
        for (const SFloorRecord &r : records) {
            auto text = [](const std::vector<TRow> &rows, size_t col) {
                return rows.empty() ? QString() : QString::fromStdString(rows.front()[col].Text).trimmed();
            };
            names.emplace_back(text(r.Responsible, 0), text(r.Responsible, 1), text(r.Axis, 1));
        }
        return names;
    }

private:
    sqlite3_stmt *prepare(const QString &sql)
    {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
            std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(m_db));
        return st;
    }
    static int index(sqlite3_stmt *st, const char *name) { return sqlite3_bind_parameter_index(st, name); }
    static int column(sqlite3_stmt *st, const char *name)
    {
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            if (qstricmp(sqlite3_column_name(st, i), name) == 0)
                return i;
        return -1;
    }

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_main = nullptr, *m_terce = nullptr, *m_ditem = nullptr;
    int m_colEmpr = -1, m_colResp = -1, m_colItge = -1;
};

// ---- the data module ------------------------------------------------------------------------------

// Passes every request on and counts the record requests per provider (an untimed pass).
class TCountingServer : public IAppServer
{
public:
    explicit TCountingServer(IAppServer &inner) : m_inner(inner) {}
    QHash<QString, int> Requests;
    SDataPacket GetRecords(const QString &providerName, const QList<SParam> &params,
                           const QString &commandText) override
    {
        ++Requests[providerName];
        return m_inner.GetRecords(providerName, params, commandText);
    }
    SApplyResult ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors) override
    {
        return m_inner.ApplyUpdates(providerName, delta, maxErrors);
    }
    QVariant Call(const QString &method, QVariantList &args) override { return m_inner.Call(method, args); }

private:
    IAppServer &m_inner;
};

// A data module on its own connection, QrySoMaleg filtered to the 600-record evaluation as the query
// by example leaves it (company and process date).
struct SModule
{
    std::unique_ptr<SDCOMConnection> Connection = std::make_unique<SDCOMConnection>();
    std::unique_ptr<TDtmSoMaleg> Dm;
    TDataSet::TDataSetNotifyEvent AfterScroll;

    SModule(const QString &protocol, const QString &server)
    {
        Connection->Protocol = protocol;
        Connection->Server = server;
        Connection->User = QStringLiteral("demo");
        Connection->Password = QStringLiteral("demo");
        Dm = std::make_unique<TDtmSoMaleg>(nullptr);
        Dm->SetRemoteServer(Connection.get());
        SClientDataSet *q = Dm->QrySoMaleg;
        q->SetCommandText(
            q->CommandText() +
            QStringLiteral("  AND MA.COD_EMPR = %1 AND MA.FEC_PROC = :PFECPROC\r\n").arg(TBenchWorld::Company()));
        q->ParamByName(QStringLiteral("PFECPROC")).SetAsDateTime(QDateTime(TBenchWorld::ProcessDate(), QTime(0, 0)));
        AfterScroll = q->AfterScroll;
    }
    void DetachAfterScroll(bool detach) { Dm->QrySoMaleg->AfterScroll = detach ? nullptr : AfterScroll; }

    // Opens (again) and walks every record once; returns the records walked.
    int OpenAndWalk(std::vector<TNames> *names = nullptr)
    {
        SClientDataSet *q = Dm->QrySoMaleg;
        q->Close();
        q->Open();
        int n = 0;
        for (q->First(); !q->Eof(); q->Next()) {
            ++n;
            if (names)
                names->emplace_back(Dm->QrySoMalegDtfNmbResp->AsString().trimmed(),
                                    Dm->QrySoMalegDtfApeResp->AsString().trimmed(),
                                    Dm->QrySoMalegDtfNmbItge->AsString().trimmed());
        }
        return n;
    }
    void OpenOnly()
    {
        Dm->QrySoMaleg->Close();
        Dm->QrySoMaleg->Open();
    }

    // Record requests per provider of one open + walk, through a counting wrapper of this connection.
    QHash<QString, int> CountRequests()
    {
        auto counting = std::make_shared<TCountingServer>(Connection->AppServer());
        SDCOMConnection countingConnection;
        countingConnection.SetAppServer(counting);
        Dm->SetRemoteServer(&countingConnection);
        Dm->QrySoMaleg->Close();
        counting->Requests.clear();
        OpenAndWalk();
        Dm->QrySoMaleg->Close();
        Dm->SetRemoteServer(Connection.get());
        return counting->Requests;
    }
};

QString requestsText(const QHash<QString, int> &requests)
{
    QStringList parts;
    int total = 0;
    for (auto it = requests.cbegin(); it != requests.cend(); ++it) {
        parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        total += it.value();
    }
    parts.sort();
    return QStringLiteral("%1 (%2)").arg(total).arg(parts.join(QStringLiteral(", ")));
}

bool sameNames(std::vector<TNames> a, std::vector<TNames> b)
{
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1)
        g_rounds = std::max(3, std::atoi(argv[1]));
    QTemporaryDir dir;
    const QString location = dir.filePath(QStringLiteral("bench.sqlite"));
    std::printf("bench_evaluation: medians of %d rounds of %d opens; machine: %d cores\n", g_rounds, kOpsPerRound,
                int(std::thread::hardware_concurrency()));

    RegisterAppServerTransports();
    Application()->Tag = TBenchWorld::Company();
    gStCodiUsua = QStringLiteral("demo");
    // The engine the "local" transport uses for this file, shared with the HTTP service.
    std::shared_ptr<TAppServerEngine> engine = TAppServerEngine::ForDatabase(location);
    engine->CreateSchema();
    TBenchWorld::Build(*engine);
    const int assigned = TBenchWorld::AssignResponsiblesAndAxes(*engine);
    THttpService http(engine);
    const int port = http.Start(QStringLiteral("127.0.0.1"), 0);

    int status = 0;
    {
        SModule embedded(QStringLiteral("local"), location);
        SModule remote(QStringLiteral("http"), QStringLiteral("127.0.0.1:%1").arg(port));
        // The user "demo" may open companies 1 and 2: the server writes them so into the responsible query.
        TFloor floor(location, embedded.Dm->QrySoMaleg->CommandText(), QStringLiteral("1, 2"));
        if (!floor.Ok()) {
            std::fprintf(stderr, "the floor's statements could not be prepared\n");
            return 1;
        }
        // ZE_BENCH_WALK_ONLY: only the embedded walk with the after-scroll handler (for profiling runs).
        if (qEnvironmentVariableIsSet("ZE_BENCH_WALK_ONLY")) {
            if (qEnvironmentVariable("ZE_BENCH_WALK_ONLY") == QStringLiteral("http"))
                line("HTTP: open + walk, after-scroll attached", medianMicros([&] { remote.OpenAndWalk(); }));
            else
                line("embedded: open + walk, after-scroll attached", medianMicros([&] { embedded.OpenAndWalk(); }));
            http.Stop();
            return 0;
        }
        embedded.DetachAfterScroll(true);
        remote.DetachAfterScroll(true);

        // The three ways must show the same names on the same records.
        const std::vector<TNames> expected = TFloor::Names(floor.Open(false));
        std::vector<TNames> local, overHttp;
        const int records = embedded.OpenAndWalk(&local);
        remote.OpenAndWalk(&overHttp);
        const bool same = sameNames(expected, local) && sameNames(expected, overHttp) &&
                          sameNames(expected, TFloor::Names(floor.Open(true)));
        QSet<QString> people, axes;
        for (const TNames &n : expected) {
            people << std::get<0>(n) + u' ' + std::get<1>(n);
            axes << std::get<2>(n);
        }
        std::printf("%d records (%d with a responsible and an axis; %d distinct responsibles, %d distinct axes); "
                    "names identical on all three: %s\n",
                    records, assigned, int(people.size()), int(axes.size()), same ? "yes" : "NO");
        if (!same || records != int(expected.size()))
            status = 1;
        std::printf("record requests per open + walk: embedded %s; HTTP %s\n",
                    qPrintable(requestsText(embedded.CountRequests())),
                    qPrintable(requestsText(remote.CountRequests())));

        const double floorOpen = medianMicros([&] { floor.Open(false); });
        const double floorMemo = medianMicros([&] { floor.Open(true); });
        line("floor: C API, SQL + both lookups per record", floorOpen);
        line("floor: C API, SQL + each distinct code looked up once", floorMemo);
        line("floor variant: lookups per record, every value read as text",
             medianMicros([&] { floor.Open(false, true); }));
        const double local600 = medianMicros([&] { embedded.OpenAndWalk(); });
        const double http600 = medianMicros([&] { remote.OpenAndWalk(); });
        line("embedded: open + walk (target <= 1.5x, < 300 ms)", local600, floorOpen);
        line("HTTP: open + walk (target <= 3x)", http600, floorOpen);
        std::printf("  against the floor that looks each distinct code up once: embedded %.2fx, HTTP %.2fx\n",
                    local600 / floorMemo, http600 / floorMemo);
        line("embedded: open alone", medianMicros([&] { embedded.OpenOnly(); }));
        line("HTTP: open alone", medianMicros([&] { remote.OpenOnly(); }));

        embedded.DetachAfterScroll(false);
        remote.DetachAfterScroll(false);
        line("embedded: open + walk, after-scroll attached", medianMicros([&] { embedded.OpenAndWalk(); }));
        line("HTTP: open + walk, after-scroll attached", medianMicros([&] { remote.OpenAndWalk(); }));
        std::printf("  (after-scroll reopens the six dependent datasets of each record: %s requests embedded)\n",
                    qPrintable(requestsText(embedded.CountRequests())));
    }
    http.Stop();
    engine->Database().CloseConnection();
    return status;
}
