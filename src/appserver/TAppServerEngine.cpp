#include "TAppServerEngine.h"

#include "EAppServerError.h"
#include "TSchemaCatalog.h"
#include "TServerSession.h"
#include "TSqlTransaction.h"
#include "TUserStore.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>

TAppServerEngine::TAppServerEngine(const QString &location) : m_db(location) {}

std::shared_ptr<TAppServerEngine> TAppServerEngine::ForDatabase(const QString &location)
{
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<TAppServerEngine>> engines;
    QString key = location.trimmed();
    if (!TDatabase::IsPostgresLocation(key))
        key = QFileInfo(key).absoluteFilePath();
    QMutexLocker lock(&mutex);
    auto &engine = engines[key];
    if (!engine)
        engine = std::make_shared<TAppServerEngine>(key);
    return engine;
}

void TAppServerEngine::CreateSchema()
{
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    for (const QString &ddl : TSchemaCatalog::Instance().Ddl())
        m_db.Exec(ddl);
    tx.Commit();
}

std::shared_ptr<TServerSession> TAppServerEngine::SignIn(const QString &user, const QString &password)
{
    const auto companies = TUserStore(m_db).Authenticate(user, password);
    if (!companies)
        throw EAppServerError(401, QStringLiteral("Usuario o contraseña incorrectos."));
    // A database made by an earlier version gains the tables added since, once per process.
    std::call_once(m_schemaChecked, [this] { CreateSchema(); });
    return std::make_shared<TServerSession>(shared_from_this(), user.trimmed(), *companies);
}
