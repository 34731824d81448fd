#include "dataset/TMemoField.h"

TMemoField::TMemoField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TBlobField(dataSet, fieldName, TFieldType::ftMemo, kind)
{}

QString TMemoField::AsString() const
{
    const QVariant &data = Data();
    if (data.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(data.toByteArray());
    return data.toString();
}

void TMemoField::SetAsString(const QString &value)
{
    SetData(value.isEmpty() ? QVariant() : QVariant(value));
}

QString TMemoField::GetText(bool displayText) const
{
    if (!displayText)
        return AsString();
    return IsNull() ? QStringLiteral("(memo)") : QStringLiteral("(MEMO)");
}
