#include "dataset/TDataSet.h"

#include "SysUtils.h"
#include "dataset/TBlobField.h"
#include "dataset/TBooleanField.h"
#include "dataset/TDataSource.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TLargeintField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

#include <algorithm>

namespace {
const QVariant nullValue;
}

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

// ---- fields -------------------------------------------------------------------------------------

void TDataSet::RegisterField(TField *field)
{
    m_fields.append(field);
    m_fieldsByName.clear();
}

void TDataSet::UnregisterField(TField *field)
{
    m_fields.removeOne(field);
    m_fieldsByName.clear();
    m_calcFields.erase(std::remove(m_calcFields.begin(), m_calcFields.end(), field), m_calcFields.end());
}

TField *TDataSet::FindField(const QString &fieldName) const
{
    if (m_fieldsByName.isEmpty()) {
        // The first of equal names wins, as a linear search would find it.
        for (auto it = m_fields.crbegin(); it != m_fields.crend(); ++it)
            m_fieldsByName.insert((*it)->FieldName().toCaseFolded(), *it);
    }
    return m_fieldsByName.value(fieldName.toCaseFolded(), nullptr);
}

TField *TDataSet::FieldByName(const QString &fieldName) const
{
    TField *field = FindField(fieldName);
    if (!field)
        throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(fieldName));
    return field;
}

QVariant TDataSet::FieldValues(const QString &fieldNames) const
{
    const QStringList names = fieldNames.split(u';', Qt::SkipEmptyParts);
    if (names.size() == 1)
        return FieldByName(names.at(0).trimmed())->Value();
    QVariantList values;
    for (const QString &name : names)
        values << FieldByName(name.trimmed())->Value();
    return values;
}

TField *TDataSet::CreateField(const SFieldDef &def)
{
    TField *field = nullptr;
    switch (def.DataType) {
    case TFieldType::ftFixedChar:
        field = new TFixedCharField(this, def.Name, def.Size);
        break;
    case TFieldType::ftSmallint:
        field = new TSmallintField(this, def.Name);
        break;
    case TFieldType::ftInteger:
        field = new TIntegerField(this, def.Name);
        break;
    case TFieldType::ftLargeint:
        field = new TLargeintField(this, def.Name);
        break;
    case TFieldType::ftFloat:
        field = new TFloatField(this, def.Name);
        break;
    case TFieldType::ftDateTime:
        field = new TDateTimeField(this, def.Name);
        break;
    case TFieldType::ftMemo:
        field = new TMemoField(this, def.Name);
        break;
    case TFieldType::ftBlob:
        field = new TBlobField(this, def.Name);
        break;
    case TFieldType::ftBoolean:
        field = new TBooleanField(this, def.Name);
        break;
    case TFieldType::ftString:
    case TFieldType::ftUnknown:
        field = new TStringField(this, def.Name, def.Size);
        break;
    }
    field->Required = def.Required;
    field->ReadOnly = def.ReadOnly;
    field->Visible = !def.Hidden;
    if (def.InKey)
        field->ProviderFlags |= pfInKey;
    if (def.Hidden)
        field->ProviderFlags |= pfHidden;
    field->SetDisplayLabel(def.DisplayLabel);
    return field;
}

void TDataSet::BindFields()
{
    const QList<SFieldDef> &columns = m_store.Columns();
    const bool persistent =
        std::any_of(m_fields.begin(), m_fields.end(), [](const TField *f) { return f->FieldKind == fkData; });
    if (!persistent) {
        for (const SFieldDef &def : columns)
            CreateField(def)->m_dynamic = true;
    }
    m_calcFields.clear();
    for (TField *field : std::as_const(m_fields)) {
        if (field->FieldKind != fkData) {
            field->m_bufferIndex = int(m_calcFields.size());
            m_calcFields.push_back(field);
            continue;
        }
        // A dataset reopened on the same query finds each field where it was the last time.
        int column = field->m_lastColumn;
        if (column < 0 || column >= columns.size() || columns.at(column).Name != field->FieldName()) {
            column = -1;
            for (int i = 0; i < columns.size(); ++i)
                if (columns.at(i).Name.compare(field->FieldName(), Qt::CaseInsensitive) == 0) {
                    column = i;
                    break;
                }
        }
        if (column < 0)
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(field->FieldName()));
        field->m_bufferIndex = column;
        field->m_lastColumn = column;
    }
    m_calcBuffer.assign(m_calcFields.size(), QVariant());
    m_editBuffer.assign(size_t(columns.size()), QVariant());
}

