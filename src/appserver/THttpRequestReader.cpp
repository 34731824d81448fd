#include "THttpRequestReader.h"

#include <QList>

namespace {
QByteArray errorBody(const char *message)
{
    return QByteArray("{\"error\":\"") + message + "\"}";
}
} // namespace

THttpRequestReader::TState THttpRequestReader::Next(QByteArray &buffer)
{
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0 || headerEnd > kMaxHeader) {
        if (buffer.size() <= kMaxHeader)
            return TState::Incomplete;
        Refusal = {431, errorBody("Encabezados demasiado largos.")};
        return TState::Refused;
    }
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> first = lines.first().trimmed().split(' ');
    if (first.size() != 3 || !first.at(2).startsWith("HTTP/1.")) {
        Refusal = {400, errorBody("Solicitud HTTP mal formada.")};
        return TState::Refused;
    }
    THttpServer::SRequest req;
    req.Method = first.at(0);
    const qsizetype query = first.at(1).indexOf('?');
    req.Path = query < 0 ? first.at(1) : first.at(1).left(query);
    for (const QByteArray &l : lines.mid(1)) {
        const qsizetype colon = l.indexOf(':');
        if (colon > 0)
            req.Headers.insert(l.left(colon).trimmed().toLower(), l.mid(colon + 1).trimmed());
    }
    if (req.Headers.contains("transfer-encoding")) {
        Refusal = {411, errorBody("Se requiere Content-Length; no se admite transferencia por partes.")};
        return TState::Refused;
    }
    bool lengthOk = true;
    const qsizetype length =
        req.Headers.contains("content-length") ? req.Headers.value("content-length").toLongLong(&lengthOk) : 0;
    if (!lengthOk || length < 0 || length > kMaxBody) {
        Refusal = {413, errorBody("Cuerpo de la solicitud no válido o demasiado grande.")};
        return TState::Refused;
    }
    if (buffer.size() < headerEnd + 4 + length)
        return TState::Incomplete;
    KeepAlive = first.at(2) == "HTTP/1.1";
    const QByteArray connection = req.Headers.value("connection").toLower();
    if (connection == "close")
        KeepAlive = false;
    else if (connection == "keep-alive")
        KeepAlive = true;
    req.Body = buffer.mid(headerEnd + 4, length);
    buffer.remove(0, headerEnd + 4 + length);
    Request = std::move(req);
    return TState::Complete;
}
