#include "TSqliteGuard.h"

#include "EAppServerError.h"
#include "TDatabase.h"
#include "TSchemaCatalog.h"

#include <sqlite3.h>

#include <QSet>
#include <cmath>
#include <limits>

namespace {

QString joined(const QStringList &items, const QString &pattern, const QString &separator)
{
    QStringList out;
    for (const QString &item : items)
        out << (pattern.contains(QStringLiteral("%1")) ? pattern.arg(item) : pattern);
    return out.join(separator);
}

void exec(sqlite3 *db, const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        throw EAppServerError(500, QStringLiteral("No fue posible preparar la conexión del usuario: %1").arg(message));
    }
}

bool startsWith(const char *text, const char *prefix)
{
    return text && qstrnicmp(text, prefix, qstrlen(prefix)) == 0;
}

// The functions a client's text may call. None of them can fail or grow a value on its own (abs
// and three-argument LIKE are the connection's own versions, below), so an expression of a client
// that SQLite evaluates on a row of another company before the view's filter (a flattened view,
// an OR of index lookups) cannot tell the client anything through an error. Left out: printf,
// format, zeroblob, randomblob, replace, hex, quote, group_concat, the JSON functions, ntile,
// nth_value, lead, lag, load_extension and the sqlite_ functions.
bool clientMayCall(const char *name)
{
    static const QSet<QByteArray> allowed{
        "count",     "sum",         "total",     "avg",        "max",        "min",      "coalesce",   "ifnull",
        "nullif",    "iif",         "abs",       "round",      "sign",       "length",   "substr",     "substring",
        "upper",     "lower",       "trim",      "ltrim",      "rtrim",      "instr",    "char",       "unicode",
        "typeof",    "like",        "glob",      "date",       "time",       "datetime", "julianday",  "strftime",
        "unixepoch", "likely",      "unlikely",  "likelihood", "row_number", "rank",     "dense_rank", "percent_rank",
        "cume_dist", "first_value", "last_value"};
    return name && allowed.contains(QByteArray(name).toLower());
}

// abs() that answers a real number where SQLite's raises "integer overflow" (-2^63).
void safeAbs(sqlite3_context *context, int, sqlite3_value **argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(context);
        break;
    case SQLITE_INTEGER: {
        const sqlite3_int64 v = sqlite3_value_int64(argv[0]);
        if (v == std::numeric_limits<sqlite3_int64>::min())
            sqlite3_result_double(context, -double(v));
        else
            sqlite3_result_int64(context, v < 0 ? -v : v);
        break;
    }
    default:
        sqlite3_result_double(context, std::fabs(sqlite3_value_double(argv[0])));
    }
}

// x LIKE pattern ESCAPE e, answering NULL where SQLite's raises an error (an escape that is not one
// character).
void safeLike(sqlite3_context *context, int, sqlite3_value **argv)
{
    const unsigned char *pattern = sqlite3_value_text(argv[0]);
    const unsigned char *text = sqlite3_value_text(argv[1]);
    const unsigned char *escape = sqlite3_value_text(argv[2]);
    if (!pattern || !text || !escape || sqlite3_value_bytes(argv[2]) != 1) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3_result_int(context, sqlite3_strlike(reinterpret_cast<const char *>(pattern),
                                                reinterpret_cast<const char *>(text), escape[0]) == 0);
}

} // namespace

TSqliteGuard::TSqliteGuard(sqlite3 *db) : m_db(db)
{}

