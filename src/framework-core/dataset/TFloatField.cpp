#include "dataset/TFloatField.h"

#include "SysUtils.h"
#include "dataset/TFieldFormat.h"

TFloatField::TFloatField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind)
    : TField(dataSet, fieldName, TFieldType::ftFloat, 0, kind)
{}

QString TFloatField::AsString() const
{
    const QVariant &data = Data();
    return data.isValid() ? TFieldFormat::FloatToStr(data.toDouble()) : QString();
}

void TFloatField::SetAsString(const QString &value)
{
    if (value.isEmpty()) {
        Clear();
        return;
    }
    bool ok = false;
    const double number = TFieldFormat::StrToFloat(value, &ok);
    if (!ok)
        RaiseConvertError(value, "floating point");
    SetData(number);
}

int TFloatField::AsInteger() const
{
    return int(TFieldFormat::Round(Data().toDouble()));
}

void TFloatField::SetAsInteger(int value)
{
    SetData(double(value));
}

double TFloatField::AsFloat() const
{
    return Data().toDouble();
}

void TFloatField::SetAsFloat(double value)
{
    SetData(value);
}

QString TFloatField::GetText(bool displayText) const
{
    if (IsNull())
        return QString();
    QString format = displayText || EditFormat.isEmpty() ? DisplayFormat : EditFormat;
    if (format.isEmpty() && Currency)
        format = QStringLiteral("#,##0.00");
    if (format.isEmpty()) {
        if (Precision >= 15)
            return AsString();
        return QString::number(AsFloat(), 'g', Precision);
    }
    return TFieldFormat::FormatFloat(format, AsFloat());
}
