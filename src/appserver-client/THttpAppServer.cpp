#include "THttpAppServer.h"

#include "EAppServerError.h"
#include "THttpConnection.h"
#include "TJsonCodec.h"
#include "TJsonWriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <utility>

THttpAppServer::THttpAppServer(const QString &server, const QString &user, const QString &password)
{
    const int colon = int(server.lastIndexOf(QLatin1Char(':')));
    bool ok = false;
    const int port = colon > 0 ? server.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port <= 0 || port > 65535)
        throw EAppServerError(400,
                              QStringLiteral("El servidor debe indicarse como equipo:puerto (\"%1\").").arg(server));
    m_connection = std::make_unique<THttpConnection>(server.left(colon), port);
    m_user = user;
    m_password = password;
    SignIn();
}

void THttpAppServer::SignIn()
{
    m_authorization.clear();
    const QJsonObject answer = Post(QStringLiteral("/v1/session"),
                                    {{QStringLiteral("user"), m_user}, {QStringLiteral("password"), m_password}});
    m_authorization = "Bearer " + answer.value(QStringLiteral("token")).toString().toLatin1();
    m_companies.clear();
    for (const QJsonValue &c : answer.value(QStringLiteral("companies")).toArray())
        m_companies << c.toInt();
}

THttpAppServer::~THttpAppServer() = default;

QJsonObject THttpAppServer::Post(const QString &path, const QJsonObject &body)
{
    return QJsonDocument::fromJson(Exchange(path, QJsonDocument(body).toJson(QJsonDocument::Compact))).object();
}

QByteArray THttpAppServer::Exchange(const QString &path, const QByteArray &payload)
{
    THttpConnection::SReply res;
    {
        std::lock_guard lock(m_mutex);
        res = m_connection->Post(path.toUtf8(), payload, m_authorization);
    }
    // A server that was restarted no longer knows the session: sign in again and ask once more. The
    // server refuses an unknown session before doing anything, so repeating the request is safe.
    if (res.Status == 401 && !m_authorization.isEmpty()) {
        SignIn();
        std::lock_guard lock(m_mutex);
        res = m_connection->Post(path.toUtf8(), payload, m_authorization);
    }
    if (res.Status >= 300 || res.Status < 200) {
        QString message = QJsonDocument::fromJson(res.Body).object().value(QStringLiteral("error")).toString();
        if (message.isEmpty())
            message = QStringLiteral("El servidor de aplicaciones respondió %1.").arg(res.Status);
        throw EAppServerError(res.Status, message);
    }
    return std::move(res.Body);
}

SDataPacket THttpAppServer::GetRecords(const QString &providerName, const QList<SParam> &params,
                                       const QString &commandText)
{
    // The request written straight as text, values as the packets write them: a dataset reopened
    // per record sends one per reopen.
    TJsonWriter w(256 + commandText.size() * 3);
    w.Raw("{\"params\":{");
    bool first = true;
    for (const SParam &p : params) {
        if (!std::exchange(first, false))
            w.Char(',');
        w.String(p.Name);
        w.Char(':');
        w.Value(p.Value);
    }
    w.Raw("},\"types\":{");
    first = true;
    for (const SParam &p : params) {
        if (p.DataType == TFieldType::ftUnknown)
            continue;
        if (!std::exchange(first, false))
            w.Char(',');
        w.String(p.Name);
        w.Char(':');
        w.String(TJsonCodec::TypeName(p.DataType));
    }
    w.Char('}');
    if (!commandText.isEmpty()) {
        w.Raw(",\"commandText\":");
        w.String(commandText);
    }
    w.Char('}');
    // The packet is read straight from the text into typed rows (TJsonCodec::ReadPacket).
    return TJsonCodec::ReadPacket(Exchange(QStringLiteral("/v1/providers/%1/open").arg(providerName), w.Take()));
}

SApplyResult THttpAppServer::ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors)
{
    const QJsonObject answer =
        Post(QStringLiteral("/v1/providers/%1/apply").arg(providerName), TJsonCodec::FromDelta(delta, maxErrors));
    return TJsonCodec::ToApplyResult(answer, delta.Fields);
}

QVariant THttpAppServer::Call(const QString &method, QVariantList &args)
{
    const QJsonObject answer =
        Post(QStringLiteral("/v1/methods/%1").arg(method), {{QStringLiteral("args"), TJsonCodec::FromList(args)}});
    const QVariantList back = TJsonCodec::ToList(answer.value(QStringLiteral("args")).toArray());
    for (int i = 0; i < args.size() && i < back.size(); ++i)
        args[i] = back.at(i);
    return TJsonCodec::ToValue(answer.value(QStringLiteral("result")));
}
