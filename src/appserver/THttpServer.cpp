#include "THttpServer.h"

#include "SysUtils.h"

#include <QList>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <set>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype kMaxHeader = 64 * 1024;
constexpr qsizetype kMaxBody = 64 * 1024 * 1024;
constexpr int kIdleSeconds = 60;

const char *reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 409: return "Conflict";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
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

QByteArray errorBody(const char *message)
{
    return QByteArray("{\"error\":\"") + message + "\"}";
}

} // namespace

struct THttpServer::TImpl
{
    THandler handler;
    int workers;
    int listenSocket = -1;
    std::atomic<bool> stopping{false};
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<int> pending;
    std::set<int> open; // connections being served, closed by Stop()
    std::vector<std::thread> threads;

    void Worker()
    {
        for (;;) {
            int s = -1;
            {
                std::unique_lock lock(mutex);
                ready.wait(lock, [&] { return stopping || !pending.empty(); });
                if (stopping)
                    return;
                s = pending.front();
                pending.pop_front();
                open.insert(s);
            }
            ServeConnection(s);
            {
                std::lock_guard lock(mutex);
                open.erase(s);
            }
            ::close(s);
        }
    }

    void Reply(int s, const SResponse &r, bool keepAlive, bool &ok)
    {
        const QByteArray head = "HTTP/1.1 " + QByteArray::number(r.Status) + ' ' + reason(r.Status)
                                + "\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: "
                                + QByteArray::number(r.Body.size())
                                + (keepAlive ? "\r\nConnection: keep-alive\r\n\r\n" : "\r\nConnection: close\r\n\r\n");
        ok = sendAll(s, head, r.Body) && keepAlive;
    }

    void ServeConnection(int s)
    {
        QByteArray buffer;
        char chunk[65536];
        bool alive = true;
        while (alive && !stopping) {
            // Header block.
            qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
            while (headerEnd < 0) {
                if (buffer.size() > kMaxHeader) {
                    Reply(s, {431, errorBody("Encabezados demasiado largos.")}, false, alive);
                    return;
                }
                const ssize_t n = ::recv(s, chunk, sizeof chunk, 0);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return; // closed, idle timeout or stop
                buffer.append(chunk, n);
                headerEnd = buffer.indexOf("\r\n\r\n");
            }
            const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
            const QList<QByteArray> first = lines.first().trimmed().split(' ');
            SRequest req;
            if (first.size() != 3 || !first.at(2).startsWith("HTTP/1.")) {
                Reply(s, {400, errorBody("Solicitud HTTP mal formada.")}, false, alive);
                return;
            }
            req.Method = first.at(0);
            req.Path = first.at(1).left(first.at(1).indexOf('?') < 0 ? first.at(1).size() : first.at(1).indexOf('?'));
            for (const QByteArray &l : lines.mid(1)) {
                const qsizetype colon = l.indexOf(':');
                if (colon > 0)
                    req.Headers.insert(l.left(colon).trimmed().toLower(), l.mid(colon + 1).trimmed());
            }
            bool keepAlive = first.at(2) == "HTTP/1.1";
            const QByteArray connection = req.Headers.value("connection").toLower();
            if (connection == "close")
                keepAlive = false;
            else if (connection == "keep-alive")
                keepAlive = true;
            if (req.Headers.contains("transfer-encoding")) {
                Reply(s, {411, errorBody("Se requiere Content-Length; no se admite transferencia por partes.")}, false, alive);
                return;
            }
            bool lengthOk = true;
            const qsizetype length = req.Headers.contains("content-length") ? req.Headers.value("content-length").toLongLong(&lengthOk) : 0;
            if (!lengthOk || length < 0 || length > kMaxBody) {
                Reply(s, {413, errorBody("Cuerpo de la solicitud no válido o demasiado grande.")}, false, alive);
                return;
            }
            buffer.remove(0, headerEnd + 4);
            while (buffer.size() < length) {
                const ssize_t n = ::recv(s, chunk, sizeof chunk, 0);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return;
                buffer.append(chunk, n);
            }
            req.Body = buffer.left(length);
            buffer.remove(0, length);
            SResponse res;
            try {
                res = handler(req);
            } catch (...) {
                res = {500, errorBody("Error interno del servidor.")};
            }
            Reply(s, res, keepAlive, alive);
        }
    }
};

THttpServer::THttpServer(THandler handler, int workers) : d(std::make_unique<TImpl>())
{
    d->handler = std::move(handler);
    d->workers = workers;
}

THttpServer::~THttpServer()
{
    Stop();
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
    const int s = ::socket(found->ai_family, found->ai_socktype | SOCK_CLOEXEC, found->ai_protocol);
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
    for (int i = 0; i < d->workers; ++i)
        d->threads.emplace_back([this] { d->Worker(); });
    return addr.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6 *>(&addr)->sin6_port)
                                      : ntohs(reinterpret_cast<sockaddr_in *>(&addr)->sin_port);
}

void THttpServer::Serve()
{
    while (!d->stopping) {
        const int c = ::accept4(d->listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            break; // listening socket shut down
        }
        const int one = 1;
        ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        timeval tv{kIdleSeconds, 0};
        ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(c, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        std::lock_guard lock(d->mutex);
        if (d->stopping) {
            ::close(c);
            break;
        }
        d->pending.push_back(c);
        d->ready.notify_one();
    }
}

void THttpServer::Stop()
{
    {
        std::lock_guard lock(d->mutex);
        if (d->stopping.exchange(true))
            return;
        if (d->listenSocket >= 0)
            ::shutdown(d->listenSocket, SHUT_RDWR);
        for (int s : d->open)
            ::shutdown(s, SHUT_RDWR);
        for (int s : d->pending)
            ::close(s);
        d->pending.clear();
    }
    d->ready.notify_all();
    for (auto &t : d->threads)
        if (t.joinable())
            t.join();
    if (d->listenSocket >= 0)
        ::close(d->listenSocket);
    d->listenSocket = -1;
}
