// TDataSet, second part: editing, locating, bookmarks and the change log.
#include "dataset/TDataSet.h"

#include "SysUtils.h"
#include "dataset/TField.h"

#include <algorithm>

// ---- edit modes ----------------------------------------------------------------------------------

void TDataSet::CheckBrowseMode()
{
    CheckActive();
    if (m_state == dsEdit || m_state == dsInsert) {
        UpdateRecord();
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void TDataSet::UpdateRecord()
{
    if (m_state != dsEdit && m_state != dsInsert && m_state != dsSetKey)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    Notify(nUpdate);
}

void TDataSet::Insert()
{
    DoInsert(false);
}

void TDataSet::Append()
{
    DoInsert(true);
}

void TDataSet::InsertRecord(const QVariantList &values)
{
    DoInsertRecord(false, values);
}

void TDataSet::AppendRecord(const QVariantList &values)
{
    DoInsertRecord(true, values);
}

void TDataSet::DoInsertRecord(bool append, const QVariantList &values)
{
    DoInsert(append, false);
    for (int i = 0; i < values.size() && i < m_fields.size(); ++i)
        if (values.at(i).isValid())
            m_fields.at(i)->SetValue(values.at(i));
    Fire(BeforePost);
    InternalPost();
    m_editing = false;
    m_bof = m_eof = false;
    SetState(dsBrowse);
    Resync();
    Fire(AfterPost);
}

void TDataSet::DoInsert(bool append, bool scrollEvent)
{
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    m_insertPos = append || m_pos < 0 ? m_store.Count() : m_pos;
    std::fill(m_editBuffer.begin(), m_editBuffer.end(), QVariant());
    std::fill(m_calcBuffer.begin(), m_calcBuffer.end(), QVariant());
    m_editing = true;
    SetState(dsInsert);
    try {
        Fire(OnNewRecord);
    } catch (...) {
        m_editing = false;
        SetState(dsBrowse);
        Resync();
        throw;
    }
    m_modified = false;
    Notify(nDataSet);
    Fire(AfterInsert);
    if (scrollEvent)
        Fire(AfterScroll);
}

void TDataSet::Edit()
{
    if (m_state == dsEdit || m_state == dsInsert)
        return;
    CheckActive();
    if (m_store.Count() == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit);
    const QVariant *row = m_store.Row(CurrentSlot());
    std::copy(row, row + m_store.ColumnCount(), m_editBuffer.begin());
    m_editing = true;
    try {
        GetCalcFields();
    } catch (...) {
        m_editing = false;
        throw;
    }
    SetState(dsEdit);
    Notify(nRecord);
    Fire(AfterEdit);
}

void TDataSet::CheckRequiredFields()
{
    for (TField *field : std::as_const(m_fields))
        if (field->Required && !field->ReadOnly && field->FieldKind == fkData && field->IsNull()) {
            field->FocusControl();
            throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(field->DisplayName()));
        }
}

void TDataSet::InternalPost()
{
    const int columns = m_store.ColumnCount();
    if (m_state == dsInsert) {
        const quint32 slot = m_store.NewSlot(m_editBuffer.data());
        ForgetCalcFields(slot); // a slot number may come back after a delete
        m_pos = m_store.PlaceNew(slot, m_insertPos);
        if (LogChanges)
            m_log.LogInsert(slot);
        return;
    }
    const quint32 slot = CurrentSlot();
    QVariant *row = m_store.Row(slot);
    if (std::equal(row, row + columns, m_editBuffer.begin(), &TRecordStore::SameValue))
        return;
    ForgetCalcFields(slot);
    if (LogChanges)
        m_log.LogModify(slot, row, columns);
    std::copy(m_editBuffer.begin(), m_editBuffer.end(), row);
    m_pos = m_store.Reposition(m_pos);
}

void TDataSet::Post()
{
    UpdateRecord();
    Fire(BeforePost);
    CheckRequiredFields();
    InternalPost();
    m_editing = false;
    m_bof = m_eof = false;
    SetState(dsBrowse);
    Resync();
    Fire(AfterPost);
}

void TDataSet::Cancel()
{
    if (m_state != dsEdit && m_state != dsInsert)
        return;
    const bool wasInsert = m_state == dsInsert;
    Fire(BeforeCancel);
    if (wasInsert)
        Fire(BeforeScroll);
    m_editing = false;
    SetState(dsBrowse);
    ClampPosition();
    Resync();
    Fire(AfterCancel);
    if (wasInsert)
        Fire(AfterScroll);
}

void TDataSet::Delete()
{
    CheckActive();
    if (m_state == dsInsert) {
        Cancel();
        return;
    }
    if (m_store.Count() == 0)
        throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
    CheckCanModify();
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    const quint32 slot = CurrentSlot();
    ForgetCalcFields(slot);
    m_store.Unplace(m_pos);
    bool release = true;
    if (LogChanges)
        release = m_log.LogDelete(slot);
    else
        m_log.Remove(slot);
    if (release)
        m_store.FreeSlot(slot);
    m_editing = false;
    SetState(dsBrowse);
    ClampPosition();
    Resync();
    Fire(AfterDelete);
    Fire(AfterScroll);
}

void TDataSet::Refresh()
{
    CheckBrowseMode();
    ForgetCalcFields(); // what the calculations read elsewhere may have changed too
    InternalRefresh();
    ClampPosition();
    Resync();
}

// ---- locate and bookmarks ------------------------------------------------------------------------

bool TDataSet::Matches(quint32 slot, const std::vector<TField *> &fields, const QVariantList &values,
                       TLocateOptions options) const
{
    const QVariant *row = m_store.Row(slot);
    for (size_t i = 0; i < fields.size(); ++i) {
        const TField *field = fields[i];
        const QVariant &value = row[field->m_bufferIndex];
        const QVariant key = i < size_t(values.size()) ? values.at(qsizetype(i)) : QVariant();
        if (!key.isValid() || key.isNull()) {
            if (value.isValid())
                return false;
            continue;
        }
        if (!value.isValid())
            return false;
        switch (field->DataType()) {
        case TFieldType::ftString:
        case TFieldType::ftFixedChar:
        case TFieldType::ftMemo: {
            const Qt::CaseSensitivity cs = options & loCaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
            const QString text = value.toString();
            const QString wanted = key.toString();
            const bool partial = (options & loPartialKey) && i + 1 == fields.size();
            if (partial ? !text.startsWith(wanted, cs) : text.compare(wanted, cs) != 0)
                return false;
            break;
        }
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
        case TFieldType::ftLargeint:
        case TFieldType::ftFloat: {
            bool ok = false;
            const double wanted = key.toDouble(&ok);
            if (!ok || value.toDouble() != wanted)
                return false;
            break;
        }
        case TFieldType::ftDateTime:
            if (value.toDateTime() != key.toDateTime())
                return false;
            break;
        case TFieldType::ftBoolean:
            if (value.toBool() != key.toBool())
                return false;
            break;
        default:
            if (value != key)
                return false;
        }
    }
    return true;
}

bool TDataSet::Locate(const QString &keyFields, const QVariant &keyValues, TLocateOptions options)
{
    Fire(BeforeScroll);
    CheckBrowseMode();
    std::vector<TField *> fields;
    for (const QString &name : keyFields.split(u';', Qt::SkipEmptyParts)) {
        TField *field = FieldByName(name.trimmed());
        if (field->FieldKind != fkData)
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name.trimmed()));
        fields.push_back(field);
    }
    const QVariantList values = fields.size() == 1 ? QVariantList{keyValues} : keyValues.toList();
    const int count = m_store.Count();
    for (int pos = 0; pos < count; ++pos) {
        if (Matches(m_store.SlotAt(pos), fields, values, options)) {
            m_pos = pos;
            m_bof = m_eof = false;
            Resync();
            Fire(AfterScroll);
            return true;
        }
    }
    return false;
}

