#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <mutex>

// Password guessing over HTTP, slowed per user and per network address. A few failures in a row cost
// nothing; each further failure makes that user (or address) wait twice as long as the previous one
// before the next attempt is even checked, up to kMaxWaitSeconds. A success clears both counts.
// The wait always ends, and an address that has signed in as a user before is not held back by
// failures for that user coming from elsewhere: a guesser slows itself, never locks the real user
// out. Kept in the process's memory (each server process counts its own attempts). Thread-safe.
class TSignInThrottle
{
public:
    static constexpr int kFreeUserFailures = 5;
    static constexpr int kFreeAddressFailures = 20;
    static constexpr qint64 kMaxWaitSeconds = 300;

    // Seconds the attempt must still wait (0: it may be checked now). now: seconds since the epoch.
    qint64 Wait(const QString &user, const QByteArray &address, qint64 now);
    void Failed(const QString &user, const QByteArray &address, qint64 now);
    void Succeeded(const QString &user, const QByteArray &address);

private:
    struct SCount
    {
        int Failures = 0;
        qint64 Until = 0; // no attempt checked before this moment
    };
    static void Count(SCount &c, int free, qint64 now);
    void Trim(qint64 now);

    std::mutex m_mutex;
    QHash<QString, SCount> m_users;
    QHash<QByteArray, SCount> m_addresses;
    QSet<QString> m_known; // "address user" pairs that signed in
};
