#include "dataset/TDataSet.h"

#include "SysUtils.h"
#include "dataset/TDataSource.h"
#include "dataset/TField.h"

#include <algorithm>

TDataSet::TDataSet(QObject *owner, const QString &name) : QObject(owner)
{
    setObjectName(name);
}

TDataSet::~TDataSet()
{
    for (TDataSource *source : std::as_const(m_sources))
        source->m_dataSet = nullptr;
    const QList<TField *> fields = m_fields;
    m_fields.clear();
    for (TField *field : fields) {
        field->m_dataSet = nullptr;
        delete field;
    }
}

void TDataSet::SetActive(bool active)
{
    if (active)
        Open();
    else
        Close();
}

// ---- states, open and close --------------------------------------------------------------------

void TDataSet::SetState(TDataSetState state)
{
    m_modified = false;
    if (m_state == state)
        return;
    m_state = state;
    Notify(nState);
}

void TDataSet::CheckActive() const
{
    if (!Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDataSet::CheckInactive() const
{
    if (Active())
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
}

void TDataSet::CheckCanModify() const
{
    if (ReadOnly)
        throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
}

void TDataSet::Open()
{
    if (Active())
        return;
    Fire(BeforeOpen);
    m_state = dsOpening;
    try {
        m_log.Clear();
        InternalOpen();
        BindFields();
        RestoreIndex();
        m_pos = m_store.Count() > 0 ? 0 : -1;
        m_bof = true;
        m_eof = m_store.Count() == 0;
        GetCalcFields();
    } catch (...) {
        m_state = dsInactive;
        ReleaseFields();
        m_store.Reset({});
        m_log.Clear();
        m_pos = -1;
        throw;
    }
    SetState(dsBrowse);
    Notify(nDataSet);
    Fire(AfterOpen);
    if (!IsEmpty())
        Fire(AfterScroll);
}

void TDataSet::Close()
{
    if (!Active())
        return;
    Fire(BeforeClose);
    m_editing = false;
    SetState(dsInactive);
    InternalClose();
    m_store.Reset({});
    m_log.Clear();
    m_pos = -1;
    m_bof = m_eof = true;
    ReleaseFields();
    Fire(AfterClose);
}

// ---- navigation ----------------------------------------------------------------------------------

int TDataSet::RecNo() const
{
    if (m_state == dsInsert)
        return m_insertPos + 1;
    return m_pos + 1;
}

int TDataSet::RecordCount() const
{
    CheckActive();
    return m_store.Count();
}

bool TDataSet::IsEmpty() const
{
    return m_store.Count() == 0 && m_state != dsInsert;
}

void TDataSet::ScrollTo(int pos)
{
    m_pos = pos;
    GetCalcFields();
    Notify(nDataSet);
}

void TDataSet::First()
{
    CheckBrowseMode();
    Fire(BeforeScroll);
    ScrollTo(m_store.Count() > 0 ? 0 : -1);
    m_bof = true;
    m_eof = m_store.Count() == 0;
    Fire(AfterScroll);
}

void TDataSet::Last()
{
    CheckBrowseMode();
    Fire(BeforeScroll);
    ScrollTo(m_store.Count() - 1);
    m_eof = true;
    m_bof = m_store.Count() == 0;
    Fire(AfterScroll);
}

void TDataSet::Next()
{
    MoveBy(1);
}

void TDataSet::Prior()
{
    MoveBy(-1);
}

int TDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    Fire(BeforeScroll);
    const int count = m_store.Count();
    if (count == 0) {
        m_bof = m_eof = true;
        return 0;
    }
    if (distance == 0)
        return 0;
    int target = m_pos + distance;
    const bool hitEnd = target < 0 || target > count - 1;
    target = std::clamp(target, 0, count - 1);
    if (distance > 0) {
        m_bof = false;
        m_eof = hitEnd;
    } else {
        m_eof = false;
        m_bof = hitEnd;
    }
    const int moved = target - m_pos;
    if (moved == 0)
        return 0;
    ScrollTo(target);
    Fire(AfterScroll);
    return moved;
}

void TDataSet::SetRecNo(int recNo)
{
    CheckBrowseMode();
    const int target = std::clamp(recNo - 1, 0, m_store.Count() - 1);
    if (target == m_pos)
        return;
    Fire(BeforeScroll);
    ScrollTo(target);
    m_bof = m_eof = false;
    Fire(AfterScroll);
}

void TDataSet::Resync()
{
    GetCalcFields();
    Notify(nDataSet);
}

void TDataSet::ClampPosition()
{
    const int count = m_store.Count();
    m_pos = count == 0 ? -1 : std::clamp(m_pos, 0, count - 1);
    if (count == 0)
        m_bof = m_eof = true;
}

quint32 TDataSet::CurrentSlot() const
{
    return m_pos < 0 ? TRecordStore::NoSlot : m_store.SlotAt(m_pos);
}

void TDataSet::SetCurrentSlot(quint32 slot)
{
    const int pos = slot == TRecordStore::NoSlot ? -1 : m_store.PosOf(slot);
    if (pos >= 0)
        m_pos = pos;
    ClampPosition();
}

std::vector<int> TDataSet::IndexColumns() const
{
    std::vector<int> columns;
    for (const QString &name : m_indexFieldNames.split(u';', Qt::SkipEmptyParts)) {
        const TField *field = FieldByName(name.trimmed());
        if (field->FieldKind != fkData || field->m_bufferIndex < 0)
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name.trimmed()));
        columns.push_back(m_indexDescending ? -field->m_bufferIndex - 1 : field->m_bufferIndex);
    }
    return columns;
}

