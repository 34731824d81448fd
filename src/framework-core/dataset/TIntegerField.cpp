#include "dataset/TIntegerField.h"

#include "SysUtils.h"
#include "dataset/TFieldFormat.h"

#include <limits>

TIntegerField::TIntegerField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TIntegerField(dataSet, fieldName, TFieldType::ftInteger, kind, std::numeric_limits<int>::min(),
                    std::numeric_limits<int>::max())
{}

TIntegerField::TIntegerField(TDataSet *dataSet, const QString &fieldName, TFieldType type, TFieldKind kind,
                             qint64 minValue, qint64 maxValue)
    : TField(dataSet, fieldName, type, 0, kind), m_min(minValue), m_max(maxValue)
{}

QString TIntegerField::AsString() const
{
    const QVariant &data = Data();
    return data.isValid() ? QString::number(data.toLongLong()) : QString();
}

void TIntegerField::SetAsString(const QString &value)
{
    if (value.isEmpty()) {
        Clear();
        return;
    }
    int number = 0;
    try {
        number = StrToInt(value);
    } catch (const EConvertError &) {
        RaiseConvertError(value, "integer");
    }
    StoreChecked(number);
}

int TIntegerField::AsInteger() const
{
    return Data().toInt();
}

void TIntegerField::SetAsInteger(int value)
{
    StoreChecked(value);
}

double TIntegerField::AsFloat() const
{
    return Data().toDouble();
}

void TIntegerField::SetAsFloat(double value)
{
    StoreChecked(TFieldFormat::Round(value));
}

QString TIntegerField::GetText(bool displayText) const
{
    if (IsNull())
        return QString();
    const QString &format = displayText || EditFormat.isEmpty() ? DisplayFormat : EditFormat;
    return format.isEmpty() ? AsString() : TFieldFormat::FormatFloat(format, AsFloat());
}

void TIntegerField::StoreChecked(qint64 value)
{
    if (value < m_min || value > m_max)
        RaiseRangeError(value, m_min, m_max);
    // Values that fit 32 bits are kept as int, wider ranges as qlonglong: the type the packets carry.
    SetData(m_max > std::numeric_limits<int>::max() ? QVariant(qlonglong(value)) : QVariant(int(value)));
}

void TIntegerField::RaiseRangeError(qint64 value, qint64 minValue, qint64 maxValue) const
{
    throw EDatabaseError(QStringLiteral("%1 no es un valor válido para el campo '%2': admite de %3 a %4")
                             .arg(value)
                             .arg(DisplayName())
                             .arg(minValue)
                             .arg(maxValue));
}
