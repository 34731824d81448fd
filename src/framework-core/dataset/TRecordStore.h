#pragma once

#include "DataPacket.h"

#include <QVariant>
#include <cstdint>
#include <vector>

// The rows of an open dataset. Cells are kept in one flat array, ColumnCount() per slot; a slot
// keeps its number for as long as it lives, so bookmarks and the change log refer to slots. The
// visible order is a separate vector of slot numbers: the insertion order (each slot carries a
// sequence number with gaps, so a row inserted in the middle needs no renumbering), or, with an
// index, the index fields ascending with the sequence number breaking ties.
class TRecordStore
{
public:
    static constexpr quint32 NoSlot = 0xffffffffu;

    // Null-aware equality of two cells.
    static bool SameValue(const QVariant &a, const QVariant &b)
    {
        return a.isValid() == b.isValid() && (!a.isValid() || a == b);
    }

    // Drops every row and takes a new column layout. Generation() changes.
    void Reset(const QList<SFieldDef> &columns);
    // Drops every row, keeping columns and index. Generation() changes.
    void ClearRows();
    const QList<SFieldDef> &Columns() const { return m_columns; }
    int ColumnCount() const { return m_cols; }
    quint64 Generation() const { return m_generation; }

    int Count() const { return int(m_order.size()); }
    quint32 SlotAt(int pos) const { return m_order[size_t(pos)]; }
    // Linear: -1 when the slot is not in the visible order.
    int PosOf(quint32 slot) const;
    const QVariant *Row(quint32 slot) const { return m_cells.data() + size_t(slot) * size_t(m_cols); }
    QVariant *Row(quint32 slot) { return m_cells.data() + size_t(slot) * size_t(m_cols); }

    // Loading: appends a row at the end of the order (no index is kept while loading).
    void AppendRow(const QVariantList &values);
    // A new slot holding values (ColumnCount() of them), not yet in the order.
    quint32 NewSlot(const QVariant *values);
    void FreeSlot(quint32 slot);
    // Puts a new slot into the order at pos (without an index) or at its sorted place; returns the
    // position it took.
    int PlaceNew(quint32 slot, int pos);
    // Puts a slot that keeps its sequence number (a reinstated row) back at its place.
    int PlaceExisting(quint32 slot);
    void Unplace(int pos);
    // After the values of the row at pos changed: moves it to its sorted place; returns the position.
    int Reposition(int pos);

    // Column numbers of the index, empty for insertion order; a column c written as -(c + 1) sorts
    // descending (nulls last). Sorting keeps rows of equal keys in insertion order.
    void SetIndex(const std::vector<int> &columns);
    bool Indexed() const { return !m_index.empty(); }

    // Approximate bytes held, for the benchmark.
    size_t MemoryBytes() const;

private:
    bool Less(quint32 a, quint32 b) const;
    void Renumber();
    quint32 Allocate();

    QList<SFieldDef> m_columns;
    int m_cols = 0;
    quint64 m_generation = 0;
    std::vector<QVariant> m_cells;
    std::vector<std::int64_t> m_seq; // per slot
    std::vector<quint32> m_order;
    std::vector<quint32> m_free;
    std::vector<int> m_index;
    std::int64_t m_lastSeq = 0;
};
