// The HTTP service as a curl user meets it: sign-in, bearer tokens, JSON answers, and 4xx answers
// with a JSON message for every malformed request while the server keeps serving.
#include "TAppServerFixture.h"
#include "TSignInThrottle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>
#include <cstdlib>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

struct SReply
{
    int Status = 0;
    QJsonObject Body;
    int RetryAfter = 0;
};

// authorization: the whole header value ("Bearer <token>"), none when empty.
SReply postAs(int port, const std::string &path, const std::string &body, const std::string &authorization)
{
    httplib::Client client("127.0.0.1", port);
    client.set_tcp_nodelay(true);
    httplib::Headers headers;
    if (!authorization.empty())
        headers.emplace("Authorization", authorization);
    const auto res = client.Post(path, headers, body, "application/json");
    SReply r;
    if (res) {
        r.Status = res->status;
        r.Body = QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object();
        r.RetryAfter = std::atoi(res->get_header_value("Retry-After").c_str());
    }
    return r;
}

SReply post(int port, const std::string &path, const std::string &body, const std::string &token = {})
{
    return postAs(port, path, body, token.empty() ? std::string() : "Bearer " + token);
}

SReply signInReply(int port, const QString &user, const QString &password)
{
    return post(port, "/v1/session",
                QJsonDocument(QJsonObject{{u"user"_s, user}, {u"password"_s, password}}).toJson().toStdString());
}

// A `tolvane-server serve` of its own on the database; its port, 0 when it did not start.
int startServer(QProcess &p, const QString &location)
{
    p.start(qEnvironmentVariable("ZE_SERVER_PATH"), {u"serve"_s, u"--db"_s, location, u"--listen"_s, u"127.0.0.1:0"_s});
    QByteArray out;
    while (!out.contains('\n') && p.waitForReadyRead(20000))
        out += p.readAllStandardOutput();
    const qsizetype colon = out.lastIndexOf(':');
    return colon < 0 ? 0 : out.mid(colon + 1).split('/').first().toInt();
}

std::string signIn(int port, const char *user, const char *password)
{
    return signInReply(port, QLatin1String(user), QLatin1String(password))
        .Body.value(u"token"_s)
        .toString()
        .toStdString();
}

// A raw connection to 127.0.0.1:port (-1 on failure); reads wait at most 10 s.
int rawConnect(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval tv{10, 0};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

// The first answer on s: its status and body (0 when none came).
std::pair<int, QByteArray> readAnswer(int s)
{
    char buf[4096];
    const ssize_t n = ::recv(s, buf, sizeof buf, 0);
    const QByteArray text(buf, n > 0 ? int(n) : 0);
    const QList<QByteArray> first = text.split(' ');
    return {first.size() > 1 ? first.at(1).toInt() : 0, text.mid(text.indexOf("\r\n\r\n") + 4)};
}

// Writes raw bytes (in pieces, to exercise framing) and returns the status of the first answer.
int rawStatus(int port, const QList<QByteArray> &pieces)
{
    const int s = rawConnect(port);
    if (s < 0)
        return -1;
    for (const QByteArray &p : pieces) {
        ::send(s, p.constData(), size_t(p.size()), MSG_NOSIGNAL);
        QThread::msleep(5);
    }
    const int status = readAnswer(s).first;
    ::close(s);
    return status;
}

} // namespace

// The port of the backend's HTTP service, or the running test fails with the reason.
#define ZE_PORT(var, backend)                                                                                          \
    const int var = Port(backend);                                                                                     \
    if (!var)                                                                                                          \
        QFAIL(qPrintable(m_fx.Error(backend)));

class TstHttp : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;

    int Port(const QString &backend) { return m_fx.Error(backend).isEmpty() ? m_fx.Backend(backend).Port : 0; }

