#include "dataset/TDateTimeField.h"

#include "SysUtils.h"
#include "dataset/TFieldFormat.h"

TDateTimeField::TDateTimeField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TField(dataSet, fieldName, TFieldType::ftDateTime, 0, kind)
{}

QString TDateTimeField::AsString() const
{
    return TFieldFormat::DateTimeToStr(AsDateTime());
}

void TDateTimeField::SetAsString(const QString &value)
{
    if (value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    bool ok = false;
    const QDateTime moment = TFieldFormat::StrToDateTime(value, &ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' no es una fecha y hora válida").arg(value));
    SetData(moment);
}

QDateTime TDateTimeField::AsDateTime() const
{
    const QVariant &data = Data();
    if (!data.isValid())
        return QDateTime();
    if (data.typeId() == QMetaType::QDateTime)
        return data.toDateTime();
    if (data.typeId() == QMetaType::QDate)
        return data.toDate().startOfDay();
    if (data.typeId() == QMetaType::QString) // SQLite hands dates over as text
        return QDateTime::fromString(data.toString(), Qt::ISODate);
    return data.toDateTime();
}

void TDateTimeField::SetAsDateTime(const QDateTime &value)
{
    if (!value.isValid())
        Clear();
    else
        SetData(value);
}

double TDateTimeField::AsFloat() const
{
    return TFieldFormat::DateTimeToDouble(AsDateTime());
}

void TDateTimeField::SetAsFloat(double value)
{
    SetData(TFieldFormat::DoubleToDateTime(value));
}

QString TDateTimeField::GetText(bool displayText) const
{
    if (IsNull())
        return QString();
    const QString &format = displayText || EditFormat.isEmpty() ? DisplayFormat : EditFormat;
    return format.isEmpty() ? AsString() : AsDateTime().toString(format);
}
