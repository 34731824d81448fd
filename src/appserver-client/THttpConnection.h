#pragma once

#include <QByteArray>
#include <QString>

// One keep-alive HTTP/1.1 connection to host:port over blocking TCP with TCP_NODELAY: a request
// goes out in a single write, the answer (Content-Length framed) is read back in as few reads as
// the network allows. A connection the server closed is reopened once, transparently. Not
// thread-safe; the owner serialises calls.
class THttpConnection
{
public:
    THttpConnection(QString host, int port, int timeoutSeconds = 300);
    ~THttpConnection();
    THttpConnection(const THttpConnection &) = delete;
    THttpConnection &operator=(const THttpConnection &) = delete;

    struct SReply
    {
        int Status = 0;
        QByteArray Body;
    };
    // POST with a JSON body; raises EAppServerError 503 when the server cannot be reached.
    SReply Post(const QByteArray &path, const QByteArray &body, const QByteArray &authorization);

private:
    void Connect();
    void Close();
    bool SendAll(const QByteArray &data);
    // Reads one answer; false when the connection broke before any byte of it arrived.
    bool ReadReply(SReply &reply, bool &anyByte);

    QString m_host;
    int m_port;
    int m_timeout;
    int m_socket = -1;
    QByteArray m_buffer; // bytes received beyond the previous answer
};
