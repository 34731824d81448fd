#include "TPgStatement.h"

#include "EAppServerError.h"
#include "EDatabaseLost.h"
#include "TDatabase.h"
#include "TDateTimeText.h"

#include <QDateTime>
#include <QSqlDriver>
#include <libpq-fe.h>
#include <memory>

namespace {

// PostgreSQL type numbers (pg_type.oid) of the values a client query answers.
enum : Oid {
    kBool = 16,
    kBytea = 17,
    kInt8 = 20,
    kInt2 = 21,
    kInt4 = 23,
    kOid = 26,
    kFloat4 = 700,
    kFloat8 = 701,
    kDate = 1082,
    kTime = 1083,
    kTimestamp = 1114,
    kTimestampTz = 1184,
    kNumeric = 1700
};

struct ResultDeleter
{
    void operator()(PGresult *r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

QMetaType metaTypeOf(Oid type)
{
    switch (type) {
    case kBool:
        return QMetaType::fromType<bool>();
    case kBytea:
        return QMetaType::fromType<QByteArray>();
    case kInt8:
        return QMetaType::fromType<qlonglong>();
    case kInt2:
    case kInt4:
    case kOid:
        return QMetaType::fromType<int>();
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QMetaType::fromType<double>();
    case kDate:
        return QMetaType::fromType<QDate>();
    case kTime:
        return QMetaType::fromType<QTime>();
    case kTimestamp:
    case kTimestampTz:
        return QMetaType::fromType<QDateTime>();
    default:
        return QMetaType::fromType<QString>();
    }
}

// A value as PostgreSQL writes it in text form, as the type its column has.
QVariant valueOf(const PGresult *r, int row, int column, Oid type)
{
    if (PQgetisnull(r, row, column))
        return QVariant();
    const char *text = PQgetvalue(r, row, column);
    const int size = PQgetlength(r, row, column);
    switch (type) {
    case kBool:
        return text[0] == 't';
    case kInt8:
        return QByteArray::fromRawData(text, size).toLongLong();
    case kInt2:
    case kInt4:
    case kOid:
        return QByteArray::fromRawData(text, size).toInt();
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return QByteArray::fromRawData(text, size).toDouble();
    case kDate:
        return QDate::fromString(QString::fromLatin1(text, size), Qt::ISODate);
    case kTime:
        return QTime::fromString(QString::fromLatin1(text, size), Qt::ISODateWithMs);
    case kTimestamp:
    case kTimestampTz: {
        // "yyyy-MM-dd HH:mm:ss[.ffffff][+zz]": the wall-clock time to milliseconds, as the server stores it.
        qsizetype length = size;
        for (qsizetype i = 19; i < size; ++i)
            if (text[i] == '+' || text[i] == '-') {
                length = i;
                break;
            }
        return TDateTimeText::Parse(QByteArrayView(text, std::min<qsizetype>(length, 23)));
    }
    case kBytea: // hex form: \x0a1b...
        return size >= 2 && text[0] == '\\' && text[1] == 'x'
                   ? QByteArray::fromHex(QByteArray::fromRawData(text + 2, size - 2))
                   : QByteArray(text, size);
    default:
        return QString::fromUtf8(text, size);
    }
}

// What a refused or failed statement tells the client: the same texts as on SQLite, never the
// driver's raw report (no process ids, no connection details).
[[noreturn]] void fail(PGconn *conn, const PGresult *r)
{
    if (PQstatus(conn) == CONNECTION_BAD)
        throw EDatabaseLost();
    const QByteArray state = r ? QByteArray(PQresultErrorField(r, PG_DIAG_SQLSTATE)) : QByteArray();
    if (state == "42501")
        throw EAppServerError(403, TDatabase::ForbiddenMessage());
    if (state == "57014")
        throw EAppServerError(400, TDatabase::TimeoutMessage());
    if (state.startsWith("08") || state == "57P01" || state == "57P02" || state == "57P03")
        throw EDatabaseLost();
    const QString primary = r ? QString::fromUtf8(PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY)) : QString();
    if (state == "42601" && primary.contains(QStringLiteral("multiple commands")))
        throw EAppServerError(400, QStringLiteral("El texto de comando debe ser una sola sentencia."));
    throw EAppServerError(400, primary.isEmpty() ? QStringLiteral("La base de datos rechazó la sentencia.") : primary);
}

// Stops a statement whose answer is over a limit and reads what is left of it, so that the
// connection is free for the next statement.
void abandon(PGconn *conn)
{
    if (PGcancel *cancel = PQgetCancel(conn)) {
        char error[256];
        PQcancel(cancel, error, sizeof error);
        PQfreeCancel(cancel);
    }
    while (PGresult *rest = PQgetResult(conn))
        PQclear(rest);
}

} // namespace

TPgStatement::SResult TPgStatement::Run(const QSqlDatabase &db, const QString &sql, const QVariantList &values,
                                        int maxRows, qint64 maxBytes)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    PGconn *conn = handle.isValid() ? *static_cast<PGconn *const *>(handle.data()) : nullptr;
    if (!conn || PQstatus(conn) != CONNECTION_OK)
        throw EDatabaseLost();

