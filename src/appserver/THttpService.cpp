#include "THttpService.h"

#include "EAppServerError.h"
#include "TAppServerEngine.h"
#include "THttpServer.h"
#include "TJsonCodec.h"
#include "TJsonRequestReader.h"
#include "TServerSession.h"
#include "TSessionStore.h"
#include "TSignInThrottle.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>
#include <algorithm>
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

} // namespace

struct THttpService::TImpl
{
    std::shared_ptr<TAppServerEngine> engine;
    std::unique_ptr<THttpServer> server;
    std::thread thread;

    // The scheme is matched without regard to case ("Bearer", "bearer", "BEARER").
    std::shared_ptr<TServerSession> SessionOf(const THttpServer::SRequest &req)
    {
        const QByteArray auth = req.Headers.value("authorization").trimmed();
        const qsizetype blank = auth.indexOf(' ');
        if (blank < 0 || auth.left(blank).toLower() != "bearer")
            throw EAppServerError(401, QStringLiteral("Falta el encabezado Authorization: Bearer <token>."));
        const QString token = QString::fromLatin1(auth.mid(blank + 1)).trimmed();
        const auto found = TSessionStore(engine->Database()).Resolve(token, engine->Now());
        if (!found)
            throw EAppServerError(401, QStringLiteral("La sesión no existe o expiró."));
        return std::make_shared<TServerSession>(engine, found->User, found->Companies);
    }

    THttpServer::SResponse Handle(const THttpServer::SRequest &req)
    {
        try {
            return engine->Database().Request([&] { return Route(req); });
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
        const QRegularExpressionMatch onProvider = provider.match(path);
        const QRegularExpressionMatch onMethod = method.match(path);
        const bool known = path == QStringLiteral("/v1/session") || onProvider.hasMatch() || onMethod.hasMatch();
        if (!known)
            throw EAppServerError(404, QStringLiteral("Recurso desconocido: %1").arg(path));
        if (req.Method != "POST")
            throw EAppServerError(405, QStringLiteral("Solo se admite POST."));
        if (path == QStringLiteral("/v1/session"))
            return SignIn(parseBody(req.Body), req.Peer);
        auto session = SessionOf(req);
        if (onProvider.hasMatch()) {
            if (onProvider.captured(2) == QStringLiteral("open")) {
                // A dataset reopened per record sends one of these per reopen: read straight from
                // the text when it has the client's shape, else through QJsonDocument.
                QList<SParam> params;
                QString text;
                if (TJsonRequestReader::ReadOpen(req.Body, params, text))
                    return Open(*session, onProvider.captured(1), params, text);
                const QJsonObject body = parseBody(req.Body);
                const QJsonValue given = body.value(QStringLiteral("commandText"));
                if (!given.isUndefined() && !given.isNull() && !given.isString())
                    throw EAppServerError(400, QStringLiteral("\"commandText\" debe ser texto."));
                return Open(
                    *session, onProvider.captured(1),
                    TJsonCodec::ToParams(body.value(QStringLiteral("params")), body.value(QStringLiteral("types"))),
                    given.toString());
            }
            return Apply(*session, onProvider.captured(1), parseBody(req.Body));
        }
        return Call(*session, onMethod.captured(1), parseBody(req.Body));
    }

    THttpServer::SResponse SignIn(const QJsonObject &body, const QByteArray &peer)
    {
        if (!body.value(QStringLiteral("user")).isString() || !body.value(QStringLiteral("password")).isString())
            throw EAppServerError(400, QStringLiteral("Se esperan \"user\" y \"password\" como texto."));
        const QString user = body.value(QStringLiteral("user")).toString().trimmed();
        TSignInThrottle throttle(engine->Database());
        if (const qint64 wait = throttle.Wait(user, peer, engine->Now().toSecsSinceEpoch()); wait > 0) {
            THttpServer::SResponse busy = json(
                429, {{QStringLiteral("error"),
                       QStringLiteral("Demasiados intentos fallidos de inicio de sesión; intente de nuevo en %1 s.")
                           .arg(wait)}});
            busy.RetryAfter = wait;
            return busy;
        }
        std::shared_ptr<TServerSession> session;
        try {
            session = engine->SignIn(user, body.value(QStringLiteral("password")).toString());
        } catch (const EAppServerError &e) {
            if (e.Status() == 401)
                throttle.Failed(user, peer, engine->Now().toSecsSinceEpoch());
            throw;
        }
        throttle.Succeeded(user, peer);
        const QString token = TSessionStore(engine->Database()).Create(session->User(), engine->Now());
        QList<int> companies(session->Companies().begin(), session->Companies().end());
        std::sort(companies.begin(), companies.end());
        QJsonArray list;
        for (int c : companies)
            list.append(c);
        return json(200, {{QStringLiteral("token"), token}, {QStringLiteral("companies"), list}});
    }

    THttpServer::SResponse Open(TServerSession &session, const QString &name, const QList<SParam> &params,
                                const QString &text)
    {
        // The packet is most of what the server writes: straight to text, no QJsonObject tree.
        return {200, TJsonCodec::WritePacket(session.GetRecords(name, params, text))};
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
        return json(200, {{QStringLiteral("result"), TJsonCodec::FromValue(result)},
                          {QStringLiteral("args"), TJsonCodec::FromList(args)}});
    }
};

THttpService::THttpService(std::shared_ptr<TAppServerEngine> engine, SHttpLimits limits) : d(std::make_unique<TImpl>())
{
    d->engine = std::move(engine);
    d->server = std::make_unique<THttpServer>([this](const THttpServer::SRequest &r) { return d->Handle(r); }, limits);
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
