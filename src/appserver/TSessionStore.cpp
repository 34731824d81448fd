#include "TSessionStore.h"

#include "TDatabase.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSqlQuery>
#include <sodium.h>

namespace {
// The last use is written at most once a minute per token: a busy client costs no write per request.
constexpr qint64 kTouchSeconds = 60;

QString hashOf(const QString &token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toLatin1(), QCryptographicHash::Sha256).toHex());
}

// A session this thread read on SQLite, with the database's content stamp of that read: while the
// stamp is unchanged nothing was committed anywhere (no revocation, no change of the user's
// companies, no use recorded by another process), so the row read then is the row now.
struct SKnownSession
{
    const TDatabase *Database = nullptr;
    QByteArray Stamp;
    TSessionStore::SSession Session;
    qint64 LastUse = 0;
};
thread_local QHash<QString, SKnownSession> t_known; // by token
} // namespace

TSessionStore::TSessionStore(TDatabase &db) : m_db(db)
{}

QString TSessionStore::Create(const QString &user, const QDateTime &now)
{
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    const QString token = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(bytes), sizeof bytes).toHex());
    const qint64 t = now.toSecsSinceEpoch();
    m_db.Run(QStringLiteral("DELETE FROM SV_SESIO WHERE FEC_USOS < ?"), {t - kIdleSeconds});
    m_db.Run(QStringLiteral("INSERT INTO SV_SESIO (HAS_TOKE, NOM_USUA, FEC_USOS) VALUES (?, ?, ?)"),
             {hashOf(token), user, t});
    return token;
}

std::optional<TSessionStore::SSession> TSessionStore::Resolve(const QString &token, const QDateTime &now)
{
    if (token.size() != 64)
        return std::nullopt;
    SSession session;
    qint64 lastUse = 0;
    bool found = false;
    const QByteArray stamp = m_db.ContentStamp();
    const auto known = stamp.isEmpty() ? t_known.constEnd() : t_known.constFind(token);
    if (known != t_known.constEnd() && known->Database == &m_db && known->Stamp == stamp) {
        session = known->Session;
        lastUse = known->LastUse;
        found = true;
    } else {
        // Asked at every request whose token this thread has not read under the present stamp.
        static const QString sql =
            QStringLiteral("SELECT S.NOM_USUA, S.FEC_USOS, U.COD_EMPR FROM SV_SESIO S"
                           " LEFT JOIN SV_USEMP U ON U.NOM_USUA = S.NOM_USUA WHERE S.HAS_TOKE = ?");
        const QList<QVariantList> rows = m_db.Rows(sql, {hashOf(token)});
        for (const QVariantList &row : std::as_const(rows)) {
            found = true;
            session.User = row.value(0).toString();
            lastUse = row.value(1).toLongLong();
            if (!row.value(2).isNull())
                session.Companies.insert(row.value(2).toInt());
        }
        if (!stamp.isEmpty()) {
            if (t_known.size() >= 64)
                t_known.clear();
            if (found)
                t_known.insert(token, {&m_db, stamp, session, lastUse});
            else
                t_known.remove(token);
        }
    }
    if (!found)
        return std::nullopt;
    // Either write below changes the stamp: the next request reads the row again.
    const qint64 t = now.toSecsSinceEpoch();
    if (t - lastUse > kIdleSeconds) {
        m_db.Run(QStringLiteral("DELETE FROM SV_SESIO WHERE HAS_TOKE = ?"), {hashOf(token)});
        return std::nullopt;
    }
    if (t - lastUse >= kTouchSeconds)
        m_db.Run(QStringLiteral("UPDATE SV_SESIO SET FEC_USOS = ? WHERE HAS_TOKE = ? AND FEC_USOS < ?"),
                 {t, hashOf(token), t});
    return session;
}

void TSessionStore::Revoke(const QString &user)
{
    m_db.Run(QStringLiteral("DELETE FROM SV_SESIO WHERE NOM_USUA = ?"), {user});
}