std::vector<TField *> TDataSet::KeyFields() const
{
    std::vector<TField *> keys, data;
    for (TField *field : m_fields) {
        if (field->FieldKind != fkData || field->m_bufferIndex < 0)
            continue;
        data.push_back(field);
        if (field->ProviderFlags & pfInKey)
            keys.push_back(field);
    }
    return keys.empty() ? data : keys;
}

TBookmark TDataSet::GetBookmark() const
{
    TBookmark bookmark;
    if (m_pos < 0 || (m_state != dsBrowse && m_state != dsEdit))
        return bookmark;
    bookmark.m_generation = m_store.Generation();
    bookmark.m_slot = CurrentSlot();
    const QVariant *row = m_store.Row(bookmark.m_slot);
    for (const TField *field : KeyFields()) {
        bookmark.m_keyNames << field->FieldName();
        bookmark.m_key << row[field->m_bufferIndex];
    }
    return bookmark;
}

int TDataSet::BookmarkPos(const TBookmark &bookmark) const
{
    if (bookmark.IsNull() || !Active())
        return -1;
    if (bookmark.m_generation == m_store.Generation())
        return m_store.PosOf(bookmark.m_slot);
    std::vector<TField *> fields;
    for (const QString &name : bookmark.m_keyNames) {
        TField *field = FindField(name);
        if (!field || field->m_bufferIndex < 0 || field->FieldKind != fkData)
            return -1;
        fields.push_back(field);
    }
    if (fields.empty())
        return -1;
    for (int pos = 0; pos < m_store.Count(); ++pos)
        if (Matches(m_store.SlotAt(pos), fields, bookmark.m_key, {}))
            return pos;
    return -1;
}

