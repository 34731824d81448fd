#include "AppServerTransports.h"

#include "EAppServerError.h"
#include "Globals.h"
#include "HttpTransport.h"
#include "SDCOMConnection.h"
#include "TAppServerEngine.h"
#include "TServerSession.h"

#include <QFileInfo>

namespace {

QString orGlobal(const QString &value, const QString &global)
{
    return value.isEmpty() ? global : value;
}

} // namespace

std::shared_ptr<IAppServer> OpenLocalServer(const SDCOMConnection &c)
{
    const QString server = orGlobal(c.Server, gStParSrv).trimmed();
    if (server.isEmpty())
        throw Exception(QStringLiteral("No se indicó la base de datos del servidor de aplicaciones."));
    if (!TDatabase::IsPostgresLocation(server) && !QFileInfo::exists(server))
        throw Exception(QStringLiteral("No existe la base de datos %1.").arg(server));
    return TAppServerEngine::ForDatabase(server)->SignIn(orGlobal(c.User, gStParUsu), orGlobal(c.Password, gStParPas));
}

void RegisterAppServerTransports()
{
    SDCOMConnection::RegisterTransport(QStringLiteral("local"), OpenLocalServer);
    RegisterHttpTransport();
}
