#include "TAppServerEngine.h"

#include "EAppServerError.h"
#include "TSchemaCatalog.h"
#include "TServerSession.h"
#include "TSqlTransaction.h"
#include "TUserStore.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlRecord>

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
    const TSchemaCatalog &schema = TSchemaCatalog::Instance();
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    for (const QString &ddl : schema.Ddl())
        m_db.Exec(ddl);
    QSqlDatabase connection = m_db.Connection();
    for (const STableDef &table : schema.Tables()) {
        // PostgreSQL keeps the unquoted names of the DDL in lower case; columns compare case-insensitively.
        const QSqlRecord existing = connection.record(m_db.IsPostgres() ? table.Name.toLower() : table.Name);
        for (const SColumnDef &column : table.Columns)
            if (!existing.contains(column.Name))
                m_db.Exec(TSchemaCatalog::AddColumnDdl(table, column));
    }
    tx.Commit();
}

std::shared_ptr<TServerSession> TAppServerEngine::SignIn(const QString &user, const QString &password)
{
    const auto companies = TUserStore(m_db).Authenticate(user, password);
    if (!companies)
        throw EAppServerError(401, QStringLiteral("Usuario o contraseña incorrectos."));
    // A database made by an earlier version gains the tables and columns added since, once per process.
    std::call_once(m_schemaChecked, [this] { CreateSchema(); });
    return std::make_shared<TServerSession>(shared_from_this(), user.trimmed(), *companies);
}
