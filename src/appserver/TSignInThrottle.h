#pragma once

#include <QByteArray>
#include <QString>

class TDatabase;

// Password guessing over HTTP, slowed per user and per network address. A few failures in a row cost
// nothing; each further failure makes that user (or address) wait twice as long as the previous one
// before the next attempt is even checked, up to kMaxWaitSeconds. A success clears both counts.
// The wait always ends, and an address that has signed in as a user before is not held back by
// failures for that user coming from elsewhere: a guesser slows itself, never locks the real user
// out. The counts live in the database (SV_INTEN, a server table no user reaches), so every server
// process on one database counts the same attempts: behind several processes a guesser gets no
// more free attempts than behind one. Runs on the server's own connection.
class TSignInThrottle
{
public:
    static constexpr int kFreeUserFailures = 5;
    static constexpr int kFreeAddressFailures = 20;
    static constexpr qint64 kMaxWaitSeconds = 300;

    explicit TSignInThrottle(TDatabase &db);

    // Seconds the attempt must still wait (0: it may be checked now). now: seconds since the epoch.
    qint64 Wait(const QString &user, const QByteArray &address, qint64 now);
    void Failed(const QString &user, const QByteArray &address, qint64 now);
    void Succeeded(const QString &user, const QByteArray &address);

private:
    // One more failure for key; past free of them, its wait starts or doubles.
    void Count(const QString &key, int free, qint64 now);

    TDatabase &m_db;
};