TSqliteGuard *TSqliteGuard::Install(sqlite3 *db)
{
    auto *guard = new TSqliteGuard(db);
    // The functions own the guard: it is destroyed with the connection (or at once when this fails).
    if (sqlite3_create_function_v2(db, "ze_permitida", 1, SQLITE_UTF8, guard, &Allowed, nullptr, nullptr, &Destroy) !=
            SQLITE_OK ||
        sqlite3_create_function_v2(db, "ze_escribir", -1, SQLITE_UTF8, guard, &Write, nullptr, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_create_function(db, "abs", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr, &safeAbs,
                                nullptr, nullptr) != SQLITE_OK ||
        sqlite3_create_function(db, "like", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                &safeLike, nullptr, nullptr) != SQLITE_OK)
        throw EAppServerError(500, QStringLiteral("No fue posible preparar la conexión del usuario."));
    for (const STableDef &t : TSchemaCatalog::Instance().Tables()) {
        if (!t.CompanyRows())
            continue;
        const QByteArray name = t.Name.toUtf8();
        guard->m_companyTables.insert(name);
        exec(db,
             QStringLiteral("CREATE TEMP VIEW %1 AS SELECT * FROM main.%1 WHERE ze_permitida(COD_EMPR)").arg(t.Name));
        if (!t.UserWritable())
            continue;
        guard->m_writable.insert(name);
        QStringList columns;
        for (const SColumnDef &c : t.Columns)
            columns << c.Name;
        const QString keyWhere = joined(t.Key, QStringLiteral("%1 IS ?"), QStringLiteral(" AND "));
        guard->m_statements.insert("I" + name, QStringLiteral("INSERT INTO main.%1 (%2) VALUES (%3)")
                                                   .arg(t.Name, columns.join(QStringLiteral(", ")),
                                                        joined(columns, QStringLiteral("?"), QStringLiteral(", ")))
                                                   .toUtf8());
        guard->m_statements.insert(
            "U" + name, QStringLiteral("UPDATE main.%1 SET %2 WHERE %3")
                            .arg(t.Name, joined(columns, QStringLiteral("%1 = ?"), QStringLiteral(", ")), keyWhere)
                            .toUtf8());
        guard->m_statements.insert("D" + name,
                                   QStringLiteral("DELETE FROM main.%1 WHERE %2").arg(t.Name, keyWhere).toUtf8());
        const QString newValues = joined(columns, QStringLiteral("NEW.%1"), QStringLiteral(", "));
        const QString oldKeys = joined(t.Key, QStringLiteral("OLD.%1"), QStringLiteral(", "));
        exec(db, QStringLiteral(
                     "CREATE TEMP TRIGGER ze_i_%1 INSTEAD OF INSERT ON %1 BEGIN SELECT ze_escribir('I', '%1', %2); END")
                     .arg(t.Name, newValues));
        exec(db,
             QStringLiteral(
                 "CREATE TEMP TRIGGER ze_u_%1 INSTEAD OF UPDATE ON %1 BEGIN SELECT ze_escribir('U', '%1', %2, %3); END")
                 .arg(t.Name, newValues, oldKeys));
        exec(db, QStringLiteral(
                     "CREATE TEMP TRIGGER ze_d_%1 INSTEAD OF DELETE ON %1 BEGIN SELECT ze_escribir('D', '%1', %2); END")
                     .arg(t.Name, oldKeys));
    }
    sqlite3_set_authorizer(db, &Authorize, guard);
    // Every few thousand virtual machine steps: costs nothing measurable, ends a runaway query in time.
    sqlite3_progress_handler(db, 4000, &Progress, guard);
    return guard;
}

void TSqliteGuard::CheckClientPlan(sqlite3 *db, const QByteArray &sql)
{
    const QByteArray explain = "EXPLAIN QUERY PLAN " + sql;
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, explain.constData(), int(explain.size()), &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return; // the statement's own preparation reports why
    }
    bool orLookups = false;
    while (!orLookups && sqlite3_step(st) == SQLITE_ROW)
        orLookups = qstrncmp(reinterpret_cast<const char *>(sqlite3_column_text(st, 3)), "MULTI-INDEX OR", 14) == 0;
    sqlite3_finalize(st);
    if (orLookups)
        throw EAppServerError(
            400, QStringLiteral("La consulta combina con OR condiciones que el servidor no admite en un texto de"
                                " comando; use UNION o IN."));
}