void TDataSet::ReleaseFields()
{
    const QList<TField *> fields = m_fields;
    for (TField *field : fields) {
        if (field->m_dynamic)
            delete field;
        else
            field->m_bufferIndex = -1;
    }
    m_calcFields.clear();
    m_calcBuffer.clear();
    m_editBuffer.clear();
}

QList<SFieldDef> TDataSet::BoundColumns() const
{
    QList<SFieldDef> columns = m_store.Columns();
    for (const TField *field : m_fields)
        if (field->FieldKind == fkData && field->m_bufferIndex >= 0 && (field->ProviderFlags & pfInKey))
            columns[field->m_bufferIndex].InKey = true;
    return columns;
}

const QVariant &TDataSet::FieldData(const TField &field) const
{
    if (m_validating == &field)
        return m_validatingValue;
    const int index = field.m_bufferIndex;
    if (index < 0)
        return nullValue;
    if (field.FieldKind != fkData)
        return m_calcBuffer[size_t(index)];
    if (m_editing)
        return m_editBuffer[size_t(index)];
    if (m_pos < 0)
        return nullValue;
    return m_store.Row(m_store.SlotAt(m_pos))[index];
}

void TDataSet::StoreFieldData(TField &field, const QVariant &value)
{
    const bool calcState = m_state == dsCalcFields;
    const bool writable =
        m_state == dsEdit || m_state == dsInsert || m_state == dsSetKey || (calcState && field.FieldKind != fkData);
    if (!writable || field.m_bufferIndex < 0)
        throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    if (field.FieldKind == fkData && field.ReadOnly && m_state != dsSetKey)
        throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field.DisplayName()));
    if (field.OnValidate) {
        const TField *outerField = m_validating;
        QVariant outerValue = m_validatingValue;
        m_validating = &field;
        m_validatingValue = value;
        try {
            field.OnValidate(field);
        } catch (...) {
            m_validating = outerField;
            m_validatingValue = outerValue;
            throw;
        }
        m_validating = outerField;
        m_validatingValue = outerValue;
    }
    if (field.FieldKind != fkData)
        m_calcBuffer[size_t(field.m_bufferIndex)] = value;
    else
        m_editBuffer[size_t(field.m_bufferIndex)] = value;
    if (calcState)
        return;
    Notify(nRecord, &field);
    if (field.FieldKind == fkData) {
        m_modified = true;
        if (AutoCalcFields && !m_calcFields.empty())
            CalculateFields();
    }
    if (field.OnChange && m_state != dsSetKey)
        field.OnChange(field);
}

void TDataSet::CalculateFields()
{
    for (QVariant &value : m_calcBuffer)
        value = QVariant();
    Fire(OnCalcFields);
}

void TDataSet::GetCalcFields()
{
    if (m_calcFields.empty() || (m_pos < 0 && !m_editing))
        return;
    const TDataSetState saved = m_state;
    m_state = dsCalcFields;
    try {
        CalculateFields();
    } catch (...) {
        m_state = saved;
        throw;
    }
    m_state = saved;
    // A stored record's values are kept for readers; an edit buffer's are not (not yet posted).
    if (!m_editing)
        m_keptCalc[m_store.SlotAt(m_pos)] = m_calcBuffer;
}

std::vector<QVariant> *TDataSet::KeptCalcFields(quint32 slot)
{
    if (m_keptCalcGeneration != m_store.Generation()) {
        m_keptCalc.clear();
        m_keptCalcGeneration = m_store.Generation();
    }
    const auto it = m_keptCalc.find(slot);
    return it == m_keptCalc.end() ? nullptr : &it->second;
}

void TDataSet::ForgetCalcFields(quint32 slot)
{
    m_keptCalc.erase(slot);
}

void TDataSet::ForgetCalcFields()
{
    m_keptCalc.clear();
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
