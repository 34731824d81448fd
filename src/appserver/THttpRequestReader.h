#pragma once

#include "THttpServer.h"

#include <QByteArray>

// Cuts complete HTTP/1.x requests out of the bytes a connection has received so far. Knows nothing of
// sockets: the server's event loop appends what arrives and asks for the next request; a worker gets
// only a request whose headers and body are all here.
class THttpRequestReader
{
public:
    static constexpr qsizetype kMaxHeader = 64 * 1024;
    static constexpr qsizetype kMaxBody = 64 * 1024 * 1024;

    enum class TState {
        Incomplete, // more bytes are needed
        Complete,   // Request and KeepAlive are set; its bytes left the buffer
        Refused,    // answer Refusal and close the connection
    };

    // Takes the next request from the front of buffer.
    TState Next(QByteArray &buffer);

    THttpServer::SRequest Request;
    bool KeepAlive = true;
    THttpServer::SResponse Refusal;
};
