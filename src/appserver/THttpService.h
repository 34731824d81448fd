#pragma once

#include "THttpServer.h"

#include <QString>
#include <memory>

class TAppServerEngine;

// The HTTP/JSON face of the application server (docs/protocol.md): sign-in, providers, methods.
// Requests are served by THttpServer (an event loop holding the connections, worker threads for
// whole requests); each worker uses its own database connection. Bearer tokens are random (256
// bits) and kept in the database (TSessionStore); failed sign-ins are slowed by TSignInThrottle.
class THttpService
{
public:
    explicit THttpService(std::shared_ptr<TAppServerEngine> engine, SHttpLimits limits = SHttpLimits());
    ~THttpService();
    THttpService(const THttpService &) = delete;
    THttpService &operator=(const THttpService &) = delete;

    // Binds host:port (port 0: a free port); returns the bound port; raises Exception on failure.
    int Bind(const QString &host, int port);
    // Serves until Stop(); blocks the calling thread.
    void Serve();
    // Binds and serves on a background thread (tests, benchmarks).
    int Start(const QString &host, int port);
    void Stop();

private:
    struct TImpl;
    std::unique_ptr<TImpl> d;
};
