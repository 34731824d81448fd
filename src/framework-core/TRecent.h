#pragma once

#include <QHash>

#include <utility>

// The values a hot path worked out lately, by their key: a count asked again and again sends the same
// text, a report prints the same headings and marks on every page. Reaching its limit, the table
// forgets everything at once, so it never grows without bound and keeps no order of use. A value it
// hands out stays valid until the next key is added.
template <typename K, typename V> class TRecent
{
public:
    explicit TRecent(qsizetype limit) : m_limit(limit) {}

    const V *Find(const K &key) const
    {
        const auto it = m_items.constFind(key);
        return it == m_items.constEnd() ? nullptr : &*it;
    }

    const V &Put(const K &key, V value)
    {
        if (m_items.size() >= m_limit)
            m_items.clear();
        return *m_items.insert(key, std::move(value));
    }

    // The value kept for key, or the one make() works out, kept from now on.
    template <typename Make> const V &Get(const K &key, Make &&make)
    {
        if (const V *found = Find(key))
            return *found;
        return Put(key, make());
    }

private:
    QHash<K, V> m_items;
    qsizetype m_limit;
};
