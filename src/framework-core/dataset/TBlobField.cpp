#include "dataset/TBlobField.h"

TBlobField::TBlobField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TField(dataSet, fieldName, TFieldType::ftBlob, 0, kind)
{}

TBlobField::TBlobField(TDataSet *dataSet, const QString &fieldName, TFieldType type, TFieldKind kind)
    : TField(dataSet, fieldName, type, 0, kind)
{}

QByteArray TBlobField::AsBytes() const
{
    const QVariant &data = Data();
    if (data.typeId() == QMetaType::QString)
        return data.toString().toUtf8();
    return data.toByteArray();
}

void TBlobField::SetAsBytes(const QByteArray &value)
{
    SetData(value);
}

QString TBlobField::AsString() const
{
    return QString::fromUtf8(AsBytes());
}

void TBlobField::SetAsString(const QString &value)
{
    SetData(value.toUtf8());
}

QString TBlobField::GetText(bool displayText) const
{
    if (!displayText)
        return AsString();
    return IsNull() ? QStringLiteral("(blob)") : QStringLiteral("(BLOB)");
}
