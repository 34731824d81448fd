#include "TServerSession.h"

#include "TAttachmentOperations.h"

#include "EAppServerError.h"
#include "TAppServerEngine.h"
#include "TChangeApplier.h"
#include "TProviderCatalog.h"
#include "TRecordReader.h"
#include "TServerOperations.h"
#include "TUserScope.h"

namespace {
const SProviderDef &provider(const QString &name)
{
    const SProviderDef *def = TProviderCatalog::Instance().Find(name);
    if (!def)
        throw EAppServerError(404, QStringLiteral("El servidor de aplicaciones no tiene el proveedor %1.").arg(name));
    return *def;
}
} // namespace

TServerSession::TServerSession(std::shared_ptr<TAppServerEngine> engine, QString user, QSet<int> companies)
    : m_engine(std::move(engine)), m_user(std::move(user)), m_companies(std::move(companies))
{}

SDataPacket TServerSession::GetRecords(const QString &providerName, const QList<SParam> &params,
                                       const QString &commandText)
{
    const SProviderDef &def = provider(providerName);
    return m_engine->Database().Request([&] {
        TUserScope scope(m_engine->Database(), m_companies);
        return TRecordReader(m_engine->Database(), m_companies).Read(def, params, commandText);
    });
}

SApplyResult TServerSession::ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors)
{
    const SProviderDef &def = provider(providerName);
    return m_engine->Database().Request([&] {
        TUserScope scope(m_engine->Database(), m_companies);
        return TChangeApplier(m_engine->Database(), m_companies).Apply(def, delta, maxErrors);
    });
}

QVariant TServerSession::Call(const QString &method, QVariantList &args)
{
    // A retried call starts again from the arguments as they came.
    const QVariantList given = args;
    return m_engine->Database().Request([&] {
        args = given;
        QVariant result;
        if (TAttachmentOperations(m_engine->Database(), m_companies, m_user).Call(method.trimmed(), args, result))
            return result;
        return TServerOperations(m_engine->Database(), m_companies, [engine = m_engine.get()] { return engine->Now(); })
            .Call(method, args);
    });
}
