#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>

// A small HTTP/1.1 server for the application server's JSON API: a pool of worker threads, each
// serving one keep-alive connection at a time with blocking sockets and TCP_NODELAY; requests are
// framed by Content-Length (chunked bodies are refused), answers go out in a single write. Idle
// connections close after 60 seconds. Each worker keeps its thread (and so its database
// connection) for the server's lifetime.
class THttpServer
{
public:
    struct SRequest
    {
        QByteArray Method;
        QByteArray Path;                  // without the query string
        QHash<QByteArray, QByteArray> Headers; // names in lower case
        QByteArray Body;
    };
    struct SResponse
    {
        int Status = 200;
        QByteArray Body;                  // JSON
    };
    using THandler = std::function<SResponse(const SRequest &)>;

    explicit THttpServer(THandler handler, int workers = 32);
    ~THttpServer();
    THttpServer(const THttpServer &) = delete;
    THttpServer &operator=(const THttpServer &) = delete;

    // Binds host:port (0: any free port) and returns the bound port; raises Exception on failure.
    int Bind(const QString &host, int port);
    // Accepts connections until Stop(); blocks the calling thread.
    void Serve();
    void Stop();

private:
    struct TImpl;
    std::unique_ptr<TImpl> d;
};
