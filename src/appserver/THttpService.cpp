#include "THttpService.h"

#include "EAppServerError.h"
#include "TAppServerEngine.h"
#include "THttpServer.h"
#include "TJsonCodec.h"
#include "TServerSession.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <sodium.h>
#include <thread>

namespace {

QJsonObject parseBody(const QByteArray &body)
{
    if (body.trimmed().isEmpty())
        return {};
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(body, &err);
    if (err.error != QJsonParseError::NoError)
        throw EAppServerError(400, QStringLiteral("JSON mal formado: %1").arg(err.errorString()));
    if (!doc.isObject())
        throw EAppServerError(400, QStringLiteral("El cuerpo debe ser un objeto JSON."));
    return doc.object();
}

THttpServer::SResponse json(int status, const QJsonObject &body)
{
    return {status, QJsonDocument(body).toJson(QJsonDocument::Compact)};
}

QString randomToken()
{
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes).toHex());
}

} // namespace

struct THttpService::TImpl
{
    std::shared_ptr<TAppServerEngine> engine;
    std::unique_ptr<THttpServer> server;
    std::thread thread;
    std::mutex mutex;
    struct SEntry
    {
        std::shared_ptr<TServerSession> Session;
        std::chrono::steady_clock::time_point LastUse;
    };
    QHash<QString, SEntry> sessions;
    // A token unused for this long is forgotten (checked at each sign-in).
    static constexpr std::chrono::hours kIdle{12};

    std::shared_ptr<TServerSession> SessionOf(const THttpServer::SRequest &req)
    {
        const QByteArray auth = req.Headers.value("authorization");
        if (!auth.startsWith("Bearer "))
            throw EAppServerError(401, QStringLiteral("Falta el encabezado Authorization: Bearer <token>."));
        const QString token = QString::fromLatin1(auth.mid(7)).trimmed();
        std::lock_guard lock(mutex);
        const auto it = sessions.find(token);
        if (it == sessions.end())
            throw EAppServerError(401, QStringLiteral("La sesión no existe o expiró."));
        it->LastUse = std::chrono::steady_clock::now();
        return it->Session;
    }

    THttpServer::SResponse Handle(const THttpServer::SRequest &req)
    {
        try {
            return Route(req);
        } catch (const EAppServerError &e) {
            return json(e.Status(), {{QStringLiteral("error"), e.Message()}});
        } catch (const Exception &e) {
            return json(500, {{QStringLiteral("error"), e.Message()}});
        } catch (const std::exception &e) {
            return json(500, {{QStringLiteral("error"), QString::fromUtf8(e.what())}});
        }
    }

    THttpServer::SResponse Route(const THttpServer::SRequest &req)
    {
        static const QRegularExpression provider(QStringLiteral("^/v1/providers/([A-Za-z0-9_]+)/(open|apply)$"));
        static const QRegularExpression method(QStringLiteral("^/v1/methods/([A-Za-z0-9_]+)$"));
        const QString path = QString::fromUtf8(req.Path);
        const bool known = path == QStringLiteral("/v1/session") || provider.match(path).hasMatch() || method.match(path).hasMatch();
        if (!known)
            throw EAppServerError(404, QStringLiteral("Recurso desconocido: %1").arg(path));
        if (req.Method != "POST")
            throw EAppServerError(405, QStringLiteral("Solo se admite POST."));
        if (path == QStringLiteral("/v1/session"))
            return SignIn(parseBody(req.Body));
        auto session = SessionOf(req);
        const QJsonObject body = parseBody(req.Body);
        if (const auto m = provider.match(path); m.hasMatch()) {
            if (m.captured(2) == QStringLiteral("open"))
                return Open(*session, m.captured(1), body);
            return Apply(*session, m.captured(1), body);
        }
        return Call(*session, method.match(path).captured(1), body);
    }

    THttpServer::SResponse SignIn(const QJsonObject &body)
    {
        if (!body.value(QStringLiteral("user")).isString() || !body.value(QStringLiteral("password")).isString())
            throw EAppServerError(400, QStringLiteral("Se esperan \"user\" y \"password\" como texto."));
        auto session = engine->SignIn(body.value(QStringLiteral("user")).toString(), body.value(QStringLiteral("password")).toString());
        const QString token = randomToken();
        QList<int> companies(session->Companies().begin(), session->Companies().end());
        std::sort(companies.begin(), companies.end());
        QJsonArray list;
        for (int c : companies)
            list.append(c);
        {
            std::lock_guard lock(mutex);
            const auto now = std::chrono::steady_clock::now();
            for (auto it = sessions.begin(); it != sessions.end();)
                it = now - it->LastUse > kIdle ? sessions.erase(it) : std::next(it);
            sessions.insert(token, {session, now});
        }
        return json(200, {{QStringLiteral("token"), token}, {QStringLiteral("companies"), list}});
    }

    THttpServer::SResponse Open(TServerSession &session, const QString &name, const QJsonObject &body)
    {
        const QJsonValue text = body.value(QStringLiteral("commandText"));
        if (!text.isUndefined() && !text.isNull() && !text.isString())
            throw EAppServerError(400, QStringLiteral("\"commandText\" debe ser texto."));
        const QList<SParam> params = TJsonCodec::ToParams(body.value(QStringLiteral("params")), body.value(QStringLiteral("types")));
        // The packet is most of what the server writes: straight to text, no QJsonObject tree.
        return {200, TJsonCodec::WritePacket(session.GetRecords(name, params, text.toString()))};
    }

    THttpServer::SResponse Apply(TServerSession &session, const QString &name, const QJsonObject &body)
    {
        const SDelta delta = TJsonCodec::ToDelta(body);
        const QJsonValue max = body.value(QStringLiteral("maxErrors"));
        if (!max.isUndefined() && !max.isDouble())
            throw EAppServerError(400, QStringLiteral("\"maxErrors\" debe ser un número."));
        const SApplyResult result = session.ApplyUpdates(name, delta, max.toInt(-1));
        return json(200, TJsonCodec::FromApplyResult(result, int(delta.Rows.size()), delta.Fields));
    }

    THttpServer::SResponse Call(TServerSession &session, const QString &name, const QJsonObject &body)
    {
        const QJsonValue argsValue = body.value(QStringLiteral("args"));
        if (!argsValue.isUndefined() && !argsValue.isArray())
            throw EAppServerError(400, QStringLiteral("\"args\" debe ser un arreglo."));
        QVariantList args = TJsonCodec::ToList(argsValue.toArray());
        const QVariant result = session.Call(name, args);
        return json(200, {{QStringLiteral("result"), TJsonCodec::FromValue(result)}, {QStringLiteral("args"), TJsonCodec::FromList(args)}});
    }
};

THttpService::THttpService(std::shared_ptr<TAppServerEngine> engine) : d(std::make_unique<TImpl>())
{
    d->engine = std::move(engine);
    d->server = std::make_unique<THttpServer>([this](const THttpServer::SRequest &r) { return d->Handle(r); });
}

THttpService::~THttpService()
{
    Stop();
}

int THttpService::Bind(const QString &host, int port)
{
    return d->server->Bind(host, port);
}

void THttpService::Serve()
{
    d->server->Serve();
}

int THttpService::Start(const QString &host, int port)
{
    const int bound = Bind(host, port);
    d->thread = std::thread([this] { d->server->Serve(); });
    return bound;
}

void THttpService::Stop()
{
    d->server->Stop();
    if (d->thread.joinable())
        d->thread.join();
}
