#include "THttpConnection.h"

#include "EAppServerError.h"

#include <QList>
#include <algorithm>
#include <cstring>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
[[noreturn]] void unreachable(const QString &host, int port, const QString &why)
{
    throw EAppServerError(503, QStringLiteral("No fue posible comunicarse con el servidor de aplicaciones %1:%2 (%3).")
                                   .arg(host)
                                   .arg(port)
                                   .arg(why));
}
} // namespace

THttpConnection::THttpConnection(QString host, int port, int timeoutSeconds)
    : m_host(std::move(host)), m_port(port), m_timeout(timeoutSeconds)
{}

THttpConnection::~THttpConnection()
{
    Close();
}

void THttpConnection::Close()
{
    if (m_socket >= 0)
        ::close(m_socket);
    m_socket = -1;
    m_buffer.clear();
}

void THttpConnection::Connect()
{
    addrinfo hints{};
    hints.ai_family = 0; // any address family
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const QByteArray host = m_host.toUtf8();
    const QByteArray port = QByteArray::number(m_port);
    if (::getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0 || !found)
        unreachable(m_host, m_port, QStringLiteral("equipo desconocido"));
    int err = 0;
    for (addrinfo *a = found; a && m_socket < 0; a = a->ai_next) {
        const int s = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (s < 0)
            continue;
        timeval tv{m_timeout, 0};
        ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        const int one = 1;
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(s, a->ai_addr, a->ai_addrlen) == 0)
            m_socket = s;
        else {
            err = errno;
            ::close(s);
        }
    }
    ::freeaddrinfo(found);
    if (m_socket < 0)
        unreachable(m_host, m_port, QString::fromLocal8Bit(strerror(err)));
}

bool THttpConnection::SendAll(const QByteArray &data)
{
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(m_socket, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return false;
        }
        sent += n;
    }
    return true;
}

bool THttpConnection::ReadReply(SReply &reply, bool &anyByte)
{
    anyByte = !m_buffer.isEmpty();
    char chunk[65536];
    qsizetype headerEnd;
    while ((headerEnd = m_buffer.indexOf("\r\n\r\n")) < 0) {
        const ssize_t n = ::recv(m_socket, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        anyByte = true;
        m_buffer.append(chunk, n);
    }
    qsizetype bodyLength = 0;
    bool close = false;
    const QList<QByteArray> lines = m_buffer.left(headerEnd).split('\n');
    const QList<QByteArray> status = lines.first().trimmed().split(' ');
    reply.Status = status.size() > 1 ? status.at(1).toInt() : 0;
    for (const QByteArray &l : lines.mid(1)) {
        const qsizetype colon = l.indexOf(':');
        const QByteArray name = l.left(colon).trimmed().toLower();
        const QByteArray value = l.mid(colon + 1).trimmed();
        if (name == "content-length")
            bodyLength = std::max<qsizetype>(0, value.toLongLong());
        else if (name == "connection" && value.toLower() == "close")
            close = true;
    }
    // The body: what came with the header block, then the rest received straight into place (a
    // 600-record packet is some 400 KB; no second copy of it).
    const qsizetype have = std::min(m_buffer.size() - (headerEnd + 4), bodyLength);
    reply.Body.resize(bodyLength);
    std::memcpy(reply.Body.data(), m_buffer.constData() + headerEnd + 4, size_t(have));
    m_buffer.remove(0, headerEnd + 4 + have);
    for (qsizetype got = have; got < bodyLength;) {
        const ssize_t n = ::recv(m_socket, reply.Body.data() + got, size_t(bodyLength - got), 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += n;
    }
    if (close)
        Close();
    return true;
}

THttpConnection::SReply THttpConnection::Post(const QByteArray &path, const QByteArray &body,
                                              const QByteArray &authorization)
{
    QByteArray request;
    request.reserve(256 + body.size());
    request += "POST " + path + " HTTP/1.1\r\nHost: " + m_host.toUtf8() + ':' + QByteArray::number(m_port) +
               "\r\nConnection: keep-alive\r\nContent-Type: application/json\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\n";
    if (!authorization.isEmpty())
        request += "Authorization: " + authorization + "\r\n";
    request += "\r\n" + body;
    // A kept-alive connection the server has meanwhile closed fails before any answer byte:
    // reconnect and send once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool fresh = m_socket < 0;
        if (fresh)
            Connect();
        SReply reply;
        bool anyByte = false;
        if (SendAll(request) && ReadReply(reply, anyByte))
            return reply;
        Close();
        if (fresh || anyByte)
            break;
    }
    unreachable(m_host, m_port, QStringLiteral("la conexión se cerró"));
}
