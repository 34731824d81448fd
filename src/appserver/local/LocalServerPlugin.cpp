// The in-process application server as a plugin of the host: everything of the server stays hidden
// inside this library except the one entry point the host resolves when a connection asks for the
// "local" protocol.
#include "AppServerTransports.h"
#include "SDCOMConnection.h"

extern "C" __attribute__((visibility("default"))) void TolvaneOpenLocalServer(const SDCOMConnection &connection,
                                                                              std::shared_ptr<IAppServer> &server)
{
    server = OpenLocalServer(connection);
}
