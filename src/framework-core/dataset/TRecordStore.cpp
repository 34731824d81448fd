#include "dataset/TRecordStore.h"

#include <algorithm>
#include <atomic>
#include <numeric>

namespace {
constexpr std::int64_t Gap = std::int64_t(1) << 20;
std::atomic<quint64> nextGeneration{1};
} // namespace

void TRecordStore::Reset(const QList<SFieldDef> &columns)
{
    m_columns = columns;
    m_cols = int(columns.size());
    m_generation = nextGeneration.fetch_add(1);
    m_cells.clear();
    m_cells.shrink_to_fit();
    m_seq.clear();
    m_seq.shrink_to_fit();
    m_order.clear();
    m_order.shrink_to_fit();
    m_free.clear();
    m_index.clear();
    m_lastSeq = 0;
}

void TRecordStore::ClearRows()
{
    const std::vector<int> index = m_index;
    Reset(m_columns);
    m_index = index;
}

int TRecordStore::PosOf(quint32 slot) const
{
    const auto it = std::find(m_order.begin(), m_order.end(), slot);
    return it == m_order.end() ? -1 : int(it - m_order.begin());
}

quint32 TRecordStore::Allocate()
{
    if (!m_free.empty()) {
        const quint32 slot = m_free.back();
        m_free.pop_back();
        return slot;
    }
    const quint32 slot = quint32(m_seq.size());
    m_seq.push_back(0);
    m_cells.resize(m_cells.size() + size_t(m_cols));
    return slot;
}

void TRecordStore::AppendRow(const QVariantList &values)
{
    const quint32 slot = Allocate();
    QVariant *row = Row(slot);
    const int n = std::min(int(values.size()), m_cols);
    for (int i = 0; i < n; ++i)
        row[i] = values.at(i);
    m_lastSeq += Gap;
    m_seq[slot] = m_lastSeq;
    m_order.push_back(slot);
}

quint32 TRecordStore::NewSlot(const QVariant *values)
{
    const quint32 slot = Allocate();
    std::copy(values, values + m_cols, Row(slot));
    return slot;
}

void TRecordStore::FreeSlot(quint32 slot)
{
    QVariant *row = Row(slot);
    for (int i = 0; i < m_cols; ++i)
        row[i] = QVariant();
    m_free.push_back(slot);
}

bool TRecordStore::Less(quint32 a, quint32 b) const
{
    const QVariant *ra = Row(a);
    const QVariant *rb = Row(b);
    for (const int key : m_index) {
        const bool descending = key < 0;
        const int column = descending ? -key - 1 : key;
        const QVariant &va = ra[column];
        const QVariant &vb = rb[column];
        if (!va.isValid() || !vb.isValid()) {
            if (va.isValid() != vb.isValid())
                return va.isValid() == descending; // nulls first, last when descending
            continue;
        }
        const QPartialOrdering order = QVariant::compare(va, vb);
        if (order == QPartialOrdering::Less)
            return !descending;
        if (order == QPartialOrdering::Greater)
            return descending;
    }
    return m_seq[a] < m_seq[b];
}

void TRecordStore::Renumber()
{
    // Every allocated slot keeps its relative place, including deleted rows waiting in the log.
    std::vector<quint32> all(m_seq.size());
    std::iota(all.begin(), all.end(), 0u);
    std::sort(all.begin(), all.end(), [this](quint32 a, quint32 b) { return m_seq[a] < m_seq[b]; });
    std::int64_t seq = 0;
    for (const quint32 slot : all)
        m_seq[slot] = (seq += Gap);
    m_lastSeq = seq;
}

int TRecordStore::PlaceNew(quint32 slot, int pos)
{
    if (Indexed()) {
        m_seq[slot] = (m_lastSeq += Gap);
        return PlaceExisting(slot);
    }
    pos = std::clamp(pos, 0, Count());
    if (pos == Count()) {
        m_seq[slot] = (m_lastSeq += Gap);
    } else {
        std::int64_t after = m_seq[m_order[size_t(pos)]];
        std::int64_t before = pos > 0 ? m_seq[m_order[size_t(pos - 1)]] : after - 2 * Gap;
        if (after - before < 2) {
            Renumber();
            after = m_seq[m_order[size_t(pos)]];
            before = pos > 0 ? m_seq[m_order[size_t(pos - 1)]] : after - 2 * Gap;
        }
        m_seq[slot] = before + (after - before) / 2;
    }
    m_order.insert(m_order.begin() + pos, slot);
    return pos;
}

int TRecordStore::PlaceExisting(quint32 slot)
{
    const auto it =
        std::lower_bound(m_order.begin(), m_order.end(), slot, [this](quint32 a, quint32 b) { return Less(a, b); });
    const int pos = int(it - m_order.begin());
    m_order.insert(it, slot);
    return pos;
}

void TRecordStore::Unplace(int pos)
{
    m_order.erase(m_order.begin() + pos);
}

int TRecordStore::Reposition(int pos)
{
    if (!Indexed())
        return pos;
    const quint32 slot = m_order[size_t(pos)];
    Unplace(pos);
    return PlaceExisting(slot);
}

void TRecordStore::SetIndex(const std::vector<int> &columns)
{
    m_index = columns;
    std::stable_sort(m_order.begin(), m_order.end(), [this](quint32 a, quint32 b) { return Less(a, b); });
}

size_t TRecordStore::MemoryBytes() const
{
    size_t bytes = m_cells.capacity() * sizeof(QVariant) + m_seq.capacity() * sizeof(std::int64_t) +
                   m_order.capacity() * sizeof(quint32) + m_free.capacity() * sizeof(quint32);
    return bytes;
}
