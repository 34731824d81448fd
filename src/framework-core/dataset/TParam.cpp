#include "dataset/TParam.h"

#include "dataset/TFieldFormat.h"

QString TParam::AsString() const
{
    if (IsNull())
        return QString();
    if (Value.typeId() == QMetaType::Double)
        return TFieldFormat::FloatToStr(Value.toDouble());
    if (Value.typeId() == QMetaType::QDateTime)
        return TFieldFormat::DateTimeToStr(Value.toDateTime());
    return Value.toString();
}

int TParam::AsInteger() const
{
    if (IsNull())
        return 0;
    if (Value.typeId() == QMetaType::Double)
        return int(TFieldFormat::Round(Value.toDouble()));
    return Value.toInt();
}

double TParam::AsFloat() const
{
    return IsNull() ? 0.0 : Value.toDouble();
}

QDateTime TParam::AsDateTime() const
{
    return IsNull() ? QDateTime() : Value.toDateTime();
}

void TParam::SetAsString(const QString &value)
{
    DataType = TFieldType::ftString;
    Value = value;
}

void TParam::SetAsInteger(int value)
{
    DataType = TFieldType::ftInteger;
    Value = value;
}

void TParam::SetAsSmallInt(int value)
{
    DataType = TFieldType::ftSmallint;
    Value = value;
}

void TParam::SetAsFloat(double value)
{
    DataType = TFieldType::ftFloat;
    Value = value;
}

void TParam::SetAsDateTime(const QDateTime &value)
{
    DataType = TFieldType::ftDateTime;
    Value = value.isValid() ? QVariant(value) : QVariant();
}

void TParam::SetValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        Value = QVariant();
        return;
    }
    switch (DataType) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
        Value = value.typeId() == QMetaType::Double ? int(TFieldFormat::Round(value.toDouble())) : value.toInt();
        break;
    case TFieldType::ftLargeint:
        Value =
            value.typeId() == QMetaType::Double ? qlonglong(TFieldFormat::Round(value.toDouble())) : value.toLongLong();
        break;
    case TFieldType::ftFloat:
        Value = value.toDouble();
        break;
    case TFieldType::ftDateTime:
        Value = value.toDateTime();
        break;
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo:
        Value = value.toString();
        break;
    default:
        Value = value;
    }
}
