#pragma once

// Sits between the module and a real application server: passes every request on unchanged and
// keeps what was asked (the SQL text and parameters of each provider, the operations called), so a
// test can check what the module sent next to what the server answered. A test may also make the
// next call of an operation fail, as a server that cannot answer it would.

#include "IAppServer.h"
#include "SysUtils.h"

#include <QHash>
#include <QStringList>

class RecordingAppServer : public IAppServer
{
public:
    explicit RecordingAppServer(IAppServer &inner) : m_inner(inner) {}

    int GetRecordsCalls = 0;
    QList<SParam> LastParams;
    QHash<QString, QList<SParam>> ParamsByProvider;
    QHash<QString, QString> CommandTextByProvider;
    QHash<QString, int> OpensByProvider;
    QStringList Operations;
    // The arguments each operation received last, as sent.
    QHash<QString, QVariantList> LastArgs;
    // The next call of this operation raises this message instead of reaching the server.
    QHash<QString, QString> FailNext;

    static QVariant Param(const QList<SParam> &params, const QString &name)
    {
        for (const SParam &p : params)
            if (p.Name.compare(name, Qt::CaseInsensitive) == 0)
                return p.Value;
        return QVariant();
    }

    SDataPacket GetRecords(const QString &providerName, const QList<SParam> &params,
                           const QString &commandText) override
    {
        ++GetRecordsCalls;
        LastParams = params;
        ParamsByProvider.insert(providerName, params);
        CommandTextByProvider.insert(providerName, commandText);
        ++OpensByProvider[providerName];
        return m_inner.GetRecords(providerName, params, commandText);
    }
    SApplyResult ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors) override
    {
        return m_inner.ApplyUpdates(providerName, delta, maxErrors);
    }
    QVariant Call(const QString &method, QVariantList &args) override
    {
        Operations << method;
        LastArgs.insert(method, args);
        const QString failure = FailNext.take(method);
        if (!failure.isEmpty())
            throw Exception(failure);
        return m_inner.Call(method, args);
    }

private:
    IAppServer &m_inner;
};
