#include "THttpServer.h"

#include "SysUtils.h"
#include "THttpRequestReader.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

const char *reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 409:
        return "Conflict";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QByteArray peerAddress(int s)
{
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    char text[INET6_ADDRSTRLEN] = {};
    if (::getpeername(s, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
        return {};
    const void *where = addr.ss_family == AF_INET6
                            ? static_cast<const void *>(&reinterpret_cast<sockaddr_in6 *>(&addr)->sin6_addr)
                            : static_cast<const void *>(&reinterpret_cast<sockaddr_in *>(&addr)->sin_addr);
    return ::inet_ntop(addr.ss_family, where, text, sizeof text) ? QByteArray(text) : QByteArray();
}

void setBlocking(int s, bool blocking)
{
    const int flags = ::fcntl(s, F_GETFL);
    ::fcntl(s, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK);
}

// Writes head then body in one sendmsg (one segment train, no copy of a large body into the head).
bool sendAll(int s, const QByteArray &head, const QByteArray &body)
{
    const qsizetype total = head.size() + body.size();
    qsizetype sent = 0;
    while (sent < total) {
        iovec parts[2];
        int count = 0;
        if (sent < head.size())
            parts[count++] = {const_cast<char *>(head.constData()) + sent, size_t(head.size() - sent)};
        const qsizetype bodySent = std::max<qsizetype>(0, sent - head.size());
        if (bodySent < body.size())
            parts[count++] = {const_cast<char *>(body.constData()) + bodySent, size_t(body.size() - bodySent)};
        msghdr message{};
        message.msg_iov = parts;
        message.msg_iovlen = size_t(count);
        const ssize_t n = ::sendmsg(s, &message, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

bool reply(int s, const THttpServer::SResponse &r, bool keepAlive)
{
    const QByteArray head =
        "HTTP/1.1 " + QByteArray::number(r.Status) + ' ' + reason(r.Status) +
        "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " + QByteArray::number(r.Body.size()) +
        (r.RetryAfter > 0 ? "\r\nRetry-After: " + QByteArray::number(r.RetryAfter) : QByteArray()) +
        (keepAlive ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
    return sendAll(s, head, r.Body) && keepAlive;
}

} // namespace

struct THttpServer::TImpl
{
    static constexpr int kFollowMilliseconds = 2;

    // One client connection. The loop owns it; while Busy a worker has it and the loop does not poll it.
    struct SConnection
    {
        int Socket = -1;
        QByteArray Peer;
        QByteArray Buffer;          // received, not yet a whole request
        TClock::time_point Started; // first byte of the pending request, or the last answer
        bool Busy = false;
        THttpRequestReader Reader;
    };
    struct SJob
    {
        SConnection *Connection;
        SRequest Request;
        bool KeepAlive;
    };

    THandler handler;
    SHttpLimits limits;
    int listenSocket = -1;
    int wake = -1; // eventfd: a worker handed a connection back, or Stop()
    std::atomic<bool> stopping{false};
    std::vector<std::thread> threads;
    std::map<int, std::unique_ptr<SConnection>> connections; // the loop's thread only

    std::mutex mutex;
    std::condition_variable ready;
    std::deque<SJob> jobs;
    std::deque<std::pair<SConnection *, bool>> returned; // connection, keep it open

    void Wake() const
    {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(wake, &one, sizeof one);
    }

    void Worker()
    {
        for (;;) {
            SJob job;
            {
                std::unique_lock lock(mutex);
                ready.wait(lock, [&] { return stopping || !jobs.empty(); });
                if (stopping)
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            bool keep = false;
            do {
                SResponse res;
                try {
                    res = handler(job.Request);
                } catch (...) {
                    res = {500, QByteArray("{\"error\":\"Error interno del servidor.\"}")};
                }
                // The answer goes out with a blocking write (bounded by SO_SNDTIMEO): a large packet to
                // a slow reader holds this worker, never the loop.
                setBlocking(job.Connection->Socket, true);
                keep = reply(job.Connection->Socket, res, job.KeepAlive);
                setBlocking(job.Connection->Socket, false);
            } while (keep && Follow(job));
            {
                std::lock_guard lock(mutex);
                returned.emplace_back(job.Connection, keep);
            }
            Wake();
        }
    }

    // A client that asks again right after its answer (a walk through records reopens its lists on
    // every step) is served by the same worker, as long as no other request waits: the loop's thread
    // and two thread switches stay out of each round. The worker waits for it briefly; anything but a
    // whole request within that time (nothing, a part, a refusal, the end) goes back to the loop.
    bool Follow(SJob &job)
    {
        {
            std::lock_guard lock(mutex);
            if (stopping || !jobs.empty())
                return false;
        }
        SConnection &c = *job.Connection;
        bool closed = false;
        if (!c.Buffer.isEmpty() && Take(job, closed))
            return true; // it came with the previous one
        pollfd p{c.Socket, POLLIN, 0};
        if (::poll(&p, 1, kFollowMilliseconds) <= 0 || !(p.revents & POLLIN))
            return false;
        char chunk[65536];
        for (;;) {
            const ssize_t n = ::recv(c.Socket, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                closed = n == 0;
                break;
            }
            if (c.Buffer.isEmpty())
                c.Started = TClock::now();
            c.Buffer.append(chunk, n);
            if (c.Buffer.size() > THttpRequestReader::kMaxHeader + THttpRequestReader::kMaxBody)
                break;
        }
        return Take(job, closed);
    }

    // The next whole request of the job's connection, if its buffer holds one.
    static bool Take(SJob &job, bool closed)
    {
        SConnection &c = *job.Connection;
        if (c.Reader.Next(c.Buffer) != THttpRequestReader::TState::Complete)
            return false;
        c.Reader.Request.Peer = c.Peer;
        job.Request = std::move(c.Reader.Request);
        job.KeepAlive = c.Reader.KeepAlive && !closed;
        return true;
    }

    void Close(int s)
    {
        connections.erase(s);
        ::close(s);
    }

    // Answers a framing error or a timeout from the loop (a short text that fits the socket's
    // buffer) and closes.
    void Refuse(SConnection &c, const SResponse &r)
    {
        reply(c.Socket, r, false);
        // What the client already sent is read away first: closing over unread bytes would reset the
        // connection and could destroy the answer before the client reads it.
        char chunk[65536];
        for (int i = 0; i < 64 && ::recv(c.Socket, chunk, sizeof chunk, 0) > 0; ++i) {
        }
        Close(c.Socket);
    }

    // Hands the next whole request of c, if there is one, to a worker; closing: the client sends no
    // more, the connection closes after the answer. False when c was refused and is gone.
    bool Dispatch(SConnection &c, bool closing = false)
    {
        switch (c.Reader.Next(c.Buffer)) {
        case THttpRequestReader::TState::Incomplete:
            return true;
        case THttpRequestReader::TState::Refused:
            Refuse(c, c.Reader.Refusal);
            return false;
        case THttpRequestReader::TState::Complete:
            break;
        }
        c.Busy = true;
        c.Reader.Request.Peer = c.Peer;
        {
            std::lock_guard lock(mutex);
            jobs.push_back({&c, std::move(c.Reader.Request), c.Reader.KeepAlive && !closing});
        }
        ready.notify_one();
        return true;
    }

    void Accept()
    {
        for (;;) {
            const int s = ::accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (s < 0)
                return; // EAGAIN: all taken; other errors: the next poll tells
            if (int(connections.size()) >= limits.MaxConnections) {
                reply(s,
                      {503,
                       QByteArray("{\"error\":\"El servidor atiende el máximo de conexiones; intente de nuevo en unos "
                                  "segundos.\"}"),
                       5},
                      false);
                ::close(s);
                continue;
            }
            const int one = 1;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            timeval tv{limits.IdleSeconds, 0};
            ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
            auto c = std::make_unique<SConnection>();
            c->Socket = s;
            c->Peer = peerAddress(s);
            c->Started = TClock::now();
            connections.emplace(s, std::move(c));
        }
    }

    void Receive(SConnection &c)
    {
        char chunk[65536];
        bool closed = false;
        for (;;) {
            const ssize_t n = ::recv(c.Socket, chunk, sizeof chunk, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            if (n <= 0) {
                closed = true;
                break;
            }
            if (c.Buffer.isEmpty())
                c.Started = TClock::now();
            c.Buffer.append(chunk, n);
            // Enough to refuse (431, 413) or to serve: the rest waits for the next round.
            if (c.Buffer.size() > THttpRequestReader::kMaxHeader + THttpRequestReader::kMaxBody ||
                (c.Buffer.size() > THttpRequestReader::kMaxHeader && c.Buffer.indexOf("\r\n\r\n") < 0))
                break;
        }
        if (Dispatch(c, closed) && closed && !c.Busy)
            Close(c.Socket);
    }

    void TakeBack()
    {
        std::deque<std::pair<SConnection *, bool>> back;
        {
            std::lock_guard lock(mutex);
            back.swap(returned);
        }
        for (auto [c, keep] : back) {
            if (!keep) {
                Close(c->Socket);
                continue;
            }
            c->Busy = false;
            c->Started = TClock::now();
            Dispatch(*c); // a request that came right behind the answered one
        }
    }

    void Expire()
    {
        const auto now = TClock::now();
        std::vector<SConnection *> late;
        for (auto &[s, c] : connections)
            if (!c->Busy && now - c->Started > std::chrono::seconds(c->Buffer.isEmpty() ? limits.IdleSeconds
                                                                                        : limits.ReadTimeoutSeconds))
                late.push_back(c.get());
        for (SConnection *c : late) {
            if (c->Buffer.isEmpty())
                Close(c->Socket);
            else
                Refuse(*c, {408, QByteArray("{\"error\":\"La solicitud no llegó completa a tiempo.\"}")});
        }
    }

    ~TImpl()
    {
        for (auto &[s, c] : connections)
            ::close(s);
        if (listenSocket >= 0)
            ::close(listenSocket);
    }

    void Loop()
    {
        std::vector<pollfd> fds;
        std::vector<SConnection *> polled;
        while (!stopping) {
            fds.assign({{listenSocket, POLLIN, 0}, {wake, POLLIN, 0}});
            polled.clear();
            for (auto &[s, c] : connections)
                if (!c->Busy) {
                    fds.push_back({s, POLLIN, 0});
                    polled.push_back(c.get());
                }
            // A second at most between looks at the clocks of the connections.
            const int n = ::poll(fds.data(), nfds_t(fds.size()), 1000);
            if (n < 0 && errno != EINTR)
                break;
            if (stopping)
                break;
            if (fds[1].revents & POLLIN) {
                quint64 count = 0;
                [[maybe_unused]] const ssize_t r = ::read(wake, &count, sizeof count);
            }
            TakeBack();
            for (size_t i = 2; i < fds.size(); ++i)
                if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
                    if (connections.count(fds[i].fd) && connections.at(fds[i].fd).get() == polled[i - 2])
                        Receive(*polled[i - 2]);
            if (fds[0].revents & POLLIN)
                Accept();
            Expire();
        }
        // Answers still being written end now; the sockets close with the server.
        for (auto &[s, c] : connections)
            ::shutdown(s, SHUT_RDWR);
    }
};

THttpServer::THttpServer(THandler handler, SHttpLimits limits) : d(std::make_unique<TImpl>())
{
    d->handler = std::move(handler);
    d->limits = limits;
    d->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

THttpServer::~THttpServer()
{
    Stop();
    ::close(d->wake);
}

int THttpServer::Bind(const QString &host, int port)
{
    addrinfo hints{};
    hints.ai_family = 0; // any address family
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo *found = nullptr;
    const QByteArray h = host.toUtf8();
    const QByteArray p = QByteArray::number(port);
    if (::getaddrinfo(h.constData(), p.constData(), &hints, &found) != 0 || !found)
        throw Exception(QStringLiteral("No se reconoce la dirección %1.").arg(host));
    const int s = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, found->ai_protocol);
    const int one = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const bool ok = s >= 0 && ::bind(s, found->ai_addr, found->ai_addrlen) == 0 && ::listen(s, 128) == 0;
    ::freeaddrinfo(found);
    if (!ok) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        if (s >= 0)
            ::close(s);
        throw Exception(QStringLiteral("No fue posible escuchar en %1:%2 (%3).").arg(host).arg(port).arg(why));
    }
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    ::getsockname(s, reinterpret_cast<sockaddr *>(&addr), &len);
    d->listenSocket = s;
    for (int i = 0; i < d->limits.Workers; ++i)
        d->threads.emplace_back([this] { d->Worker(); });
    return addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6 *>(&addr)->sin6_port)
                                      : ntohs(reinterpret_cast<sockaddr_in *>(&addr)->sin_port);
}

void THttpServer::Serve()
{
    d->Loop();
}

void THttpServer::Stop()
{
    if (d->stopping.exchange(true))
        return;
    d->Wake();
    {
        std::lock_guard lock(d->mutex);
        d->jobs.clear();
    }
    d->ready.notify_all();
    for (auto &t : d->threads)
        if (t.joinable())
            t.join();
    d->threads.clear();
}
