#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <memory>

// What a THttpServer allows its clients.
struct SHttpLimits
{
    int Workers = 32;
    int MaxConnections = 1000;   // open connections, busy or idle
    int ReadTimeoutSeconds = 30; // from the first byte of a request to its last
    int IdleSeconds = 60;        // a kept-alive connection without a request
};

// A small HTTP/1.1 server for the application server's JSON API. One event loop (the thread that
// calls Serve) holds every connection in a poll set and reads what arrives without blocking; a
// pool of worker threads gets only complete requests, answers each in a single write and hands the
// connection back to the loop. Idle or slow connections therefore cost no worker. Requests are
// framed by Content-Length (chunked bodies are refused); sockets use TCP_NODELAY. A request that
// does not arrive whole within the read timeout is answered 408, an idle kept-alive connection
// closes after the idle time, and connections beyond the cap are answered 503 and closed. Each
// worker keeps its thread (and so its database connection) for the server's lifetime.
class THttpServer
{
public:
    struct SRequest
    {
        QByteArray Method;
        QByteArray Path;                       // without the query string
        QHash<QByteArray, QByteArray> Headers; // names in lower case
        QByteArray Body;
        QByteArray Peer; // the client's address, without the port
    };
    struct SResponse
    {
        int Status = 200;
        QByteArray Body;       // JSON
        qint64 RetryAfter = 0; // seconds; sent as Retry-After when positive
    };
    using THandler = std::function<SResponse(const SRequest &)>;

    explicit THttpServer(THandler handler, SHttpLimits limits = SHttpLimits());
    ~THttpServer();
    THttpServer(const THttpServer &) = delete;
    THttpServer &operator=(const THttpServer &) = delete;

    // Binds host:port (0: any free port) and returns the bound port; raises Exception on failure.
    int Bind(const QString &host, int port);
    // Runs the event loop until Stop(); blocks the calling thread.
    void Serve();
    void Stop();

private:
    struct TImpl;
    std::unique_ptr<TImpl> d;
};
