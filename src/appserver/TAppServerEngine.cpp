#include "TAppServerEngine.h"

#include "EAppServerError.h"
#include "TSchemaCatalog.h"
#include "TServerSession.h"
#include "TSqlTransaction.h"
#include "TUserStore.h"

#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <sodium.h>

TAppServerEngine::TAppServerEngine(const QString &location) : m_db(location)
{}

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
    if (m_db.IsPostgres())
        CreateUserRole();
    tx.Commit();
}

// PostgreSQL: the role the users' connections sign in as. It may read every table but the server's
// own and write only the module's tables; the row policies of the company tables let it see and
// write only the rows of the companies SV_PERMI holds for its server process. The policies do not
// bind the tables' owner (the server's own role). Its password is random and kept in SV_ROLES,
// which only the server's role reads.
void TAppServerEngine::CreateUserRole()
{
    const QString role = m_db.UserRole();
    QString password;
    {
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT CLA_ROLE FROM SV_ROLES WHERE NOM_ROLE = ?"), {role});
        if (q.next())
            password = q.value(0).toString();
    }
    if (password.isEmpty()) {
        if (sodium_init() < 0)
            throw EAppServerError(500, QStringLiteral("No fue posible iniciar la biblioteca criptográfica."));
        unsigned char bytes[24];
        randombytes_buf(bytes, sizeof bytes);
        password = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes).toHex());
        m_db.Exec(QStringLiteral(
                      "DO $ze$ BEGIN CREATE ROLE %1 LOGIN NOINHERIT PASSWORD '%2';"
                      " EXCEPTION WHEN duplicate_object THEN ALTER ROLE %1 LOGIN NOINHERIT PASSWORD '%2'; END $ze$")
                      .arg(role, password));
        m_db.Run(QStringLiteral("INSERT INTO SV_ROLES (NOM_ROLE, CLA_ROLE) VALUES (?, ?)"
                                " ON CONFLICT (NOM_ROLE) DO UPDATE SET CLA_ROLE = EXCLUDED.CLA_ROLE"),
                 {role, password});
    }
    QString schema;
    {
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT current_schema()"));
        schema = q.next() ? q.value(0).toString() : QStringLiteral("public");
    }
    // SECURITY DEFINER with a fixed search path (pg_temp last): the role cannot put its own SV_PERMI first.
    m_db.Exec(
        QStringLiteral(
            "CREATE OR REPLACE FUNCTION SV_EMPRESAS() RETURNS SMALLINT[] LANGUAGE sql STABLE"
            " SECURITY DEFINER SET search_path = %1, pg_temp"
            " AS 'SELECT COALESCE(array_agg(COD_EMPR), ''{}'') FROM %1.SV_PERMI WHERE NUM_PROC = pg_backend_pid()'")
            .arg(schema));
    m_db.Exec(QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(schema, role));
    for (const STableDef &t : TSchemaCatalog::Instance().Tables()) {
        m_db.Exec(QStringLiteral("REVOKE ALL ON %1 FROM %2").arg(t.Name, role));
        if (t.Internal)
            continue;
        m_db.Exec(QStringLiteral("GRANT SELECT%1 ON %2 TO %3")
                      .arg(t.UserWritable() ? QStringLiteral(", INSERT, UPDATE, DELETE") : QString(), t.Name, role));
        if (!t.CompanyRows())
            continue;
        m_db.Exec(QStringLiteral("ALTER TABLE %1 ENABLE ROW LEVEL SECURITY").arg(t.Name));
        m_db.Exec(QStringLiteral("DROP POLICY IF EXISTS ZE_EMPRESA ON %1").arg(t.Name));
        m_db.Exec(QStringLiteral("CREATE POLICY ZE_EMPRESA ON %1 USING (COD_EMPR = ANY (SV_EMPRESAS()))"
                                 " WITH CHECK (COD_EMPR = ANY (SV_EMPRESAS()))")
                      .arg(t.Name));
    }
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
