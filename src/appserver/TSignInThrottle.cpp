#include "TSignInThrottle.h"

#include <algorithm>

namespace {
// Past this many entries the counts nobody waits on any more are dropped (a guesser trying many
// names must not grow the process without bound).
constexpr qsizetype kTrimAbove = 10000;

QString pairOf(const QString &user, const QByteArray &address)
{
    return QString::fromLatin1(address) + QLatin1Char(' ') + user;
}
} // namespace

qint64 TSignInThrottle::Wait(const QString &user, const QByteArray &address, qint64 now)
{
    std::lock_guard lock(m_mutex);
    qint64 until = m_addresses.value(address).Until;
    if (!m_known.contains(pairOf(user, address)))
        until = std::max(until, m_users.value(user).Until);
    return std::max<qint64>(0, until - now);
}

void TSignInThrottle::Count(SCount &c, int free, qint64 now)
{
    ++c.Failures;
    if (c.Failures > free) {
        const int doublings = std::min(c.Failures - free - 1, 16);
        c.Until = now + std::min<qint64>(qint64(1) << doublings, kMaxWaitSeconds);
    }
}

void TSignInThrottle::Failed(const QString &user, const QByteArray &address, qint64 now)
{
    std::lock_guard lock(m_mutex);
    Trim(now);
    Count(m_addresses[address], kFreeAddressFailures, now);
    if (!m_known.contains(pairOf(user, address)))
        Count(m_users[user], kFreeUserFailures, now);
}

void TSignInThrottle::Succeeded(const QString &user, const QByteArray &address)
{
    std::lock_guard lock(m_mutex);
    m_users.remove(user);
    m_addresses.remove(address);
    if (m_known.size() < kTrimAbove)
        m_known.insert(pairOf(user, address));
}

void TSignInThrottle::Trim(qint64 now)
{
    // A count whose wait ended long ago is as good as none.
    const auto stale = [now](const SCount &c) { return c.Until + kMaxWaitSeconds < now; };
    if (m_users.size() > kTrimAbove)
        m_users.removeIf([&](const auto &it) { return stale(it.value()); });
    if (m_addresses.size() > kTrimAbove)
        m_addresses.removeIf([&](const auto &it) { return stale(it.value()); });
}
