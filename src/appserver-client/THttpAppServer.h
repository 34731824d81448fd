#pragma once

#include "IAppServer.h"

#include <QJsonObject>
#include <memory>
#include <mutex>

class THttpConnection;

// The application server reached over HTTP (a `tolvane-server serve`): one keep-alive connection
// with TCP_NODELAY, signed in at construction. Server errors arrive as EAppServerError carrying the
// HTTP status and the server's message. Calls are serialised on the one connection.
class THttpAppServer : public IAppServer
{
public:
    // server: "host:port"; raises EAppServerError 401 on bad credentials.
    THttpAppServer(const QString &server, const QString &user, const QString &password);
    ~THttpAppServer() override;

    const QList<int> &Companies() const { return m_companies; }

    SDataPacket GetRecords(const QString &providerName, const QList<SParam> &params,
                           const QString &commandText) override;
    SApplyResult ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors) override;
    QVariant Call(const QString &method, QVariantList &args) override;

    // One POST with a JSON body; returns the JSON answer or raises with the server's message.
    QJsonObject Post(const QString &path, const QJsonObject &body);
    // Opens a session with the stored credentials (again, after the server forgot the previous one).
    void SignIn();

private:
    // One POST of a JSON text; returns the answer's body, or raises with the server's message.
    QByteArray Exchange(const QString &path, const QByteArray &payload);

    std::unique_ptr<THttpConnection> m_connection;
    std::mutex m_mutex;
    QByteArray m_authorization;
    QString m_user;
    QString m_password;
    QList<int> m_companies;
};