    // Values in text form; numbers typed as the literals the module would write (so "? + 1" adds),
    // texts and dates of unknown type (PostgreSQL takes them as the column they meet), bytes as bytes.
    const int n = int(values.size());
    QList<QByteArray> texts(n);
    std::vector<Oid> types(n, 0);
    std::vector<const char *> pointers(n, nullptr);
    std::vector<int> lengths(n, 0), formats(n, 0);
    for (int i = 0; i < n; ++i) {
        const QVariant v = TDatabase::ToDb(values.at(i));
        if (!v.isValid() || v.isNull())
            continue;
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            texts[i] = QByteArray::number(v.toLongLong());
            types[i] = v.toLongLong() == qint32(v.toLongLong()) ? kInt4 : kInt8;
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            texts[i] = QByteArray::number(v.toDouble(), 'g', 17);
            types[i] = kNumeric;
            break;
        case QMetaType::QByteArray:
            texts[i] = v.toByteArray();
            types[i] = kBytea;
            formats[i] = 1;
            break;
        default:
            texts[i] = v.toString().toUtf8();
            if (texts[i].contains('\0'))
                throw EAppServerError(400, QStringLiteral("Un valor de texto contiene el carácter nulo."));
        }
        pointers[i] = texts[i].constData();
        lengths[i] = int(texts[i].size());
    }
    const QByteArray text = sql.toUtf8();
    if (!PQsendQueryParams(conn, text.constData(), n, types.data(), pointers.data(), lengths.data(), formats.data(), 0))
        fail(conn, nullptr);
    PQsetSingleRowMode(conn);

    SResult out;
    qint64 bytes = 0;
    Result error;
    while (PGresult *raw = PQgetResult(conn)) {
        Result r(raw);
        const ExecStatusType status = PQresultStatus(r.get());
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
            out.Affected = QByteArray(PQcmdTuples(r.get())).toInt(); // also of an UPDATE ... RETURNING
        if (status == PGRES_SINGLE_TUPLE || (status == PGRES_TUPLES_OK && out.Names.isEmpty())) {
            if (out.Names.isEmpty()) {
                out.Select = true;
                for (int c = 0; c < PQnfields(r.get()); ++c) {
                    out.Names << QString::fromUtf8(PQfname(r.get(), c));
                    out.Types << metaTypeOf(PQftype(r.get(), c));
                }
            }
            for (int row = 0; row < PQntuples(r.get()); ++row) {
                if (maxRows > 0 && out.Rows.size() >= maxRows) {
                    abandon(conn);
                    throw EAppServerError(400, TDatabase::TooManyRowsMessage(maxRows));
                }
                QVariantList values;
                values.reserve(out.Names.size());
                for (int c = 0; c < out.Names.size(); ++c) {
                    bytes += PQgetlength(r.get(), row, c);
                    values << valueOf(r.get(), row, c, PQftype(r.get(), c));
                }
                if (maxBytes > 0 && bytes > maxBytes) {
                    abandon(conn);
                    throw EAppServerError(400, TDatabase::TooLargeMessage(maxBytes));
                }
                out.Rows << std::move(values);
            }
        } else if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK && !error) {
            error = std::move(r); // the rest of the results are read before the connection is free
        }
    }
    if (error)
        fail(conn, error.get());
    if (PQstatus(conn) != CONNECTION_OK)
        throw EDatabaseLost();
    return out;
}
