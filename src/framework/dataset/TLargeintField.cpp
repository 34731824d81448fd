#include "dataset/TLargeintField.h"

#include "SysUtils.h"
#include "dataset/TFieldFormat.h"

#include <limits>

TLargeintField::TLargeintField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TField(dataSet, fieldName, TFieldType::ftLargeint, 0, kind)
{}

qint64 TLargeintField::AsLargeInt() const
{
    return Data().toLongLong();
}

void TLargeintField::SetAsLargeInt(qint64 value)
{
    SetData(qlonglong(value));
}

QString TLargeintField::AsString() const
{
    const QVariant &data = Data();
    return data.isValid() ? QString::number(data.toLongLong()) : QString();
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
    SetAsLargeInt(number);
}

int TLargeintField::AsInteger() const
{
    const qint64 value = AsLargeInt();
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        throw EDatabaseError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                                 .arg(value)
                                 .arg(DisplayName())
                                 .arg(std::numeric_limits<int>::min())
                                 .arg(std::numeric_limits<int>::max()));
    return int(value);
}

void TLargeintField::SetAsInteger(int value)
{
    SetAsLargeInt(value);
}

double TLargeintField::AsFloat() const
{
    return double(AsLargeInt());
}

void TLargeintField::SetAsFloat(double value)
{
    SetAsLargeInt(TFieldFormat::Round(value));
}

QString TLargeintField::GetText(bool displayText) const
{
    if (IsNull())
        return QString();
    const QString &format = displayText || EditFormat.isEmpty() ? DisplayFormat : EditFormat;
    return format.isEmpty() ? AsString() : TFieldFormat::FormatFloat(format, AsFloat());
}
