#pragma once

#include "DataPacket.h"

#include <QVariantList>

// The application server as the client sees it: named providers and late-bound operations.
// Implementations: in-process (SQLite or PostgreSQL behind it) and HTTP; tests use fakes.
// Failures raise Exception (or a subclass) carrying the server's message.
class IAppServer
{
public:
    virtual ~IAppServer() = default;

    // Rows of a provider for the given parameters; commandText is empty unless the provider takes
    // the client's SQL.
    virtual SDataPacket GetRecords(const QString &providerName, const QList<SParam> &params,
                                   const QString &commandText) = 0;

    // Applies a change log in one transaction. Refused rows come back as errors; when more than
    // maxErrors rows fail (maxErrors -1 = unlimited) nothing is written.
    virtual SApplyResult ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors) = 0;

    // A server operation by name (BuscarFechaServidor, EjecutarSql, GenerarRMT ...). Arguments may be
    // passed by reference: the server may replace entries of args.
    virtual QVariant Call(const QString &method, QVariantList &args) = 0;
};
