#include "TSqliteReader.h"

#include "EAppServerError.h"
#include "TDatabase.h"

#include <QDateTime>
#include <QSqlDriver>
#include <sqlite3.h>

namespace {

struct Statement
{
    sqlite3_stmt *st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
};

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
    case SQLITE_INTEGER: return qlonglong(sqlite3_column_int64(st, i));
    case SQLITE_FLOAT: return sqlite3_column_double(st, i);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(st, i)), sqlite3_column_bytes(st, i));
    case SQLITE_NULL: return QVariant();
    default: return text(st, i);
    }
}

QVariant typed(sqlite3_stmt *st, int i, TFieldType type)
{
    const int kind = sqlite3_column_type(st, i);
    if (kind == SQLITE_NULL)
        return QVariant();
    switch (type) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger: return kind == SQLITE_TEXT ? QVariant(text(st, i).toInt()) : QVariant(sqlite3_column_int(st, i));
    case TFieldType::ftLargeint:
        return kind == SQLITE_TEXT ? QVariant(text(st, i).toLongLong()) : QVariant(qlonglong(sqlite3_column_int64(st, i)));
    case TFieldType::ftFloat: return kind == SQLITE_TEXT ? QVariant(text(st, i).toDouble()) : QVariant(sqlite3_column_double(st, i));
    case TFieldType::ftDateTime: {
        const QDateTime d = TDatabase::ParseDateTime(text(st, i));
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TFieldType::ftBoolean: return sqlite3_column_int(st, i) != 0;
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo: return text(st, i);
    case TFieldType::ftBlob:
    case TFieldType::ftUnknown: break;
    }
    return stored(st, i);
}

} // namespace

TSqliteReader::SResult TSqliteReader::Read(const QSqlDatabase &qdb, const QString &sql, const QVariantList &values,
                                           const TTypeOf &typeOf)
{
    const QVariant handle = qdb.driver()->handle();
    sqlite3 *db = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
    if (!db)
        throw EAppServerError(500, QStringLiteral("La conexión SQLite no está abierta."));
    Statement s;
    const QByteArray utf8 = sql.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &s.st, &tail) != SQLITE_OK)
        fail(db);
    if (!s.st)
        throw EAppServerError(400, QStringLiteral("La consulta está vacía."));
    for (const char *p = tail; p && *p; ++p)
        if (!QChar::isSpace(uchar(*p)))
            throw EAppServerError(400, QStringLiteral("El texto de comando debe ser una sola sentencia."));
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
            case QMetaType::UShort: rc = sqlite3_bind_int64(s.st, i + 1, v.toLongLong()); break;
            case QMetaType::Double:
            case QMetaType::Float: rc = sqlite3_bind_double(s.st, i + 1, v.toDouble()); break;
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
    QList<TFieldType> types;
    for (int i = 0; i < n; ++i) {
        result.Names << QString::fromUtf8(sqlite3_column_name(s.st, i));
        types << typeOf(i, result.Names.last().toUpper());
    }
    int rc;
    while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(n);
        for (int i = 0; i < n; ++i)
            row << typed(s.st, i, types.at(i));
        result.Rows << std::move(row);
    }
    if (rc != SQLITE_DONE)
        fail(db);
    return result;
}
