#include "dataset/TLargeintField.h"

#include <limits>

TLargeintField::TLargeintField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TIntegerField(dataSet, fieldName, TFieldType::ftLargeint, kind, std::numeric_limits<qint64>::min(),
                    std::numeric_limits<qint64>::max())
{}

qint64 TLargeintField::AsLargeInt() const
{
    return Data().toLongLong();
}

void TLargeintField::SetAsLargeInt(qint64 value)
{
    StoreChecked(value);
}

void TLargeintField::SetAsString(const QString &value)
{
    if (value.isEmpty()) {
        Clear();
        return;
    }
    bool ok = false;
    const qlonglong number = value.trimmed().toLongLong(&ok);
    if (!ok)
        RaiseConvertError(value, "integer");
    StoreChecked(number);
}

int TLargeintField::AsInteger() const
{
    const qint64 value = AsLargeInt();
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        RaiseRangeError(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    return int(value);
}
