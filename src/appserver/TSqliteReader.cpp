#include "TSqliteReader.h"

#include "EAppServerError.h"
#include "TDatabase.h"
#include "TDateTimeText.h"
#include "TSqliteGuard.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDriver>
#include <sqlite3.h>

namespace {

// Prepared statements of this thread's connections, by connection and by kind and text. A thread
// keeps few connections and the module sends few distinct texts, so a small bound is enough.
//
// Held through a plain pointer: the thread's connections are closed by thread-exit code that may
// run after this file's thread storage is gone, and closing a connection forgets its statements;
// the cache is freed when its last connection is forgotten.
struct KeptStatement
{
    sqlite3_stmt *st = nullptr;
    // The columns as last described, for whom, and the names SQLite gave them then.
    const void *owner = nullptr;
    QList<QByteArray> names;
    TSqliteReader::TColumns columns;
};
struct StatementCache
{
    static constexpr int Capacity = 256;
    QHash<sqlite3 *, QHash<QByteArray, KeptStatement>> byConnection;
};
thread_local StatementCache *t_statements = nullptr;

QHash<QByteArray, KeptStatement> &statementsOf(sqlite3 *db)
{
    if (!t_statements)
        t_statements = new StatementCache;
    return t_statements->byConnection[db];
}

// A statement borrowed from the cache (or prepared for once), reset when the read ends so it holds
// no read transaction between calls.
struct Statement
{
    sqlite3_stmt *st = nullptr;
    bool cached = false;
    ~Statement()
    {
        if (cached) {
            sqlite3_reset(st);
            sqlite3_clear_bindings(st);
        } else {
            sqlite3_finalize(st);
        }
    }
};

sqlite3 *handleOf(const QSqlDatabase &qdb)
{
    const QVariant handle = qdb.driver() ? qdb.driver()->handle() : QVariant();
    return handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
}

// A statement the database refuses is the client's mistake (400), one the guard refuses a
// forbidden access (403); the message is the same on both databases.
[[noreturn]] void fail(sqlite3 *db)
{
    if (sqlite3_errcode(db) == SQLITE_AUTH)
        throw EAppServerError(403, TDatabase::ForbiddenMessage());
    if (sqlite3_errcode(db) == SQLITE_INTERRUPT)
        throw EAppServerError(400, TDatabase::TimeoutMessage());
    throw EAppServerError(400, QString::fromUtf8(sqlite3_errmsg(db)));
}

QString text(sqlite3_stmt *st, int i)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i));
}

QVariant stored(sqlite3_stmt *st, int i)
{
    switch (sqlite3_column_type(st, i)) {
    case SQLITE_INTEGER:
        return qlonglong(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT:
        return sqlite3_column_double(st, i);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
    case SQLITE_NULL:
        return QVariant();
    default:
        return text(st, i);
    }
}

QVariant typed(sqlite3_stmt *st, int i, TFieldType type)
{
    const int kind = sqlite3_column_type(st, i);
    if (kind == SQLITE_NULL)
        return QVariant();
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
        return kind == SQLITE_TEXT ? QVariant(text(st, i).toInt()) : QVariant(sqlite3_column_int(st, i));
    case TFieldType::ftLargeint:
        return kind == SQLITE_TEXT ? QVariant(text(st, i).toLongLong())
                                   : QVariant(qlonglong(sqlite3_column_int64(st, i)));
    case TFieldType::ftFloat:
        return kind == SQLITE_TEXT ? QVariant(text(st, i).toDouble()) : QVariant(sqlite3_column_double(st, i));
    case TFieldType::ftDateTime: {
        const QDateTime d = TDateTimeText::Parse(
            QByteArrayView(reinterpret_cast<const char *>(sqlite3_column_text(st, i)), sqlite3_column_bytes(st, i)));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TFieldType::ftBoolean:
        return sqlite3_column_int(st, i) != 0;
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo:
        return text(st, i);
    case TFieldType::ftBlob:
    case TFieldType::ftUnknown:
        break;
    }
    return stored(st, i);
}

} // namespace

