#include "HostTransports.h"

#include "HttpTransport.h"
#include "SDCOMConnection.h"
#include "SysUtils.h"

#include <QLibrary>

namespace {

using OpenLocalServer = void (*)(const SDCOMConnection &, std::shared_ptr<IAppServer> &);

OpenLocalServer loadLocalServer(const QString &path)
{
    static QLibrary library;
    static OpenLocalServer open = nullptr;
    if (open)
        return open;
    library.setFileName(path);
    if (!library.load())
        throw Exception(QStringLiteral("No fue posible cargar el servidor de aplicaciones en proceso (%1): %2")
                            .arg(path, library.errorString()));
    open = reinterpret_cast<OpenLocalServer>(library.resolve("TolvaneOpenLocalServer"));
    if (!open)
        throw Exception(QStringLiteral("%1 no es el servidor de aplicaciones en proceso.").arg(path));
    return open;
}

} // namespace

void RegisterHostTransports(const QString &localServerPlugin)
{
    RegisterHttpTransport();
    SDCOMConnection::RegisterTransport(QStringLiteral("local"), [localServerPlugin](const SDCOMConnection &c) {
        std::shared_ptr<IAppServer> server;
        loadLocalServer(localServerPlugin)(c, server);
        return server;
    });
}