void TDataSet::RestoreIndex()
{
    if (!m_indexFieldNames.isEmpty())
        m_store.SetIndex(IndexColumns());
}

void TDataSet::SetIndexFieldNames(const QString &names, bool descending)
{
    if (!Active()) {
        m_indexFieldNames = names;
        m_indexDescending = descending;
        return;
    }
    CheckBrowseMode();
    const QString previous = m_indexFieldNames;
    const bool previousDescending = m_indexDescending;
    m_indexFieldNames = names;
    m_indexDescending = descending;
    std::vector<int> columns;
    try {
        columns = IndexColumns();
    } catch (...) {
        m_indexFieldNames = previous;
        m_indexDescending = previousDescending;
        throw;
    }
    const quint32 slot = CurrentSlot();
    m_store.SetIndex(columns);
    SetCurrentSlot(slot);
    Resync();
}

// ---- controls ------------------------------------------------------------------------------------

void TDataSet::DisableControls()
{
    ++m_disableCount;
}

void TDataSet::EnableControls()
{
    if (m_disableCount == 0)
        return;
    if (--m_disableCount == 0 && m_pendingNotify) {
        const int pending = m_pendingNotify;
        m_pendingNotify = 0;
        if (pending & nState)
            Notify(nState);
        Notify(nDataSet);
    }
}

void TDataSet::Notify(int what, TField *field)
{
    if (m_sources.isEmpty())
        return;
    if (m_disableCount > 0 && (what & (nUpdate | nFocus)) == 0) {
        m_pendingNotify |= what;
        return;
    }
    const QList<TDataSource *> sources = m_sources;
    for (TDataSource *source : sources)
        source->Deliver(what, field);
}

void TDataSet::AddSource(TDataSource *source)
{
    if (!m_sources.contains(source))
        m_sources.append(source);
}

void TDataSet::RemoveSource(TDataSource *source)
{
    m_sources.removeOne(source);
}

void TDataSet::PeekRecord(int recNo, const std::function<void()> &read)
{
    if (!Active() || recNo < 1 || recNo > m_store.Count())
        return;
    if (recNo - 1 == m_pos) {
        read();
        return;
    }
    const int savedPos = m_pos;
    const bool savedEditing = m_editing;
    const TDataSetState savedState = m_state;
    std::vector<QVariant> savedCalc = m_calcBuffer;
    auto restore = [&] {
        m_pos = savedPos;
        m_editing = savedEditing;
        m_state = savedState;
        m_calcBuffer = std::move(savedCalc);
    };
    m_pos = recNo - 1;
    m_editing = false;
    try {
        if (const std::vector<QVariant> *kept = KeptCalcFields(m_store.SlotAt(m_pos)))
            m_calcBuffer = *kept;
        else
            GetCalcFields();
        m_state = dsBrowse; // the reader sees a browsing dataset
        read();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}
