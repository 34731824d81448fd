#include "dataset/TChangeLog.h"

const TChangeLog::TChange *TChangeLog::Find(quint32 slot) const
{
    if (slot >= m_bySlot.size() || m_bySlot[slot] == 0)
        return nullptr;
    return &m_entries[size_t(m_bySlot[slot] - 1)];
}

void TChangeLog::LogInsert(quint32 slot)
{
    if (slot >= m_bySlot.size())
        m_bySlot.resize(size_t(slot) + 1, 0);
    TChange change;
    change.Kind = TUpdateKind::ukInsert;
    change.Slot = slot;
    m_entries.push_back(std::move(change));
    m_bySlot[slot] = int(m_entries.size());
    ++m_count;
}

void TChangeLog::LogModify(quint32 slot, const QVariant *original, int columns)
{
    if (Find(slot))
        return;
    if (slot >= m_bySlot.size())
        m_bySlot.resize(size_t(slot) + 1, 0);
    TChange change;
    change.Kind = TUpdateKind::ukModify;
    change.Slot = slot;
    change.Original.assign(original, original + columns);
    m_entries.push_back(std::move(change));
    m_bySlot[slot] = int(m_entries.size());
    ++m_count;
}

bool TChangeLog::LogDelete(quint32 slot)
{
    if (slot < m_bySlot.size() && m_bySlot[slot] != 0) {
        TChange &change = m_entries[size_t(m_bySlot[slot] - 1)];
        if (change.Kind == TUpdateKind::ukInsert) {
            Remove(slot);
            return true;
        }
        change.Kind = TUpdateKind::ukDelete;
        change.Modified = true;
        return false;
    }
    if (slot >= m_bySlot.size())
        m_bySlot.resize(size_t(slot) + 1, 0);
    TChange change;
    change.Kind = TUpdateKind::ukDelete;
    change.Slot = slot;
    m_entries.push_back(std::move(change));
    m_bySlot[slot] = int(m_entries.size());
    ++m_count;
    return false;
}

void TChangeLog::Remove(quint32 slot)
{
    if (slot >= m_bySlot.size() || m_bySlot[slot] == 0)
        return;
    TChange &change = m_entries[size_t(m_bySlot[slot] - 1)];
    change.Slot = 0xffffffffu;
    change.Original.clear();
    change.Original.shrink_to_fit();
    m_bySlot[slot] = 0;
    if (--m_count == 0)
        m_entries.clear();
}

void TChangeLog::Clear()
{
    m_entries.clear();
    m_bySlot.clear();
    m_count = 0;
}
