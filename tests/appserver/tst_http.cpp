// The HTTP service as a curl user meets it: sign-in, bearer tokens, JSON answers, and 4xx answers
// with a JSON message for every malformed request while the server keeps serving.
#include "TAppServerFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

struct SReply
{
    int Status = 0;
    QJsonObject Body;
};

SReply post(int port, const std::string &path, const std::string &body, const std::string &token = {})
{
    httplib::Client client("127.0.0.1", port);
    client.set_tcp_nodelay(true);
    httplib::Headers headers;
    if (!token.empty())
        headers.emplace("Authorization", "Bearer " + token);
    const auto res = client.Post(path, headers, body, "application/json");
    SReply r;
    if (res) {
        r.Status = res->status;
        r.Body = QJsonDocument::fromJson(QByteArray::fromStdString(res->body)).object();
    }
    return r;
}

std::string signIn(int port, const char *user, const char *password)
{
    const SReply r = post(port, "/v1/session", QJsonDocument(QJsonObject{{QStringLiteral("user"), QLatin1String(user)},
                                                                          {QStringLiteral("password"), QLatin1String(password)}})
                                                  .toJson()
                                                  .toStdString());
    return r.Body.value(QStringLiteral("token")).toString().toStdString();
}

// Writes raw bytes (in pieces, to exercise framing) and returns the status of the first answer.
int rawStatus(int port, const QList<QByteArray> &pieces)
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
    for (const QByteArray &p : pieces) {
        ::send(s, p.constData(), size_t(p.size()), MSG_NOSIGNAL);
        QThread::msleep(5);
    }
    char buf[512];
    const ssize_t n = ::recv(s, buf, sizeof buf, 0);
    ::close(s);
    const QList<QByteArray> first = QByteArray(buf, n > 0 ? int(n) : 0).split(' ');
    return first.size() > 1 ? first.at(1).toInt() : 0;
}

} // namespace

class TstHttp : public QObject
{
    Q_OBJECT
    TAppServerFixture m_fx;

    int Port(const QString &backend)
    {
        return m_fx.Error(backend).isEmpty() ? m_fx.Backend(backend).Port : 0;
    }

private slots:
    void initTestCase() { m_fx.Init(QStringLiteral("http")); }
    void cleanupTestCase() { m_fx.Cleanup(); }

    void session_data() { TAppServerFixture::AddBackendRows(); }
    void session()
    {
        QFETCH(QString, backend);
        const int port = Port(backend);
        if (!port)
            QFAIL(qPrintable(m_fx.Error(backend)));
        const SReply ok = post(port, "/v1/session", R"({"user":"demo","password":"demo"})");
        QCOMPARE(ok.Status, 200);
        QCOMPARE(ok.Body.value(QStringLiteral("token")).toString().size(), 64);
        QCOMPARE(ok.Body.value(QStringLiteral("companies")).toArray(), (QJsonArray{1, 2}));
        const SReply other = post(port, "/v1/session", R"({"user":"demo","password":"demo"})");
        QVERIFY(other.Body.value(QStringLiteral("token")) != ok.Body.value(QStringLiteral("token")));
        const SReply solo = post(port, "/v1/session", R"({"user":"solo2","password":"clave2"})");
        QCOMPARE(solo.Body.value(QStringLiteral("companies")).toArray(), (QJsonArray{2}));
    }

