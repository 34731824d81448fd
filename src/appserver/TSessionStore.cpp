#include "TSessionStore.h"

#include "TDatabase.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <sodium.h>

namespace {
// The last use is written at most once a minute per token: a busy client costs no write per request.
constexpr qint64 kTouchSeconds = 60;

QString hashOf(const QString &token)
{
    return QString::fromLatin1(QCryptographicHash::hash(token.toLatin1(), QCryptographicHash::Sha256).toHex());
}
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
    const QString hash = hashOf(token);
    SSession session;
    qint64 lastUse = 0;
    bool found = false;
    {
        // Asked at every request.
        static const QString sql =
            QStringLiteral("SELECT S.NOM_USUA, S.FEC_USOS, U.COD_EMPR FROM SV_SESIO S"
                           " LEFT JOIN SV_USEMP U ON U.NOM_USUA = S.NOM_USUA WHERE S.HAS_TOKE = ?");
        const QList<QVariantList> rows = m_db.Rows(sql, {hash});
        for (const QVariantList &row : std::as_const(rows)) {
            found = true;
            session.User = row.value(0).toString();
            lastUse = row.value(1).toLongLong();
            if (!row.value(2).isNull())
                session.Companies.insert(row.value(2).toInt());
        }
    }
    if (!found)
        return std::nullopt;
    const qint64 t = now.toSecsSinceEpoch();
    if (t - lastUse > kIdleSeconds) {
        m_db.Run(QStringLiteral("DELETE FROM SV_SESIO WHERE HAS_TOKE = ?"), {hash});
        return std::nullopt;
    }
    if (t - lastUse >= kTouchSeconds)
        m_db.Run(QStringLiteral("UPDATE SV_SESIO SET FEC_USOS = ? WHERE HAS_TOKE = ? AND FEC_USOS < ?"), {t, hash, t});
    return session;
}

void TSessionStore::Revoke(const QString &user)
{
    m_db.Run(QStringLiteral("DELETE FROM SV_SESIO WHERE NOM_USUA = ?"), {user});
}