bool TDataSet::BookmarkValid(const TBookmark &bookmark) const
{
    return BookmarkPos(bookmark) >= 0;
}

void TDataSet::GotoBookmark(const TBookmark &bookmark)
{
    if (bookmark.IsNull())
        return;
    CheckBrowseMode();
    Fire(BeforeScroll);
    const int pos = BookmarkPos(bookmark);
    if (pos < 0)
        throw EDatabaseError(QStringLiteral("Record not found"));
    m_pos = pos;
    m_bof = m_eof = false;
    Resync();
    Fire(AfterScroll);
}

void TDataSet::EmptyDataSet()
{
    CheckBrowseMode();
    m_store.ClearRows();
    m_log.Clear();
    m_pos = -1;
    m_bof = m_eof = true;
    Resync();
}

void TDataSet::SetPosition(int pos)
{
    m_pos = pos;
    ClampPosition();
    m_bof = m_eof = m_store.Count() == 0;
}

// ---- change log ----------------------------------------------------------------------------------

void TDataSet::MergeChangeLog()
{
    for (const TChangeLog::TChange &change : m_log.Entries())
        if (change.Slot != TRecordStore::NoSlot && change.Kind == TUpdateKind::ukDelete)
            m_store.FreeSlot(change.Slot);
    m_log.Clear();
}

void TDataSet::RevertSlot(quint32 slot)
{
    ForgetCalcFields(slot);
    const TChangeLog::TChange *change = m_log.Find(slot);
    if (!change)
        return;
    const int columns = m_store.ColumnCount();
    switch (change->Kind) {
    case TUpdateKind::ukModify: {
        std::copy(change->Original.begin(), change->Original.end(), m_store.Row(slot));
        m_log.Remove(slot);
        const int pos = m_store.PosOf(slot);
        if (pos >= 0)
            m_store.Reposition(pos);
        break;
    }
    case TUpdateKind::ukInsert:
        DropSlot(slot);
        break;
    case TUpdateKind::ukDelete:
        if (int(change->Original.size()) == columns)
            std::copy(change->Original.begin(), change->Original.end(), m_store.Row(slot));
        m_log.Remove(slot);
        m_store.PlaceExisting(slot);
        break;
    }
}

void TDataSet::AcceptSlot(quint32 slot)
{
    ForgetCalcFields(slot);
    const TChangeLog::TChange *change = m_log.Find(slot);
    if (!change)
        return;
    const bool deleted = change->Kind == TUpdateKind::ukDelete;
    m_log.Remove(slot);
    if (deleted)
        m_store.FreeSlot(slot);
}

void TDataSet::OverwriteSlot(quint32 slot, const QVariantList &values, bool reinstate)
{
    ForgetCalcFields(slot);
    QVariant *row = m_store.Row(slot);
    const int n = std::min(int(values.size()), m_store.ColumnCount());
    for (int i = 0; i < n; ++i)
        row[i] = values.at(i);
    if (reinstate) {
        m_store.PlaceExisting(slot);
        return;
    }
    const int pos = m_store.PosOf(slot);
    if (pos >= 0)
        m_store.Reposition(pos);
}

void TDataSet::DropSlot(quint32 slot)
{
    ForgetCalcFields(slot);
    const int pos = m_store.PosOf(slot);
    if (pos >= 0)
        m_store.Unplace(pos);
    m_log.Remove(slot);
    m_store.FreeSlot(slot);
}

void TDataSet::CancelUpdates()
{
    Cancel();
    if (m_log.Count() == 0)
        return;
    const quint32 current = CurrentSlot();
    std::vector<quint32> rowSlots;
    for (const TChangeLog::TChange &change : m_log.Entries())
        if (change.Slot != TRecordStore::NoSlot)
            rowSlots.push_back(change.Slot);
    for (const quint32 slot : rowSlots)
        RevertSlot(slot);
    SetCurrentSlot(current);
    Resync();
}

void TDataSet::RevertRecord()
{
    Cancel();
    const quint32 current = CurrentSlot();
    if (current == TRecordStore::NoSlot || !m_log.Find(current))
        return;
    const int pos = m_pos;
    RevertSlot(current);
    m_pos = pos;
    SetCurrentSlot(current);
    Resync();
}
