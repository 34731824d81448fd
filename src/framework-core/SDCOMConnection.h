#pragma once

#include "IAppServer.h"

#include <QObject>
#include <functional>
#include <memory>

// The module's one connection to the application server. Reading AppServer connects on first use,
// through the transport registered for the start-up protocol ("local" in-process, "http" remote).
class SDCOMConnection : public QObject
{
    Q_OBJECT
public:
    using TransportFactory = std::function<std::shared_ptr<IAppServer>(const SDCOMConnection &)>;

    explicit SDCOMConnection(QObject *parent = nullptr, const QString &name = QString());
    ~SDCOMConnection() override;

    QString ServerGUID;
    QString ServerName;
    // Where to connect; empty values are taken from the start-up variables at connect time.
    QString Protocol; // gStProtocolo
    QString Server;   // gStParSrv: SQLite path, postgresql:// URL, or host:port
    QString User;     // gStParUsu
    QString Password; // gStParPas

    bool Connected() const { return bool(m_server); }
    void SetConnected(bool connected);
    // Connects if needed and returns the server; raises Exception when it cannot connect.
    IAppServer &AppServer();
    // Uses the given server instead of a registered transport (tests, embedded use).
    void SetAppServer(std::shared_ptr<IAppServer> server);

    // Convenience for late-bound calls: AppServer().Call(method, args).
    QVariant Call(const QString &method, QVariantList &args);

    static void RegisterTransport(const QString &protocol, TransportFactory factory);
    // Whether a transport is registered for the protocol this connection would use.
    bool TransportAvailable() const;
    // The protocol in force: Protocol, else gStProtocolo, else "local"; lower case.
    QString EffectiveProtocol() const;

private:
    std::shared_ptr<IAppServer> m_server;
};
