#include "dataset/TBooleanField.h"

#include "SysUtils.h"

TBooleanField::TBooleanField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TField(dataSet, fieldName, TFieldType::ftBoolean, 0, kind)
{}

QString TBooleanField::AsString() const
{
    const QVariant &data = Data();
    if (!data.isValid())
        return QString();
    return data.toBool() ? QStringLiteral("True") : QStringLiteral("False");
}

void TBooleanField::SetAsString(const QString &value)
{
    const QString text = value.trimmed();
    if (text.isEmpty()) {
        Clear();
        return;
    }
    if (QStringLiteral("True").startsWith(text, Qt::CaseInsensitive))
        SetData(true);
    else if (QStringLiteral("False").startsWith(text, Qt::CaseInsensitive))
        SetData(false);
    else
        RaiseConvertError(value, "boolean");
}

bool TBooleanField::AsBoolean() const
{
    return Data().toBool();
}

void TBooleanField::SetAsBoolean(bool value)
{
    SetData(value);
}
