#include "TDatabase.h"

#include "EAppServerError.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

namespace {

QAtomicInteger<quint64> g_nextId{1};

// Connection names this thread opened, closed when the thread ends. Held through a plain pointer
// so that a database object destroyed after this thread's storage (a static one, at exit) finds
// nothing to close instead of touching a destroyed object.
struct ThreadConnections
{
    QHash<quint64, QString> names;
    ~ThreadConnections()
    {
        for (const QString &name : std::as_const(names)) {
            {
                QSqlDatabase db = QSqlDatabase::database(name, false);
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
        }
    }
};

thread_local ThreadConnections *t_connections = nullptr;

struct ThreadReaper
{
    ~ThreadReaper()
    {
        delete t_connections;
        t_connections = nullptr;
    }
};
thread_local ThreadReaper t_reaper;

ThreadConnections &connections()
{
    if (!t_connections) {
        (void)&t_reaper; // registers the reaper for this thread
        t_connections = new ThreadConnections;
    }
    return *t_connections;
}

// Replaces each '?' outside quotes and comments by the driver's literal for the next value.
QString inlineValues(const QString &sql, const QVariantList &values, const QSqlDriver *driver)
{
    QString out;
    out.reserve(sql.size() + 16 * values.size());
    int next = 0;
    const int n = int(sql.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = i + 1;
            while (j < n && sql.at(j) != c)
                ++j;
            out += sql.mid(i, j + 1 - i);
            i = j;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = n;
            out += sql.mid(i, j - i);
            i = j - 1;
            continue;
        }
        if (c == QLatin1Char('?') && next < values.size()) {
            const QVariant v = values.at(next++);
            if (!v.isValid() || v.isNull()) {
                out += QStringLiteral("NULL");
            } else {
                QSqlField f(QString(), v.metaType());
                f.setValue(v);
                out += driver->formatValue(f);
            }
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

QString threadTag()
{
    return QString::number(reinterpret_cast<quintptr>(QThread::currentThreadId()), 16);
}


TDatabase::TDatabase(const QString &location)
    : m_location(location.trimmed()), m_postgres(IsPostgresLocation(location)), m_id(g_nextId.fetchAndAddRelaxed(1))
{
}

TDatabase::~TDatabase()
{
    CloseConnection();
}

bool TDatabase::IsPostgresLocation(const QString &location)
{
    const QString s = location.trimmed();
    return s.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive)
           || s.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

QSqlDatabase TDatabase::Connection()
{
    return Use(false);
}

QSqlDatabase TDatabase::QueryOnlyConnection()
{
    return Use(true);
}

QSqlDatabase TDatabase::Use(bool queryOnly)
{
    const quint64 key = m_id * 2 + (queryOnly ? 1 : 0);
    const auto it = connections().names.constFind(key);
    if (it != connections().names.cend()) {
        QSqlDatabase db = QSqlDatabase::database(*it, false);
        if (db.isOpen())
            return db;
    }
    const QString name = QStringLiteral("tolvane-%1-%2-%3").arg(m_id).arg(queryOnly ? 1 : 0).arg(threadTag());
    QSqlDatabase db = Open(name, queryOnly);
    connections().names.insert(key, name);
    return db;
}

void TDatabase::CloseConnection()
{
    if (!t_connections)
        return;
    for (const quint64 key : {m_id * 2, m_id * 2 + 1}) {
        const QString name = t_connections->names.take(key);
        if (name.isEmpty())
            continue;
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QSqlDatabase TDatabase::Open(const QString &name, bool queryOnly)
{
    if (QSqlDatabase::contains(name))
        QSqlDatabase::removeDatabase(name);
    QSqlDatabase db;
    if (m_postgres) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        const QUrl url(m_location);
        db.setHostName(url.host().isEmpty() ? QStringLiteral("127.0.0.1") : url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        QUrlQuery q(url);
        if (q.hasQueryItem(QStringLiteral("connect_timeout")))
            db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(q.queryItemValue(QStringLiteral("connect_timeout"))));
        else
            db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_location);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    }
    if (!db.open()) {
        const QString msg = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw EAppServerError(500, QStringLiteral("No fue posible abrir la base de datos: %1").arg(msg));
    }
    QSqlQuery q(db);
    if (m_postgres) {
        q.exec(QStringLiteral("SET client_min_messages TO WARNING"));
    } else {
        // WAL lets readers run while one writer holds the database.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        if (queryOnly)
            q.exec(QStringLiteral("PRAGMA query_only=ON"));
    }
    return db;
}

void TDatabase::Exec(const QString &sql)
{
    QSqlQuery q(Connection());
    if (!q.exec(sql))
        throw EAppServerError(500, q.lastError().text());
}

QSqlQuery TDatabase::Run(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(Connection());
    QString error;
    if (!Execute(q, sql, values, &error))
        throw EAppServerError(500, error);
    return q;
}

bool TDatabase::Execute(QSqlQuery &q, const QString &sql, const QVariantList &values, QString *error)
{
    q.setForwardOnly(true);
    bool ok = false;
    if (m_postgres) {
        // One round trip: values become escaped literals instead of PREPARE/EXECUTE/DEALLOCATE.
        QVariantList dbValues;
        for (const QVariant &v : values)
            dbValues << ToDb(v);
        ok = q.exec(values.isEmpty() ? sql : inlineValues(sql, dbValues, q.driver()));
    } else {
        ok = q.prepare(sql);
        if (ok) {
            for (const QVariant &v : values)
                q.addBindValue(ToDb(v));
            ok = q.exec();
        }
    }
    if (!ok && error) {
        const QSqlError e = q.lastError();
        *error = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    }
    return ok;
}

QString TDatabase::DateTimeText(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QVariant TDatabase::ToDb(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::QDateTime: return DateTimeText(value.toDateTime());
    case QMetaType::QDate: return DateTimeText(value.toDate().startOfDay());
    case QMetaType::Bool: return value.toBool() ? 1 : 0;
    default: return value;
    }
}

namespace {

// Digits at [from, from + count) as a number, or -1.
int digits(const QString &t, int from, int count)
{
    if (from + count > t.size())
        return -1;
    int v = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = t.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        v = v * 10 + (c - u'0');
    }
    return v;
}

// "yyyy-MM-dd", then optionally ' ' or 'T' and "HH:mm", ":ss", ".z" to ".zzz".
QDateTime parseFixed(const QString &t)
{
    const int y = digits(t, 0, 4), mo = digits(t, 5, 2), d = digits(t, 8, 2);
    if (y < 0 || mo < 0 || d < 0 || t.at(4) != u'-' || t.at(7) != u'-')
        return {};
    int h = 0, mi = 0, sec = 0, ms = 0;
    if (t.size() > 10) {
        if ((t.at(10) != u' ' && t.at(10) != u'T') || t.size() < 16 || t.at(13) != u':')
            return {};
        h = digits(t, 11, 2);
        mi = digits(t, 14, 2);
        if (t.size() > 16) {
            if (t.at(16) != u':' || (sec = digits(t, 17, 2)) < 0)
                return {};
            if (t.size() > 19) {
                const int n = int(t.size()) - 20;
                if (t.at(19) != u'.' || n < 1 || n > 3 || (ms = digits(t, 20, n)) < 0)
                    return {};
                for (int i = n; i < 3; ++i)
                    ms *= 10;
            }
        }
        if (h < 0 || mi < 0)
            return {};
    }
    const QDate date(y, mo, d);
    const QTime time(h, mi, sec, ms);
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time);
}

} // namespace

QDateTime TDatabase::ParseDateTime(const QString &text)
{
    // Many rows repeat the same few moments (process dates, validity dates): remember recent ones.
    thread_local QHash<QString, QDateTime> recent;
    const auto it = recent.constFind(text);
    if (it != recent.cend())
        return *it;
    const QString t = text.trimmed();
    QDateTime d = parseFixed(t);
    if (!d.isValid())
        d = QDateTime::fromString(t, Qt::ISODateWithMs);
    if (recent.size() > 512)
        recent.clear();
    recent.insert(text, d);
    return d;
}

QVariant TDatabase::FromDb(const QVariant &value, TFieldType type)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (type) {
    case TFieldType::ftDateTime: {
        if (value.typeId() == QMetaType::QDateTime) {
            // Wall-clock value as stored: drop any zone the driver attached.
            const QDateTime d = value.toDateTime();
            return QDateTime(d.date(), d.time());
        }
        if (value.typeId() == QMetaType::QDate)
            return value.toDate().startOfDay();
        const QDateTime d = ParseDateTime(value.toString());
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger: return value.toInt();
    case TFieldType::ftLargeint: return value.toLongLong();
    case TFieldType::ftFloat: return value.toDouble();
    case TFieldType::ftBoolean: return value.toBool();
    case TFieldType::ftBlob: return value.toByteArray();
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo: return value.toString();
    case TFieldType::ftUnknown: break;
    }
    return value;
}
