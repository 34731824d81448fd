#pragma once

#include "DataPacket.h"

#include <QVariant>
#include <vector>

// The cached changes of a dataset, one entry per changed slot of a TRecordStore: the kind and, for a
// modification, the values the row had before its first change. An inserted row has no original
// values; a deleted row keeps its values in its slot, which stays allocated (out of the visible
// order) until the change is applied or cancelled. Entries stay in the order of first change.
class TChangeLog
{
public:
    struct TChange
    {
        TUpdateKind Kind = TUpdateKind::ukModify;
        quint32 Slot = 0xffffffffu; // 0xffffffff: removed entry
        bool Modified = false;      // a deleted row that had been modified first
        std::vector<QVariant> Original;
    };

    int Count() const { return m_count; }
    const TChange *Find(quint32 slot) const;
    void LogInsert(quint32 slot);
    // Keeps the first original values when the slot is already logged.
    void LogModify(quint32 slot, const QVariant *original, int columns);
    // Returns true when the row was inserted since the last merge: its entry is gone and the caller
    // frees the slot. Otherwise the entry becomes a deletion.
    bool LogDelete(quint32 slot);
    void Remove(quint32 slot);
    void Clear();
    const std::vector<TChange> &Entries() const { return m_entries; }

private:
    std::vector<TChange> m_entries;
    std::vector<int> m_bySlot; // entry index + 1, 0 when none
    int m_count = 0;
};
