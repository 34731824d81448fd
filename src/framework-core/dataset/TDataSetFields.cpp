#include "dataset/TDataSet.h"

#include "SysUtils.h"
#include "dataset/TBlobField.h"
#include "dataset/TBooleanField.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TField.h"
#include "dataset/TFixedCharField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TLargeintField.h"
#include "dataset/TMemoField.h"
#include "dataset/TSmallintField.h"
#include "dataset/TStringField.h"

// A dataset's fields: creating them from definitions, binding them to the record's columns, their
// values in the record buffer, and the calculated fields kept per record.

namespace {
const QVariant nullValue;
}

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
