#include "TDatabase.h"

#include "EAppServerError.h"
#include "TSqliteReader.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QFile>
#include <QFileInfo>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <atomic>
#include <sys/stat.h>

#include "TSqlText.h"
#include "TSqliteGuard.h"
#include "TDateTimeText.h"

namespace {

QAtomicInteger<quint64> g_nextId{1};

// What one thread holds of one database: the server's own connection, the user's connection (the
// one the database restricts) and the request now running on it.
struct SThreadState
{
    QString Owner; // connection names
    QString User;
    TSqliteGuard *Guard = nullptr; // SQLite: belongs to the user's connection
    int Pid = 0;                   // PostgreSQL: server process of the user's connection
    QSet<int> Written;             // PostgreSQL: companies last written to SV_PERMI for that process
    bool WrittenValid = false;
    const QSet<int> *Scope = nullptr; // the companies of the request running on this thread
};

// Connections closed so far, by any thread: counted in every content stamp, so a stamp never matches
// one a closed connection gave.
std::atomic<quint64> g_closedConnections{0};

void closeNamed(const QString &name)
{
    if (name.isEmpty())
        return;
    ++g_closedConnections;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driverName() == QStringLiteral("QSQLITE"))
            TSqliteReader::Forget(db); // kept statements go before their connection
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

// Connections this thread opened, closed when the thread ends. Held through a plain pointer so that
// a database object destroyed after this thread's storage (a static one, at exit) finds nothing to
// close instead of touching a destroyed object.
struct ThreadConnections
{
    QHash<quint64, SThreadState> states;
    ~ThreadConnections()
    {
        for (const SThreadState &s : std::as_const(states)) {
            closeNamed(s.User);
            closeNamed(s.Owner);
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

QString threadTag()
{
    return QString::number(reinterpret_cast<quintptr>(QThread::currentThreadId()), 16);
}

// The role of a database's users on PostgreSQL: one per database, named after it.
QString userRoleOf(const QString &database)
{
    return (database.toLower() + QStringLiteral("_usuarios")).left(63);
}

// A failure that means the connection is gone rather than the statement refused: PostgreSQL's
// connection classes and administrator shutdowns, SQLite's file that can no longer be read.
bool lostCode(const QSqlError &e)
{
    const QString code = e.nativeErrorCode();
    if (code.startsWith(QStringLiteral("08")) || code == QStringLiteral("57P01") || code == QStringLiteral("57P02") ||
        code == QStringLiteral("57P03"))
        return true;
    bool number = false;
    const int lite = code.toInt(&number);
    return number && ((lite & 0xff) == SQLITE_IOERR || (lite & 0xff) == SQLITE_CANTOPEN);
}

// Whether the database ended a PostgreSQL connection (SQLite's never end by themselves).
bool lostDriver(const QSqlDriver *driver)
{
    if (!driver || driver->dbmsType() != QSqlDriver::PostgreSQL)
        return false;
    const QVariant handle = driver->handle();
    if (!handle.isValid())
        return true;
    PGconn *conn = *static_cast<PGconn *const *>(handle.data());
    return !conn || PQstatus(conn) == CONNECTION_BAD;
}

} // namespace

TDatabase::TDatabase(const QString &location)
    : m_location(location.trimmed()), m_postgres(IsPostgresLocation(location)), m_id(g_nextId.fetchAndAddRelaxed(1))
{}

TDatabase::~TDatabase()
{
    CloseConnection();
}

bool TDatabase::IsPostgresLocation(const QString &location)
{
    const QString s = location.trimmed();
    return s.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
           s.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
}

QString TDatabase::UserRole() const
{
    return userRoleOf(QUrl(m_location).path().mid(1));
}

QSqlDatabase TDatabase::Connection()
{
    if (t_connections) {
        const auto it = t_connections->states.constFind(m_id);
        if (it != t_connections->states.cend() && it->Scope)
            return UserConnection();
    }
    return OwnerConnection();
}

QSqlDatabase TDatabase::OwnerConnection()
{
    SThreadState &state = connections().states[m_id];
    QSqlDatabase db = QSqlDatabase::database(state.Owner, false);
    if (!state.Owner.isEmpty() && db.isOpen() && !lostDriver(db.driver()))
        return db;
    // A connection the database ended is opened anew. The statement that found it ended raised
    // EDatabaseLost, so no transaction of it goes on on the new one.
    db = QSqlDatabase();
    closeNamed(state.Owner);
    state.Owner = QStringLiteral("tolvane-%1-0-%2").arg(m_id).arg(threadTag());
    return Open(state.Owner, false);
}

QSqlDatabase TDatabase::UserConnection()
{
    SThreadState &state = connections().states[m_id];
    QSqlDatabase db = QSqlDatabase::database(state.User, false);
    if (state.User.isEmpty() || !db.isOpen() || lostDriver(db.driver())) {
        db = QSqlDatabase();
        closeNamed(state.User);
        state.User = QStringLiteral("tolvane-%1-1-%2").arg(m_id).arg(threadTag());
        state.Guard = nullptr;
        state.WrittenValid = false;
        db = Open(state.User, true);
        if (m_postgres) {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT pg_backend_pid()")) || !q.next()) {
                if (lostDriver(q.driver()))
                    throw EDatabaseLost();
                throw EAppServerError(503, QStringLiteral("No fue posible abrir la conexión del usuario."));
            }
            state.Pid = q.value(0).toInt();
            QSqlQuery owner(OwnerConnection());
            owner.exec(QStringLiteral("DELETE FROM SV_PERMI WHERE NUM_PROC = %1").arg(state.Pid));
        } else {
            const QVariant handle = db.driver()->handle();
            state.Guard = TSqliteGuard::Install(*static_cast<sqlite3 *const *>(handle.data()));
        }
    }
    const QSet<int> companies = state.Scope ? *state.Scope : QSet<int>();
    if (state.Guard) {
        state.Guard->SetCompanies(companies);
    } else if (m_postgres && (!state.WrittenValid || state.Written != companies)) {
        // The row policies read the companies of this process from SV_PERMI, which only the server writes.
        QSqlQuery owner(OwnerConnection());
        QStringList rows;
        for (int c : companies)
            rows << QStringLiteral("(%1, %2)").arg(state.Pid).arg(c);
        const QString sql =
            QStringLiteral("BEGIN; DELETE FROM SV_PERMI WHERE NUM_PROC = %1; %2 COMMIT")
                .arg(state.Pid)
                .arg(rows.isEmpty() ? QString()
                                    : QStringLiteral("INSERT INTO SV_PERMI (NUM_PROC, COD_EMPR) VALUES %1;")
                                          .arg(rows.join(QStringLiteral(", "))));
        if (!owner.exec(sql)) {
            if (lostDriver(owner.driver()))
                throw EDatabaseLost();
            owner.exec(QStringLiteral("ROLLBACK"));
            throw EAppServerError(503, QStringLiteral("No fue posible fijar las empresas del usuario."));
        }
        state.Written = companies;
        state.WrittenValid = true;
    }
    return db;
}

void TDatabase::BeginUser(const QSet<int> *companies)
{
    connections().states[m_id].Scope = companies;
}

void TDatabase::EndUser()
{
    if (t_connections && t_connections->states.contains(m_id))
        t_connections->states[m_id].Scope = nullptr;
}

void TDatabase::SetClientStatement(TClientMode mode)
{
    if (mode != TClientMode::None)
        UserConnection(); // the guard exists before the client's text is prepared
    if (!t_connections || !t_connections->states.contains(m_id))
        return;
    SThreadState &state = t_connections->states[m_id];
    if (state.Guard)
        state.Guard->SetMode(mode == TClientMode::None   ? TSqliteGuard::TMode::Server
                             : mode == TClientMode::Read ? TSqliteGuard::TMode::ClientRead
                                                         : TSqliteGuard::TMode::ClientWrite,
                             ClientMilliseconds());
    if (m_postgres && mode == TClientMode::None && !state.User.isEmpty()) {
        // Whatever a client's statement set for the session (set_config(..., false)) ends with it.
        QSqlQuery q(QSqlDatabase::database(state.User, false));
        q.exec(QStringLiteral("RESET ALL"));
    }
}

int &TDatabase::RequestDepth()
{
    thread_local int depth = 0;
    return depth;
}

bool TDatabase::IsLost(const QSqlDatabase &db)
{
    if (!db.isOpen())
        return true;
    return lostDriver(db.driver());
}

void TDatabase::DropLostConnections()
{
    if (!m_postgres || !t_connections || !t_connections->states.contains(m_id))
        return;
    const SThreadState &state = t_connections->states[m_id];
    bool lost = false;
    for (const QString &name : {state.Owner, state.User}) {
        if (name.isEmpty())
            continue;
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (!db.isOpen())
            continue;
        // Reads what the database sent since the last statement without waiting: a connection the
        // database ended (restart, pg_terminate_backend) shows up as closed.
        PGconn *conn = *static_cast<PGconn *const *>(db.driver()->handle().data());
        if (conn && PQtransactionStatus(conn) == PQTRANS_IDLE)
            PQconsumeInput(conn);
        lost = lost || IsLost(db);
    }
    if (lost)
        CloseConnection();
}

void TDatabase::CloseConnection()
{
    if (!t_connections)
        return;
    const SThreadState state = t_connections->states.take(m_id);
    closeNamed(state.User);
    closeNamed(state.Owner);
}

QSqlDatabase TDatabase::Open(const QString &name, bool user)
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
        if (user) {
            // The users' role, whose login the schema made and only the server's own role may read.
            QSqlQuery q(OwnerConnection());
            if (!q.exec(QStringLiteral("SELECT CLA_ROLE FROM SV_ROLES WHERE NOM_ROLE = '%1'").arg(UserRole())) ||
                !q.next())
                throw EAppServerError(
                    503,
                    QStringLiteral("La base de datos no tiene el rol de los usuarios; ejecute tolvane-server init."));
            db.setUserName(UserRole());
            db.setPassword(q.value(0).toString());
        }
        QUrlQuery q(url);
        if (q.hasQueryItem(QStringLiteral("connect_timeout")))
            db.setConnectOptions(
                QStringLiteral("connect_timeout=%1").arg(q.queryItemValue(QStringLiteral("connect_timeout"))));
        else
            db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_location);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
        // A new database file is readable by its owner only.
        if (!QFileInfo::exists(m_location)) {
            const mode_t old = ::umask(077);
            const bool ok = db.open();
            ::umask(old);
            if (ok)
                QFile::setPermissions(m_location, QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    if (!db.isOpen() && !db.open()) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw EAppServerError(503, QStringLiteral("No fue posible abrir la base de datos."));
    }
    QSqlQuery q(db);
    if (m_postgres) {
        q.exec(QStringLiteral("SET client_min_messages TO WARNING"));
    } else {
        // WAL lets readers run while one writer holds the database.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        q.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
    }
    return db;
}

void TDatabase::Exec(const QString &sql)
{
    QSqlQuery q(Connection());
    if (!q.exec(sql)) {
        if (lostCode(q.lastError()) || lostDriver(q.driver()))
            throw EDatabaseLost();
        throw EAppServerError(500, q.lastError().databaseText().isEmpty() ? q.lastError().text()
                                                                          : q.lastError().databaseText());
    }
}

QSqlQuery TDatabase::Run(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(Connection());
    QString error;
    if (!Execute(q, sql, values, &error))
        throw EAppServerError(500, error);
    return q;
}

QList<QVariantList> TDatabase::Rows(const QString &sql, const QVariantList &values)
{
    if (!m_postgres) {
        static const char owner = 0;
        return TSqliteReader::Read(
                   Connection(), sql, values,
                   [](int, const QString &name) {
                       TSqliteReader::SColumn column;
                       column.Name = name;
                       return column;
                   },
                   &owner)
            .Rows;
    }
    QSqlQuery q = Run(sql, values);
    QList<QVariantList> rows;
    const int columns = q.record().count();
    while (q.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << q.value(i);
        rows << row;
    }
    return rows;
}

QByteArray TDatabase::ContentStamp()
{
    if (m_postgres)
        return {};
    const QList<QVariantList> rows = Rows(QStringLiteral("PRAGMA data_version"));
    const QVariant handle = Connection().driver()->handle();
    sqlite3 *lite = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
    if (rows.isEmpty() || !lite)
        return {};
    // data_version moves with the commits of every other connection, total_changes with this one's.
    return QByteArray::number(rows.constFirst().value(0).toLongLong()) + ' ' +
           QByteArray::number(sqlite3_total_changes64(lite)) + ' ' + QByteArray::number(quintptr(lite)) + ' ' +
           QByteArray::number(g_closedConnections.load());
}

bool TDatabase::Execute(QSqlQuery &q, const QString &sql, const QVariantList &values, QString *error, int *affected)
{
    q.setForwardOnly(true);
    bool ok = false;
    sqlite3 *lite = nullptr;
    if (!m_postgres && affected) {
        const QVariant handle = q.driver()->handle();
        lite = handle.isValid() ? *static_cast<sqlite3 *const *>(handle.data()) : nullptr;
    }
    const qint64 before = lite ? sqlite3_total_changes64(lite) : 0;
    if (m_postgres) {
        // One round trip: values become escaped literals instead of PREPARE/EXECUTE/DEALLOCATE.
        const QSqlDriver *driver = q.driver();
        ok = q.exec(values.isEmpty() ? sql : TSqlText(sql, TSqlText::TDialect::Postgres).Substituted([&](int i) {
            const QVariant v = i < values.size() ? ToDb(values.at(i)) : QVariant();
            if (!v.isValid() || v.isNull())
                return QStringLiteral("NULL");
            QSqlField f(QString(), v.metaType());
            f.setValue(v);
            return driver->formatValue(f);
        }));
    } else {
        // A client's statement (EjecutarSql) is refused before it runs when its plan would check its
        // conditions before the company filter.
        const auto state =
            t_connections ? t_connections->states.constFind(m_id) : decltype(t_connections->states.constFind(m_id))();
        const QVariant handle = q.driver()->handle();
        if (t_connections && state != t_connections->states.cend() && state->Guard &&
            state->Guard->Mode() != TSqliteGuard::TMode::Server && handle.isValid())
            TSqliteGuard::CheckClientPlan(*static_cast<sqlite3 *const *>(handle.data()), sql.toUtf8());
        ok = q.prepare(sql);
        if (ok) {
            for (const QVariant &v : values)
                q.addBindValue(ToDb(v));
            ok = q.exec();
        }
    }
    if (ok && affected)
        // SQLite: rows written behind a user's views count too (the view itself reports none).
        *affected = lite ? int(sqlite3_total_changes64(lite) - before) : q.numRowsAffected();
    if (!ok && (lostCode(q.lastError()) || lostDriver(q.driver())))
        throw EDatabaseLost();
    if (!ok && error) {
        const QSqlError e = q.lastError();
        const QString code = e.nativeErrorCode();
        if (code == QStringLiteral("42501") || code == QStringLiteral("23") /* SQLITE_AUTH */)
            *error = ForbiddenMessage();
        else if (code == QStringLiteral("57014") || code == QStringLiteral("9") /* SQLITE_INTERRUPT */)
            *error = TimeoutMessage();
        else
            *error = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    }
    return ok;
}

QString TDatabase::ForbiddenMessage()
{
    return QStringLiteral("La sentencia usa tablas o filas que el usuario no puede usar.");
}

QString TDatabase::TimeoutMessage()
{
    return QStringLiteral("La consulta superó el tiempo máximo permitido.");
}

QString TDatabase::TooManyRowsMessage(int maxRows)
{
    return QStringLiteral("La consulta devuelve más de %1 filas; acótela con más condiciones.").arg(maxRows);
}

QString TDatabase::TooLargeMessage(qint64 maxBytes)
{
    const QString size = maxBytes >= (qint64(1) << 20) && maxBytes % (qint64(1) << 20) == 0
                             ? QStringLiteral("%1 MB").arg(maxBytes >> 20)
                             : QStringLiteral("%1 bytes").arg(maxBytes);
    return QStringLiteral("La respuesta de la consulta supera %1; acótela con más condiciones.").arg(size);
}

void TDatabase::SetClientLimits(int milliseconds, int maxRows, qint64 maxBytes)
{
    m_clientMilliseconds = std::max(1, milliseconds);
    m_clientMaxRows = std::max(1, maxRows);
    m_clientMaxBytes = std::max<qint64>(1, maxBytes);
}

QString TDatabase::DateTimeText(const QDateTime &value)
{
    // Written digit by digit: every parameter of every count is a date, and QDateTime::toString
    // goes through the locale and the calendar for each.
    const QDate d = value.date();
    const QTime t = value.time();
    if (!d.isValid() || d.year() < 1 || d.year() > 9999)
        return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    char16_t text[23];
    auto put = [&text](int at, int number, int width) {
        for (int i = width - 1; i >= 0; --i, number /= 10)
            text[at + i] = char16_t(u'0' + number % 10);
    };
    put(0, d.year(), 4);
    text[4] = u'-';
    put(5, d.month(), 2);
    text[7] = u'-';
    put(8, d.day(), 2);
    text[10] = u' ';
    put(11, t.hour(), 2);
    text[13] = u':';
    put(14, t.minute(), 2);
    text[16] = u':';
    put(17, t.second(), 2);
    text[19] = u'.';
    put(20, t.msec(), 3);
    return QString(reinterpret_cast<const QChar *>(text), 23);
}

QVariant TDatabase::ToDb(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return DateTimeText(value.toDateTime());
    case QMetaType::QDate:
        return DateTimeText(value.toDate().startOfDay());
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        return value;
    }
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
        const QDateTime d = TDateTimeText::Parse(value.toString());
        return d.isValid() ? QVariant(d) : QVariant();
    }
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
        return value.toInt();
    case TFieldType::ftLargeint:
        return value.toLongLong();
    case TFieldType::ftFloat:
        return value.toDouble();
    case TFieldType::ftBoolean:
        return value.toBool();
    case TFieldType::ftBlob:
        return value.toByteArray();
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo:
        return value.toString();
    case TFieldType::ftUnknown:
        break;
    }
    return value;
}
