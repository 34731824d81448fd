#pragma once

#include "IAppServer.h"

#include <QSet>
#include <memory>

class TAppServerEngine;

// A signed-in user's view of the application server: every provider and operation, limited to the
// companies assigned to the user. Immutable after sign-in, so one session may serve several
// threads at once (each uses its own database connection).
class TServerSession : public IAppServer
{
public:
    TServerSession(std::shared_ptr<TAppServerEngine> engine, QString user, QSet<int> companies);

    const QString &User() const { return m_user; }
    const QSet<int> &Companies() const { return m_companies; }

    SDataPacket GetRecords(const QString &providerName, const QList<SParam> &params,
                           const QString &commandText) override;
    SApplyResult ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors) override;
    QVariant Call(const QString &method, QVariantList &args) override;

private:
    std::shared_ptr<TAppServerEngine> m_engine;
    QString m_user;
    QSet<int> m_companies;
};