void TSqliteGuard::SetMode(TMode mode, int milliseconds)
{
    m_mode = mode;
    if (mode != TMode::Server)
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

int TSqliteGuard::Progress(void *self)
{
    const auto *guard = static_cast<const TSqliteGuard *>(self);
    return guard->m_mode != TMode::Server && std::chrono::steady_clock::now() > guard->m_deadline ? 1 : 0;
}

void TSqliteGuard::Destroy(void *self)
{
    delete static_cast<TSqliteGuard *>(self);
}

void TSqliteGuard::Allowed(sqlite3_context *context, int, sqlite3_value **argv)
{
    const auto *guard = static_cast<const TSqliteGuard *>(sqlite3_user_data(context));
    const bool allowed =
        sqlite3_value_type(argv[0]) != SQLITE_NULL && guard->m_companies.contains(int(sqlite3_value_int64(argv[0])));
    sqlite3_result_int(context, allowed ? 1 : 0);
}

// ze_escribir(kind, table, values...): the row a view's trigger hands over, written to the table.
void TSqliteGuard::Write(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    auto *guard = static_cast<TSqliteGuard *>(sqlite3_user_data(context));
    const QByteArray kind(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])));
    const QByteArray table(reinterpret_cast<const char *>(sqlite3_value_text(argv[1])));
    const auto sql = guard->m_statements.constFind(kind + table);
    if (sql == guard->m_statements.cend() || guard->m_mode == TMode::ClientRead) {
        sqlite3_result_error(context, "Escritura no permitida.", -1);
        return;
    }
    if (kind != "D") {
        const STableDef *t = TSchemaCatalog::Instance().Table(QString::fromUtf8(table));
        int company = -1;
        for (int i = 0; t && i < t->Columns.size(); ++i)
            if (t->Columns.at(i).Name == QStringLiteral("COD_EMPR"))
                company = i;
        if (company < 0 || sqlite3_value_type(argv[2 + company]) == SQLITE_NULL ||
            !guard->m_companies.contains(int(sqlite3_value_int64(argv[2 + company])))) {
            sqlite3_result_error(context, TDatabase::ForbiddenMessage().toUtf8().constData(), -1);
            return;
        }
    }
    sqlite3_stmt *st = nullptr;
    ++guard->m_nested;
    int rc = sqlite3_prepare_v2(guard->m_db, sql->constData(), int(sql->size()), &st, nullptr);
    for (int i = 2; rc == SQLITE_OK && i < argc; ++i)
        rc = sqlite3_bind_value(st, i - 1, argv[i]);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(st);
    --guard->m_nested;
    if (rc != SQLITE_DONE)
        sqlite3_result_error(context, sqlite3_errmsg(guard->m_db), -1);
    else
        sqlite3_result_null(context);
    sqlite3_finalize(st);
}

int TSqliteGuard::Authorize(void *self, int action, const char *a1, const char *a2, const char *schema,
                            const char *inner)
{
    return static_cast<const TSqliteGuard *>(self)->Decide(action, a1, a2, schema, inner);
}

int TSqliteGuard::Decide(int action, const char *a1, const char *a2, const char *schema, const char *inner) const
{
    if (m_nested > 0)
        return SQLITE_OK; // the guard's own write behind a view
    const bool server = m_mode == TMode::Server;
    const bool main = schema && qstrcmp(schema, "main") == 0;
    const bool temp = schema && qstrcmp(schema, "temp") == 0;
    const QByteArray table = QByteArray(a1).toUpper();
    switch (action) {
    case SQLITE_SELECT:
        return SQLITE_OK;
    case SQLITE_RECURSIVE:
        // A recursive query could grow a value past SQLite's limits, an error a client could make
        // depend on another company's row.
        return server ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_FUNCTION:
        // The write function only from the views' triggers; a client's own expressions only the
        // functions that cannot fail (the views and triggers the server made call their own).
        if (qstricmp(a2, "ze_escribir") == 0)
            return inner && startsWith(inner, "ze_") ? SQLITE_OK : SQLITE_DENY;
        return server || inner || clientMayCall(a2) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_READ:
        if (startsWith(a1, "sv_") || startsWith(a1, "sqlite_") || startsWith(a1, "pragma_") || !(main || temp))
            return SQLITE_DENY;
        // A company table read straight, not through its view, would show every company's rows.
        if (main && m_companyTables.contains(table) && !inner)
            return SQLITE_DENY;
        return SQLITE_OK;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
        return m_mode != TMode::ClientRead && temp && m_writable.contains(table) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_TRANSACTION:
    case SQLITE_SAVEPOINT:
        // The server's own transaction around a client's statement; a client's text is one SELECT,
        // INSERT, UPDATE or DELETE (checked before it is prepared), never transaction control.
        return SQLITE_OK;
    case SQLITE_PRAGMA:
        return server && qstricmp(a1, "query_only") == 0 ? SQLITE_OK : SQLITE_DENY;
    default:
        return SQLITE_DENY;
    }
}
