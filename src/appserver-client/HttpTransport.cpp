#include "HttpTransport.h"

#include "Globals.h"
#include "SDCOMConnection.h"
#include "THttpAppServer.h"

namespace {

QString orGlobal(const QString &value, const QString &global)
{
    return value.isEmpty() ? global : value;
}

std::shared_ptr<IAppServer> openHttp(const SDCOMConnection &c)
{
    return std::make_shared<THttpAppServer>(orGlobal(c.Server, gStParSrv).trimmed(), orGlobal(c.User, gStParUsu),
                                            orGlobal(c.Password, gStParPas));
}

} // namespace

void RegisterHttpTransport()
{
    SDCOMConnection::RegisterTransport(QStringLiteral("http"), openHttp);
}
