#include "dataset/TField.h"

#include "SysUtils.h"
#include "dataset/TDataSet.h"

TField::TField(TDataSet *dataSet, const QString &fieldName, TFieldType dataType, int size, TFieldKind kind)
    : FieldKind(kind), m_dataSet(dataSet), m_fieldName(fieldName), m_dataType(dataType), m_size(size)
{
    if (m_dataSet)
        m_dataSet->RegisterField(this);
}

TField::~TField()
{
    if (m_dataSet)
        m_dataSet->UnregisterField(this);
}

int TField::Index() const
{
    return m_dataSet ? int(m_dataSet->Fields().indexOf(const_cast<TField *>(this))) : -1;
}

const QVariant &TField::Data() const
{
    return m_dataSet->FieldData(*this);
}

void TField::SetData(const QVariant &value)
{
    m_dataSet->StoreFieldData(*this, value);
}

bool TField::IsNull() const
{
    return !Data().isValid();
}

void TField::Clear()
{
    SetData(QVariant());
}

QVariant TField::Value() const
{
    return Data();
}

void TField::SetValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        Clear();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QChar:
        SetAsString(value.toString());
        break;
    case QMetaType::Bool:
        SetAsBoolean(value.toBool());
        break;
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
        SetAsInteger(value.toInt());
        break;
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        SetAsDateTime(value.toDateTime());
        break;
    case QMetaType::QByteArray:
        SetAsString(QString::fromUtf8(value.toByteArray()));
        break;
    default:
        if (value.canConvert<double>())
            SetAsFloat(value.toDouble());
        else
            SetAsString(value.toString());
    }
}

QString TField::AsString() const
{
    return Data().toString();
}

void TField::SetAsString(const QString &value)
{
    SetData(value);
}

int TField::AsInteger() const
{
    RaiseAccessError("Integer");
}

void TField::SetAsInteger(int)
{
    RaiseAccessError("Integer");
}

double TField::AsFloat() const
{
    RaiseAccessError("Float");
}

void TField::SetAsFloat(double)
{
    RaiseAccessError("Float");
}

QDateTime TField::AsDateTime() const
{
    RaiseAccessError("DateTime");
}

void TField::SetAsDateTime(const QDateTime &)
{
    RaiseAccessError("DateTime");
}

bool TField::AsBoolean() const
{
    RaiseAccessError("Boolean");
}

void TField::SetAsBoolean(bool)
{
    RaiseAccessError("Boolean");
}

QString TField::GetText(bool) const
{
    return AsString();
}

QString TField::Text() const
{
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField &>(*this), text, false);
        return text;
    }
    return GetText(false);
}

QString TField::DisplayText() const
{
    if (OnGetText) {
        QString text;
        OnGetText(const_cast<TField &>(*this), text, true);
        return text;
    }
    return GetText(true);
}

void TField::SetText(const QString &text)
{
    if (OnSetText)
        OnSetText(*this, text);
    else
        SetAsString(text);
}

QVariant TField::OldValue() const
{
    if (Calculated())
        return QVariant();
    if (m_dataSet->m_reconcileRow)
        return m_dataSet->m_reconcileRow->Old.value(m_bufferIndex);
    const quint32 slot = m_dataSet->CurrentSlot();
    if (slot == TRecordStore::NoSlot || m_dataSet->State() == dsInsert)
        return QVariant();
    if (const TChangeLog::TChange *change = m_dataSet->m_log.Find(slot)) {
        if (change->Kind == TUpdateKind::ukInsert)
            return QVariant();
        if (!change->Original.empty())
            return change->Original[size_t(m_bufferIndex)];
    }
    return m_dataSet->m_store.Row(slot)[m_bufferIndex];
}

QVariant TField::NewValue() const
{
    if (!Calculated() && m_dataSet->m_reconcileRow)
        return m_dataSet->m_reconcileRow->New.value(m_bufferIndex);
    return Data();
}

void TField::SetNewValue(const QVariant &value)
{
    if (Calculated() || !m_dataSet->m_reconcileRow) {
        SetValue(value);
        return;
    }
    QVariantList &row = m_dataSet->m_reconcileRow->New;
    if (m_bufferIndex >= 0 && m_bufferIndex < row.size())
        row[m_bufferIndex] = value;
}

QVariant TField::CurValue() const
{
    if (!Calculated() && m_dataSet->m_reconcileRow)
        return m_dataSet->m_reconcileRow->Cur.value(m_bufferIndex);
    return QVariant();
}

void TField::FocusControl()
{
    if (m_dataSet)
        m_dataSet->Notify(TDataSet::nFocus, this);
}

void TField::RaiseConvertError(const QString &text, const char *kind) const
{
    // The kinds callers name, as the user reads them.
    const QLatin1StringView k(kind);
    const QString spanish = k == QLatin1StringView("integer")          ? QStringLiteral("entero")
                            : k == QLatin1StringView("floating point") ? QStringLiteral("numérico")
                            : k == QLatin1StringView("boolean")        ? QStringLiteral("lógico (S o N)")
                                                                       : QString(k);
    throw EConvertError(
        QStringLiteral("'%1' no es un valor %2 válido para el campo '%3'").arg(text, spanish, DisplayName()));
}

void TField::RaiseAccessError(const char *typeName) const
{
    throw EDatabaseError(
        QStringLiteral("Cannot access field '%1' as type %2").arg(DisplayName(), QLatin1StringView(typeName)));
}
