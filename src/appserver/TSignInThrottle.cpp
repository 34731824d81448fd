#include "TSignInThrottle.h"

#include "TDatabase.h"

#include <QSqlQuery>
#include <algorithm>

namespace {
// Past this many counts, those nobody waits on any more are dropped (a guesser trying many names
// must not grow the table without bound).
constexpr int kTrimAbove = 10000;

QString userKey(const QString &user)
{
    return QStringLiteral("U ") + user;
}

QString addressKey(const QByteArray &address)
{
    return QStringLiteral("A ") + QString::fromLatin1(address);
}

QString pairKey(const QString &user, const QByteArray &address)
{
    return QStringLiteral("C ") + QString::fromLatin1(address) + QLatin1Char(' ') + user;
}
} // namespace

TSignInThrottle::TSignInThrottle(TDatabase &db) : m_db(db)
{}

qint64 TSignInThrottle::Wait(const QString &user, const QByteArray &address, qint64 now)
{
    qint64 addressUntil = 0, userUntil = 0;
    bool known = false;
    QSqlQuery q = m_db.Run(QStringLiteral("SELECT CLA_INTE, FEC_HAST FROM SV_INTEN WHERE CLA_INTE IN (?, ?, ?)"),
                           {userKey(user), addressKey(address), pairKey(user, address)});
    while (q.next()) {
        const QString key = q.value(0).toString();
        if (key.startsWith(QLatin1Char('C')))
            known = true;
        else if (key.startsWith(QLatin1Char('U')))
            userUntil = q.value(1).toLongLong();
        else
            addressUntil = q.value(1).toLongLong();
    }
    const qint64 until = known ? addressUntil : std::max(addressUntil, userUntil);
    return std::max<qint64>(0, until - now);
}

void TSignInThrottle::Count(const QString &key, int free, qint64 now)
{
    // The count goes up in one statement, so that processes failing at once all count.
    int failures = 0;
    {
        QSqlQuery q = m_db.Run(QStringLiteral("INSERT INTO SV_INTEN (CLA_INTE, NUM_FALL, FEC_HAST) VALUES (?, 1, 0)"
                                              " ON CONFLICT (CLA_INTE) DO UPDATE SET NUM_FALL = SV_INTEN.NUM_FALL + 1"
                                              " RETURNING NUM_FALL"),
                               {key});
        failures = q.next() ? q.value(0).toInt() : 0;
    }
    if (failures <= free)
        return;
    const int doublings = std::min(failures - free - 1, 16);
    const qint64 until = now + std::min<qint64>(qint64(1) << doublings, kMaxWaitSeconds);
    m_db.Run(QStringLiteral("UPDATE SV_INTEN SET FEC_HAST = ? WHERE CLA_INTE = ? AND FEC_HAST < ?"),
             {until, key, until});
}

void TSignInThrottle::Failed(const QString &user, const QByteArray &address, qint64 now)
{
    {
        // A count whose wait ended long ago is as good as none.
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT COUNT(*) FROM SV_INTEN"));
        if (q.next() && q.value(0).toInt() > kTrimAbove)
            m_db.Run(QStringLiteral("DELETE FROM SV_INTEN WHERE CLA_INTE NOT LIKE 'C %' AND FEC_HAST < ?"),
                     {now - kMaxWaitSeconds});
    }
    Count(addressKey(address), kFreeAddressFailures, now);
    bool known = false;
    {
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT 1 FROM SV_INTEN WHERE CLA_INTE = ?"), {pairKey(user, address)});
        known = q.next();
    }
    if (!known)
        Count(userKey(user), kFreeUserFailures, now);
}

void TSignInThrottle::Succeeded(const QString &user, const QByteArray &address)
{
    m_db.Run(QStringLiteral("DELETE FROM SV_INTEN WHERE CLA_INTE IN (?, ?)"), {userKey(user), addressKey(address)});
    m_db.Run(
        QStringLiteral(
            "INSERT INTO SV_INTEN (CLA_INTE, NUM_FALL, FEC_HAST) VALUES (?, 0, 0) ON CONFLICT (CLA_INTE) DO NOTHING"),
        {pairKey(user, address)});
}