    void badCredentials_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        for (const QString &b : TAppServerFixture::Backends())
            for (const QString &t : TAppServerFixture::Transports()) {
                QTest::newRow(qPrintable(b + QLatin1Char('/') + t + QStringLiteral("/clave"))) << b << t << QStringLiteral("demo") << QStringLiteral("Demo");
                QTest::newRow(qPrintable(b + QLatin1Char('/') + t + QStringLiteral("/usuario"))) << b << t << QStringLiteral("nadie") << QStringLiteral("demo");
                QTest::newRow(qPrintable(b + QLatin1Char('/') + t + QStringLiteral("/vacio"))) << b << t << QString() << QString();
            }
    }
    void badCredentials()
    {
        QFETCH(QString, backend);
        QFETCH(QString, transport);
        QFETCH(QString, user);
        QFETCH(QString, password);
        if (!m_fx.Error(backend).isEmpty())
            QFAIL(qPrintable(m_fx.Error(backend)));
        QVERIFY(!m_fx.Open(backend, transport, user, password));
        QCOMPARE(m_fx.LastError(), QStringLiteral("Usuario o contraseña incorrectos."));
        if (transport == QStringLiteral("http")) {
            const SReply r = post(Port(backend), "/v1/session",
                                  QJsonDocument(QJsonObject{{QStringLiteral("user"), user}, {QStringLiteral("password"), password}}).toJson().toStdString());
            QCOMPARE(r.Status, 401);
            QVERIFY(!r.Body.value(QStringLiteral("error")).toString().isEmpty());
        }
    }

    void malformed_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("who"); // "", "demo", "solo2" or "bogus"
        QTest::addColumn<int>("status");
        const struct { const char *tag, *path, *body, *who; int status; } cases[] = {
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
            {"fields", "/v1/providers/DtsPSoPlass/apply", "{\"fields\":[{\"name\":\"COD_EMPR\",\"type\":\"nada\"}],\"changes\":[]}", "demo", 400},
            {"fila corta", "/v1/providers/DtsPSoPlass/apply",
             "{\"fields\":[{\"name\":\"COD_EMPR\",\"type\":\"smallint\"}],\"changes\":[{\"kind\":\"insert\",\"new\":[]}]}", "demo", 400},
            {"clase", "/v1/providers/DtsPSoPlass/apply",
             "{\"fields\":[{\"name\":\"COD_EMPR\",\"type\":\"smallint\"}],\"changes\":[{\"kind\":\"otro\"}]}", "demo", 400},
            {"args", "/v1/methods/GenerarRMT", "{\"args\":{}}", "demo", 400},
            {"args rmt", "/v1/methods/GenerarRMT", "{\"args\":[[1,\"SO_PLASS\"]]}", "demo", 400},
            {"rmt ajeno", "/v1/methods/GenerarRMT", "{\"args\":[[1,\"SO_PLASS\",\"RMT_PLAS\"]]}", "solo2", 403},
        };
        for (const QString &b : TAppServerFixture::Backends())
            for (const auto &c : cases)
                QTest::newRow(qPrintable(b + QLatin1Char('/') + QString::fromUtf8(c.tag)))
                    << b << QString::fromLatin1(c.path) << QString::fromLatin1(c.body) << QString::fromLatin1(c.who) << c.status;
    }
    void malformed()
    {
        QFETCH(QString, backend);
        QFETCH(QString, path);
        QFETCH(QString, body);
        QFETCH(QString, who);
        QFETCH(int, status);
        const int port = Port(backend);
        if (!port)
            QFAIL(qPrintable(m_fx.Error(backend)));
        std::string token;
        if (who == QStringLiteral("demo"))
            token = signIn(port, "demo", "demo");
        else if (who == QStringLiteral("solo2"))
            token = signIn(port, "solo2", "clave2");
        else if (who == QStringLiteral("bogus"))
            token = std::string(64, 'a');
        const SReply r = post(port, path.toStdString(), body.toStdString(), token);
        QCOMPARE(r.Status, status);
        QVERIFY2(!r.Body.value(QStringLiteral("error")).toString().isEmpty(), "a refusal carries a JSON message");
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
            QTest::newRow(qPrintable(b + QStringLiteral("/basura"))) << b << QList<QByteArray>{"BASURA\r\n\r\n"} << 400;
            QTest::newRow(qPrintable(b + QStringLiteral("/por partes")))
                << b << QList<QByteArray>{"POST /v1/session HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"} << 411;
            QTest::newRow(qPrintable(b + QStringLiteral("/longitud"))) << b << QList<QByteArray>{"POST /v1/session HTTP/1.1\r\nContent-Length: x\r\n\r\n"} << 413;
            QTest::newRow(qPrintable(b + QStringLiteral("/en trozos")))
                << b
                << QList<QByteArray>{"POST /v1/ses", "sion HTTP/1.1\r\nContent-Le", "ngth: " + QByteArray::number(session.size()) + "\r\n\r\n",
                                     session.left(10), session.mid(10)}
                << 200;
            QTest::newRow(qPrintable(b + QStringLiteral("/get"))) << b << QList<QByteArray>{"GET /v1/session HTTP/1.1\r\n\r\n"} << 405;
        }
    }
    void rawRequests()
    {
        QFETCH(QString, backend);
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(int, status);
        const int port = Port(backend);
        if (!port)
            QFAIL(qPrintable(m_fx.Error(backend)));
        QCOMPARE(rawStatus(port, pieces), status);
        QCOMPARE(post(port, "/v1/session", R"({"user":"demo","password":"demo"})").Status, 200);
    }

    // What a curl user sees: ISO 8601 dates, fields with their flags, by-reference arguments.
    void jsonShapes_data() { TAppServerFixture::AddBackendRows(); }
    void jsonShapes()
    {
        QFETCH(QString, backend);
        const int port = Port(backend);
        if (!port)
            QFAIL(qPrintable(m_fx.Error(backend)));
        const std::string token = signIn(port, "demo", "demo");
        const SReply open = post(port, "/v1/providers/DtsPSoSemon/open",
                                 R"({"params":{"PCODEMPR":1,"PFECPROC":"2026-02-02T00:00:00","PRMTPAMA":1,"PRMTDEPA":1,"PRMTESTA":1,"PRMTITES":4,"PCODAREA":1}})",
                                 token);
        QCOMPARE(open.Status, 200);
        const QJsonArray fields = open.Body.value(QStringLiteral("fields")).toArray();
        QCOMPARE(fields.size(), 22);
        QCOMPARE(fields.at(4).toObject(), (QJsonObject{{QStringLiteral("name"), QStringLiteral("RMT_SEMO")}, {QStringLiteral("type"), QStringLiteral("integer")},
                                                       {QStringLiteral("size"), 0}, {QStringLiteral("required"), true}, {QStringLiteral("key"), true}}));
        const QJsonArray rows = open.Body.value(QStringLiteral("rows")).toArray();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).toArray().at(5).toString(), QStringLiteral("2026-02-02T00:00:00.000"));
        const SReply call = post(port, "/v1/methods/EjecutarSql",
                                 R"({"args":[["UPDATE SO_AREAS SET NOM_AREA = :P_NOM WHERE COD_EMPR = :P_COD_EMPR AND COD_AREA = 1","Planta",1],null,""]})", token);
        QCOMPARE(call.Status, 200);
        QCOMPARE(call.Body.value(QStringLiteral("result")).toInt(), 0);
        QCOMPARE(call.Body.value(QStringLiteral("args")).toArray().at(1).toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TstHttp)
#include "tst_http.moc"