void TSqliteReader::Forget(const QSqlDatabase &db)
{
    sqlite3 *handle = handleOf(db);
    if (!handle || !t_statements)
        return;
    for (const KeptStatement &kept : t_statements->byConnection.take(handle))
        sqlite3_finalize(kept.st);
    if (t_statements->byConnection.isEmpty()) {
        delete t_statements;
        t_statements = nullptr;
    }
}

TSqliteReader::SResult TSqliteReader::Read(const QSqlDatabase &qdb, const QString &sql, const QVariantList &values,
                                           const TDescribe &describe, const void *owner, int kind, int maxRows,
                                           qint64 maxBytes)
{
    sqlite3 *db = handleOf(qdb);
    if (!db)
        throw EAppServerError(500, QStringLiteral("La conexión SQLite no está abierta."));
    Statement s;
    const QByteArray utf8 = sql.toUtf8();
    const QByteArray key = QByteArray::number(kind) + '\0' + utf8;
    QHash<QByteArray, KeptStatement> &cache = statementsOf(db);
    auto kept = cache.find(key);
    if (kept == cache.end()) {
        if (kind == kClientKind)
            TSqliteGuard::CheckClientPlan(db, utf8);
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &s.st, &tail) != SQLITE_OK)
            fail(db);
        if (!s.st)
            throw EAppServerError(400, QStringLiteral("La consulta está vacía."));
        for (const char *p = tail; p && *p; ++p)
            if (!QChar::isSpace(uchar(*p)))
                throw EAppServerError(400, QStringLiteral("El texto de comando debe ser una sola sentencia."));
        if (cache.size() >= StatementCache::Capacity) {
            for (const KeptStatement &old : std::as_const(cache))
                sqlite3_finalize(old.st);
            cache.clear();
        }
        kept = cache.insert(key, KeptStatement{s.st, nullptr, {}, {}});
    }
    s.st = kept->st;
    s.cached = true;
    for (int i = 0; i < values.size(); ++i) {
        const QVariant v = TDatabase::ToDb(values.at(i));
        int rc = SQLITE_OK;
        if (!v.isValid() || v.isNull()) {
            rc = sqlite3_bind_null(s.st, i + 1);
        } else {
            switch (v.typeId()) {
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                rc = sqlite3_bind_int64(s.st, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(s.st, i + 1, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(s.st, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray t = v.toString().toUtf8();
                rc = sqlite3_bind_text(s.st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK)
            fail(db);
    }
    SResult result;
    const int n = sqlite3_column_count(s.st);
    bool known = kept->owner == owner && kept->columns && kept->names.size() == n;
    for (int i = 0; known && i < n; ++i)
        known = kept->names.at(i) == sqlite3_column_name(s.st, i);
    if (!known) {
        auto columns = std::make_shared<QList<SColumn>>();
        kept->names.clear();
        for (int i = 0; i < n; ++i) {
            kept->names << QByteArray(sqlite3_column_name(s.st, i));
            *columns << describe(i, QString::fromUtf8(kept->names.last()));
        }
        kept->owner = owner;
        kept->columns = std::move(columns);
    }
    result.Columns = kept->columns;
    const QList<SColumn> &columns = *result.Columns;
    int rc;
    qint64 bytes = 0;
    while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
        if (maxRows > 0 && result.Rows.size() >= maxRows)
            throw EAppServerError(400, TDatabase::TooManyRowsMessage(maxRows));
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i) {
            if (maxBytes > 0) {
                const int kind = sqlite3_column_type(s.st, i);
                bytes += kind == SQLITE_TEXT || kind == SQLITE_BLOB ? sqlite3_column_bytes(s.st, i) : 8;
            }
            row << typed(s.st, i, columns.at(i).Type);
        }
        if (maxBytes > 0 && bytes > maxBytes)
            throw EAppServerError(400, TDatabase::TooLargeMessage(maxBytes));
        result.Rows << std::move(row);
    }
    if (rc != SQLITE_DONE)
        fail(db);
    return result;
}
