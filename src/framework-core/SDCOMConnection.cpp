#include "SDCOMConnection.h"

#include "Globals.h"
#include "SysUtils.h"

#include <QHash>

namespace {
QHash<QString, SDCOMConnection::TransportFactory> &transports()
{
    static QHash<QString, SDCOMConnection::TransportFactory> table;
    return table;
}
} // namespace

SDCOMConnection::SDCOMConnection(QObject *parent, const QString &name) : QObject(parent)
{
    setObjectName(name);
}

SDCOMConnection::~SDCOMConnection() = default;

void SDCOMConnection::SetConnected(bool connected)
{
    if (!connected) {
        m_server.reset();
        return;
    }
    if (m_server)
        return;
    const QString protocol = EffectiveProtocol();
    const auto factory = transports().value(protocol);
    if (!factory)
        throw Exception(QStringLiteral("No se reconoce el protocolo de conexión \"%1\".").arg(protocol));
    m_server = factory(*this);
    if (!m_server)
        throw Exception(QStringLiteral("No fue posible conectar con el servidor de aplicaciones."));
}

IAppServer &SDCOMConnection::AppServer()
{
    SetConnected(true);
    return *m_server;
}

void SDCOMConnection::SetAppServer(std::shared_ptr<IAppServer> server)
{
    m_server = std::move(server);
}

QVariant SDCOMConnection::Call(const QString &method, QVariantList &args)
{
    return AppServer().Call(method, args);
}

void SDCOMConnection::RegisterTransport(const QString &protocol, TransportFactory factory)
{
    transports().insert(protocol.toLower(), std::move(factory));
}

QString SDCOMConnection::EffectiveProtocol() const
{
    const QString protocol = (Protocol.isEmpty() ? gStProtocolo : Protocol).trimmed().toLower();
    return protocol.isEmpty() ? QStringLiteral("local") : protocol;
}

bool SDCOMConnection::TransportAvailable() const
{
    return bool(m_server) || transports().contains(EffectiveProtocol());
}
