#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <optional>

class TDatabase;

// Bearer tokens of the HTTP service, kept in the database (SV_SESIO) so that every server process on
// one database accepts the tokens of the others and a revocation reaches them all. Only the SHA-256
// of a token is stored; the token itself exists only in the client's hands. Runs on the server's own
// connection (outside any user's request).
class TSessionStore
{
public:
    // A token unused for this long is refused and forgotten.
    static constexpr qint64 kIdleSeconds = 12 * 3600;

    struct SSession
    {
        QString User;
        QSet<int> Companies; // read at every use: the user's companies as they are now
    };

    explicit TSessionStore(TDatabase &db);

    // A new random token for the user (64 hex digits); forgets the tokens idle for too long.
    QString Create(const QString &user, const QDateTime &now);
    // The session of a token, its last use moved to now; nothing for an unknown, revoked or expired token.
    std::optional<SSession> Resolve(const QString &token, const QDateTime &now);
    // Ends every session of the user (their password or companies changed). Runs inside the caller's
    // transaction when there is one.
    void Revoke(const QString &user);

private:
    TDatabase &m_db;
};