private slots:
    void initTestCase() { m_fx.Init(u"http"_s); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    void badCredentials_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        const char *const cases[][3] = {{"clave", "demo", "Demo"}, {"usuario", "nadie", "demo"}, {"vacio", "", ""}};
        for (const QString &b : TAppServerFixture::Backends())
            for (const QString &t : TAppServerFixture::Transports())
                for (const auto &c : cases)
                    QTest::newRow(qPrintable(b + QLatin1Char('/') + t + QLatin1Char('/') + QLatin1String(c[0])))
                        << b << t << QString::fromLatin1(c[1]) << QString::fromLatin1(c[2]);
    }
    void badCredentials()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QVERIFY2(m_fx.Error(backend).isEmpty(), qPrintable(m_fx.Error(backend)));
        QVERIFY(!m_fx.Open(backend, transport, user, password));
        QCOMPARE(m_fx.LastError(), u"Usuario o contraseña incorrectos."_s);
        if (transport == u"http"_s) {
            const SReply r = signInReply(Port(backend), user, password);
            QCOMPARE(r.Status, 401);
            QVERIFY(!r.Body.value(u"error"_s).toString().isEmpty());
        }
    }

    void malformed_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("who"); // "", "demo", "solo2" or "bogus"
        QTest::addColumn<int>("status");
        const struct
        {
            const char *tag, *path, *body, *who;
            int status;
        } cases[] = {
            {"json roto", "/v1/session", "{\"user\":", "", 400},
            {"no objeto", "/v1/session", "[1,2]", "", 400},
            {"tipos sesion", "/v1/session", "{\"user\":1,\"password\":2}", "", 400},
            {"sin token", "/v1/providers/DtsPSoParam/open", "{\"params\":{\"P_COD_EMPR\":1}}", "", 401},
            {"token falso", "/v1/providers/DtsPSoParam/open", "{\"params\":{\"P_COD_EMPR\":1}}", "bogus", 401},
            {"proveedor", "/v1/providers/DtsPNoExiste/open", "{}", "demo", 404},
            {"metodo", "/v1/methods/NoExiste", "{\"args\":[]}", "demo", 404},
            {"ruta", "/v1/otra/cosa", "{}", "demo", 404},
            {"params", "/v1/providers/DtsPSoParam/open", "{\"params\":5}", "demo", 400},
            {"params objeto", "/v1/providers/DtsPSoParam/open", "{\"params\":{\"P_COD_EMPR\":{\"a\":1}}}", "demo", 400},
            {"commandText", "/v1/providers/DtsPTemporal/open", "{\"commandText\":7}", "demo", 400},
            {"escritura", "/v1/providers/DtsPTemporal/open", "{\"commandText\":\"DELETE FROM SO_AREAS\"}", "demo", 400},
            {"changes", "/v1/providers/DtsPSoPlass/apply", "{\"fields\":[],\"changes\":\"x\"}", "demo", 400},
            {"fields", "/v1/providers/DtsPSoPlass/apply",
             "{\"fields\":[{\"name\":\"COD_EMPR\",\"type\":\"nada\"}],\"changes\":[]}", "demo", 400},
            {"fila corta", "/v1/providers/DtsPSoPlass/apply",
             "{\"fields\":[{\"name\":\"COD_EMPR\",\"type\":\"smallint\"}],\"changes\":[{\"kind\":\"insert\",\"new\":[]}"
             "]}",
             "demo", 400},
            {"clase", "/v1/providers/DtsPSoPlass/apply",
             "{\"fields\":[{\"name\":\"COD_EMPR\",\"type\":\"smallint\"}],\"changes\":[{\"kind\":\"otro\"}]}", "demo",
             400},
            {"args", "/v1/methods/GenerarRMT", "{\"args\":{}}", "demo", 400},
            {"args rmt", "/v1/methods/GenerarRMT", "{\"args\":[[1,\"SO_PLASS\"]]}", "demo", 400},
            {"rmt ajeno", "/v1/methods/GenerarRMT", "{\"args\":[[1,\"SO_PLASS\",\"RMT_PLAS\"]]}", "solo2", 403},
            {"rmt del servidor", "/v1/methods/GenerarRMT", "{\"args\":[[2,\"SV_CONTA\",\"ULT_VALO\"]]}", "solo2", 400},
            {"rmt no clave", "/v1/methods/GenerarRMT", "{\"args\":[[2,\"SO_PLASS\",\"ACT_ASGS\"]]}", "solo2", 400},
            {"rmt inyectado", "/v1/methods/GenerarRMT",
             "{\"args\":[[2,\"SO_PLASS; DROP TABLE SO_AREAS\",\"RMT_PLAS\"]]}", "solo2", 400},
            {"rmt sin tabla", "/v1/methods/GenerarRMT", "{\"args\":[[2,\"NO_EXISTE\",\"RMT_PLAS\"]]}", "solo2", 400},
            {"texto sin proveedor", "/v1/providers/DtsPSoParam/open", "{\"commandText\":\"SELECT 1\"}", "demo", 400},
        };
        for (const QString &b : TAppServerFixture::Backends())
            for (const auto &c : cases)
                QTest::newRow(qPrintable(b + QLatin1Char('/') + QString::fromUtf8(c.tag)))
                    << b << QString::fromLatin1(c.path) << QString::fromLatin1(c.body) << QString::fromLatin1(c.who)
                    << c.status;
    }
    void malformed()
    {
        QFETCH(QString, backend);
        QFETCH(QString, path);
        QFETCH(QString, body);
        QFETCH(QString, who);
        QFETCH(int, status);
        ZE_PORT(port, backend);
        std::string token;
        if (who == u"demo"_s)
            token = signIn(port, "demo", "demo");
        else if (who == u"solo2"_s)
            token = signIn(port, "solo2", "clave2");
        else if (who == u"bogus"_s)
            token = std::string(64, 'a');
        const SReply r = post(port, path.toStdString(), body.toStdString(), token);
        QCOMPARE(r.Status, status);
        QVERIFY2(!r.Body.value(u"error"_s).toString().isEmpty(), "a refusal carries a JSON message");
        // And the server keeps serving.
        const SReply ok = post(port, "/v1/methods/BuscarFechaServidor", "{}", signIn(port, "demo", "demo"));
        QCOMPARE(ok.Status, 200);
    }

    // Broken HTTP framing is answered and closed; the server keeps serving.
    void rawRequests_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<int>("status");
        const QByteArray session = R"({"user":"demo","password":"demo"})";
        for (const QString &b : TAppServerFixture::Backends()) {
            QTest::newRow(qPrintable(b + u"/basura"_s)) << b << QList<QByteArray>{"BASURA\r\n\r\n"} << 400;
            QTest::newRow(qPrintable(b + u"/por partes"_s))
                << b << QList<QByteArray>{"POST /v1/session HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"} << 411;
            QTest::newRow(qPrintable(b + u"/longitud"_s))
                << b << QList<QByteArray>{"POST /v1/session HTTP/1.1\r\nContent-Length: x\r\n\r\n"} << 413;
            QTest::newRow(qPrintable(b + u"/en trozos"_s))
                << b
                << QList<QByteArray>{"POST /v1/ses", "sion HTTP/1.1\r\nContent-Le",
                                     "ngth: " + QByteArray::number(session.size()) + "\r\n\r\n", session.left(10),
                                     session.mid(10)}
                << 200;
            QTest::newRow(qPrintable(b + u"/get"_s))
                << b << QList<QByteArray>{"GET /v1/session HTTP/1.1\r\n\r\n"} << 405;
            QTest::newRow(qPrintable(b + u"/encabezados largos"_s))
                << b << QList<QByteArray>{"POST /v1/session HTTP/1.1\r\nX-Relleno: " + QByteArray(70 * 1024, 'a')}
                << 431;
            QTest::newRow(qPrintable(b + u"/cuerpo grande"_s))
                << b << QList<QByteArray>{"POST /v1/session HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n{"} << 413;
        }
    }
    void rawRequests()
    {
        QFETCH(QString, backend);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, status);
        ZE_PORT(port, backend);
        QCOMPARE(rawStatus(port, pieces), status);
        QCOMPARE(post(port, "/v1/session", R"({"user":"demo","password":"demo"})").Status, 200);
    }

    // Requests sent back to back in one write are answered in order on the same connection, a broken
    // one after them refused and the connection closed.
    void pipelined_data() { TAppServerFixture::AddBackendRows(); }
    void pipelined()
    {
        QFETCH(QString, backend);
        ZE_PORT(port, backend);
        const QByteArray body = R"({"user":"demo","password":"demo"})";
        const QByteArray signIn =
            "POST /v1/session HTTP/1.1\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        const int s = rawConnect(port);
        QVERIFY(s >= 0);
        const QByteArray all = signIn + signIn + "BASURA\r\n\r\n";
        ::send(s, all.constData(), size_t(all.size()), MSG_NOSIGNAL);
        QByteArray answers;
        char buf[4096];
        for (ssize_t n; (n = ::recv(s, buf, sizeof buf, 0)) > 0;)
            answers.append(buf, n);
        ::close(s);
        QCOMPARE(answers.count("HTTP/1.1 200"), 2);
        QVERIFY(answers.lastIndexOf("HTTP/1.1 400") > answers.lastIndexOf("HTTP/1.1 200"));
    }

    // What a curl user sees: a new token at each sign-in with the user's companies, ISO 8601 dates,
    // fields with their flags, by-reference arguments.
    void jsonShapes_data() { TAppServerFixture::AddBackendRows(); }
    void jsonShapes()
    {
        QFETCH(QString, backend);
        ZE_PORT(port, backend);
        const SReply ok = post(port, "/v1/session", R"({"user":"demo","password":"demo"})");
        QCOMPARE(ok.Status, 200);
        QCOMPARE(ok.Body.value(u"token"_s).toString().size(), 64);
        QCOMPARE(ok.Body.value(u"companies"_s).toArray(), (QJsonArray{1, 2}));
        const SReply other = post(port, "/v1/session", R"({"user":"demo","password":"demo"})");
        QVERIFY(other.Body.value(u"token"_s) != ok.Body.value(u"token"_s));
        const SReply solo = post(port, "/v1/session", R"({"user":"solo2","password":"clave2"})");
        QCOMPARE(solo.Body.value(u"companies"_s).toArray(), (QJsonArray{2}));
        const std::string token = ok.Body.value(u"token"_s).toString().toStdString();
        const SReply open = post(
            port, "/v1/providers/DtsPSoSemon/open",
            R"({"params":{"PCODEMPR":1,"PFECPROC":"2026-02-02T00:00:00","PRMTPAMA":1,"PRMTDEPA":1,"PRMTESTA":1,"PRMTITES":4,"PCODAREA":1}})",
            token);
        QCOMPARE(open.Status, 200);
        const QJsonArray fields = open.Body.value(u"fields"_s).toArray();
        QCOMPARE(fields.size(), 22);
        QCOMPARE(fields.at(4).toObject(), (QJsonObject{{u"name"_s, u"RMT_SEMO"_s},
                                                       {u"type"_s, u"integer"_s},
                                                       {u"size"_s, 0},
                                                       {u"required"_s, true},
                                                       {u"key"_s, true}}));
        const QJsonArray rows = open.Body.value(u"rows"_s).toArray();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).toArray().at(5).toString(), u"2026-02-02T00:00:00.000"_s);
        const SReply call = post(
            port, "/v1/methods/EjecutarSql",
            R"({"args":[["UPDATE SO_AREAS SET NOM_AREA = :P_NOM WHERE COD_EMPR = :P_COD_EMPR AND COD_AREA = 1","Planta",1],null,""]})",
            token);
        QCOMPARE(call.Status, 200);
        QCOMPARE(call.Body.value(u"result"_s).toInt(), 0);
        QCOMPARE(call.Body.value(u"args"_s).toArray().at(1).toInt(), 1);
    }

    // Tokens: 12 hours without use end them, a new password or new companies revoke them, the
    // scheme's case does not matter. The server's clock is moved, not waited for.
    void sessions_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("kind");
        for (const QString &b : TAppServerFixture::Backends())
            for (const char *k : {"expira", "esquema", "revoca clave", "revoca empresas"})
                QTest::newRow(qPrintable(b + QLatin1Char('/') + QLatin1String(k))) << b << QString::fromLatin1(k);
    }
    void sessions()
    {
        QFETCH(QString, backend);
        QFETCH(QString, kind);
        ZE_PORT(port, backend);
        TUserStore users(m_fx.Backend(backend).Engine->Database());
        users.SetUser(u"ana3"_s, u"clave3"_s, {2});
        const std::string token = signIn(port, "ana3", "clave3");
        QCOMPARE(token.size(), size_t(64));
        const auto status = [&](const std::string &authorization) {
            return postAs(port, "/v1/methods/BuscarFechaServidor", "{}", authorization).Status;
        };
        const std::string bearer = "Bearer " + token;
        auto &offset = TAppServerFixture::ClockOffset;
        const auto restore = qScopeGuard([&] { offset = 0; });
        if (kind == u"expira"_s) {
            auto desktop = m_fx.Open(backend, u"http"_s, u"ana3"_s, u"clave3"_s);
            QVERIFY(desktop);
            offset = 11 * 3600;
            QCOMPARE(status(bearer), 200);
            offset = 22 * 3600; // 11 hours after its last use
            QCOMPARE(status(bearer), 200);
            offset = 35 * 3600; // 13 hours
            QCOMPARE(status(bearer), 401);
            // The desktop module's connection signs in again by itself.
            QVariantList args;
            QVERIFY(desktop->Call(u"BuscarFechaServidor"_s, args).toDateTime().isValid());
            offset = 0;
            QCOMPARE(status(bearer), 401);
        } else if (kind == u"esquema"_s) {
            QCOMPARE(status("bearer " + token), 200);
            QCOMPARE(status("BEARER   " + token), 200);
            QCOMPARE(status("Basic " + token), 401);
            QCOMPARE(status(token), 401);
            QCOMPARE(status("Bearer " + std::string(64, '0')), 401);
        } else {
            QCOMPARE(status(bearer), 200);
            const bool password = kind == u"revoca clave"_s;
            users.SetUser(u"ana3"_s, password ? u"otra3"_s : u"clave3"_s, {1, 2});
            QCOMPARE(status(bearer), 401);
            QCOMPARE(signInReply(port, u"ana3"_s, u"clave3"_s).Status, password ? 401 : 200);
            const SReply again = signInReply(port, u"ana3"_s, password ? u"otra3"_s : u"clave3"_s);
            QCOMPARE(again.Body.value(u"companies"_s).toArray(), (QJsonArray{1, 2}));
        }
    }

    // Password guessing: free failures, then 429 with a wait that doubles; other users are not held
    // back, the wait ends, and a success clears it. Then the same for one address guessing many names.
    void throttle_data() { TAppServerFixture::AddBackendRows(); }
    void throttle()
    {
        QFETCH(QString, backend);
        ZE_PORT(port, backend);
        TUserStore(m_fx.Backend(backend).Engine->Database()).SetUser(u"ana4"_s, u"clave4"_s, {2});
        const auto attempt = [&](const char *password) {
            return signInReply(port, u"ana4"_s, QLatin1String(password));
        };
        auto &offset = TAppServerFixture::ClockStoppedAt;
        offset = QDateTime::currentSecsSinceEpoch();
        const auto restore = qScopeGuard([&] { offset = 0; });
        for (int i = 0; i <= TSignInThrottle::kFreeUserFailures; ++i)
            QCOMPARE(attempt("mala").Status, 401);
        SReply held = attempt("clave4");
        QCOMPARE(held.Status, 429);
        QCOMPARE(held.RetryAfter, 1);
        QVERIFY(held.Body.value(u"error"_s).toString().contains(u"intente de nuevo"_s));
        QCOMPARE(signInReply(port, u"demo"_s, u"demo"_s).Status, 200);
        offset += 2;
        QCOMPARE(attempt("mala").Status, 401);
        held = attempt("clave4");
        QCOMPARE(held.Status, 429);
        QCOMPARE(held.RetryAfter, 2);
        offset += 3;
        QCOMPARE(attempt("clave4").Status, 200);
        QCOMPARE(attempt("mala").Status, 401);
        QCOMPARE(attempt("clave4").Status, 200);

        for (int i = 0; i <= TSignInThrottle::kFreeAddressFailures; ++i)
            QCOMPARE(signInReply(port, u"nadie%1"_s.arg(i), u"x"_s).Status, 401);
        QCOMPARE(signInReply(port, u"demo"_s, u"demo"_s).Status, 429);
        offset += 2;
        QCOMPARE(signInReply(port, u"demo"_s, u"demo"_s).Status, 200);
        offset = 0;
    }

    // Connections that send nothing, or a byte now and then, hold no worker: with more of them open
    // than the server has workers, requests are still answered. A server of its own with small
    // limits shows the cap (503) and the read timeout (408).
    void connections_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *k : {"ociosas", "goteo", "tope", "lenta"})
            QTest::newRow(k) << QString::fromLatin1(k);
    }
    void connections()
    {
        QFETCH(QString, kind);
        QVERIFY2(m_fx.Error(u"sqlite"_s).isEmpty(), qPrintable(m_fx.Error(u"sqlite"_s)));
        const bool own = kind == u"tope"_s || kind == u"lenta"_s;
        SHttpLimits limits;
        limits.Workers = 2;
        limits.MaxConnections = 3;
        limits.ReadTimeoutSeconds = 1;
        THttpService small(m_fx.Backend(u"sqlite"_s).Engine, limits);
        const int port = own ? small.Start(u"127.0.0.1"_s, 0) : Port(u"sqlite"_s);
        QList<int> held;
        const auto closeHeld = [&] {
            for (int s : std::exchange(held, {}))
                ::close(s);
        };
        const auto release = qScopeGuard(closeHeld);
        const int count = own ? limits.MaxConnections : 40;
        for (int i = 0; i < count; ++i) {
            held << rawConnect(port);
            QVERIFY(held.last() >= 0);
            if (kind == u"goteo"_s || kind == u"lenta"_s)
                ::send(held.last(), "POST /v1/session HTTP/1.1\r\nContent-Le", 37, MSG_NOSIGNAL);
        }
        if (kind == u"tope"_s) {
            const int extra = rawConnect(port);
            const auto [status, body] = readAnswer(extra);
            ::close(extra);
            QCOMPARE(status, 503);
            const QString error = QJsonDocument::fromJson(body).object().value(u"error"_s).toString();
            QVERIFY2(error.contains(u"máximo de conexiones"_s), qPrintable(error));
            closeHeld();
            QThread::msleep(200);
        } else if (kind == u"lenta"_s) {
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(readAnswer(held.first()).first, 408);
            QVERIFY(clock.elapsed() < 5000);
            closeHeld();
        } else if (kind == u"goteo"_s) {
            QThread::msleep(100);
            for (int s : held) // a byte more each: still not a whole request
                ::send(s, "n", 1, MSG_NOSIGNAL);
        }
        QElapsedTimer clock;
        clock.start();
        const std::string token = signIn(port, "demo", "demo");
        QCOMPARE(post(port, "/v1/methods/BuscarFechaServidor", "{}", token).Status, 200);
        QVERIFY2(clock.elapsed() < 4000, "answered while the other connections wait");
    }

    // A client's text past the time limit or answering too many rows is refused with the same
    // message on both databases and transports, and the next query of the connection runs as usual.
    void limits_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("message");
        // Some 10^11 combinations of the evaluation records: minutes of work on either database.
        const QString endless = u"SELECT COUNT(*) AS N FROM SO_MALEG A, SO_MALEG B, SO_MALEG C, SO_MALEG D"_s;
        const struct
        {
            const char *tag, *kind, *sql;
        } cases[] = {
            {"lenta", "sql", nullptr},
            {"lenta ejecutar", "ejec", nullptr},
            {"filas", "sql", "SELECT COD_EMPR FROM SO_MALEG LIMIT 51"},
            {"filas justas", "sql", "SELECT COD_EMPR FROM SO_MALEG LIMIT 50"},
            // 30 rows of 100 characters: few rows, too many bytes.
            {"bytes", "sql",
             "SELECT "
             "'0123456789012345678901234567890123456789012345678901234567890123456789012345678901234567890123456789'"
             " AS T FROM SO_MALEG LIMIT 30"},
        };
        for (const QString &b : TAppServerFixture::Backends())
            for (const QString &t : TAppServerFixture::Transports())
                for (const auto &c : cases) {
                    const QString tag = QString::fromLatin1(c.tag);
                    QTest::newRow(qPrintable(b + QLatin1Char('/') + t + QLatin1Char('/') + tag))
                        << b << t << QString::fromLatin1(c.kind) << (c.sql ? QString::fromLatin1(c.sql) : endless)
                        << (tag.startsWith(u"lenta"_s) ? TDatabase::TimeoutMessage()
                            : tag == u"filas"_s        ? TDatabase::TooManyRowsMessage(50)
                            : tag == u"bytes"_s        ? TDatabase::TooLargeMessage(2000)
                                                       : QString());
                }
    }
    void limits()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        QFETCH(QString, kind);
        QFETCH(QString, sql);
        QFETCH(QString, message);
        auto server = m_fx.Open(backend, transport);
        if (!server)
            QFAIL(qPrintable(m_fx.LastError()));
        // The HTTP service's engine and the one the in-process transport finds for the database.
        TDatabase *const dbs[] = {&m_fx.Backend(backend).Engine->Database(),
                                  &TAppServerEngine::ForDatabase(m_fx.Backend(backend).Location)->Database()};
        const int milliseconds = dbs[0]->ClientMilliseconds(), rows = dbs[0]->ClientMaxRows();
        const qint64 bytes = dbs[0]->ClientMaxBytes();
        const auto restore = qScopeGuard([&] {
            for (TDatabase *db : dbs)
                db->SetClientLimits(milliseconds, rows, bytes);
        });
        for (TDatabase *db : dbs)
            db->SetClientLimits(700, 50, 2000);
        QString error;
        if (kind == u"ejec"_s) {
            QVariantList args{QVariantList{sql}, QVariant(), QString()};
            QCOMPARE(server->Call(u"EjecutarSql"_s, args).toInt(), message.isEmpty() ? 0 : 1);
            error = args.at(2).toString();
        } else {
            try {
                QCOMPARE(server->GetRecords(u"DtsPTemporal"_s, {}, sql).Rows.size(), 50);
            } catch (const EAppServerError &e) {
                QCOMPARE(e.Status(), 400);
                error = e.Message();
            }
        }
        QCOMPARE(error, message);
        const SDataPacket next = server->GetRecords(u"DtsPTemporal"_s, {}, u"SELECT COD_AREA FROM SO_AREAS"_s);
        QVERIFY(!next.Rows.isEmpty());
    }

    // Two server processes on one database accept each other's tokens, and an admin command's
    // revocation reaches both.
    void twoProcesses_data() { TAppServerFixture::AddBackendRows(); }
    void twoProcesses()
    {
        QFETCH(QString, backend);
        QVERIFY2(m_fx.Error(backend).isEmpty(), qPrintable(m_fx.Error(backend)));
        const QString db = m_fx.Backend(backend).Location;
        TUserStore(m_fx.Backend(backend).Engine->Database()).SetUser(u"ana5"_s, u"clave5"_s, {2});
        QProcess a, b;
        const int portA = startServer(a, db);
        const int portB = startServer(b, db);
        QVERIFY2(portA > 0 && portB > 0, a.readAllStandardError().constData());
        // Failed sign-ins count across processes: the sixth failure in a row for a user, three on
        // each process, makes the user wait 1 s, the seventh 2 s, on either process.
        TUserStore(m_fx.Backend(backend).Engine->Database()).SetUser(u"ana6"_s, u"clave6"_s, {2});
        for (int i = 0; i < 7; ++i) {
            if (i == 6)
                QThread::msleep(1100); // the wait the sixth started ends
            QCOMPARE(signInReply(i % 2 ? portA : portB, u"ana6"_s, u"mala"_s).Status, 401);
        }
        const SReply held = signInReply(portA, u"ana6"_s, u"clave6"_s);
        QCOMPARE(held.Status, 429);
        QVERIFY2(held.RetryAfter >= 1 && held.RetryAfter <= 2, qPrintable(QString::number(held.RetryAfter)));
        const std::string token = signIn(portA, "ana5", "clave5");
        QCOMPARE(post(portB, "/v1/methods/BuscarFechaServidor", "{}", token).Status, 200);
        QCOMPARE(post(portA, "/v1/methods/BuscarFechaServidor", "{}", token).Status, 200);
        QProcess admin;
        admin.start(qEnvironmentVariable("ZE_SERVER_PATH"),
                    {u"add-user"_s, u"--db"_s, db, u"--user"_s, u"ana5"_s, u"--companies"_s, u"2"_s});
        admin.write("nueva5\n");
        admin.closeWriteChannel();
        QVERIFY(admin.waitForFinished(30000));
        QCOMPARE(admin.exitCode(), 0);
        QCOMPARE(post(portA, "/v1/methods/BuscarFechaServidor", "{}", token).Status, 401);
        QCOMPARE(post(portB, "/v1/methods/BuscarFechaServidor", "{}", token).Status, 401);
        const std::string fresh = signIn(portB, "ana5", "nueva5");
        QCOMPARE(post(portA, "/v1/methods/BuscarFechaServidor", "{}", fresh).Status, 200);
        for (QProcess *p : {&a, &b}) {
            p->terminate();
            QVERIFY(p->waitForFinished(10000));
        }
    }
};

QTEST_GUILESS_MAIN(TstHttp)
#include "tst_http.moc"
