#include "dataset/TStringField.h"

#include "SysUtils.h"
#include "dataset/TFieldFormat.h"

TStringField::TStringField(TDataSet *dataSet, const QString &fieldName, int size, TFieldKind kind)
    : TField(dataSet, fieldName, TFieldType::ftString, size, kind)
{}

TStringField::TStringField(TDataSet *dataSet, const QString &fieldName, TFieldType type, int size, TFieldKind kind)
    : TField(dataSet, fieldName, type, size, kind)
{}

QString TStringField::AsString() const
{
    const QVariant &data = Data();
    return data.isValid() ? data.toString() : QString();
}

void TStringField::SetAsString(const QString &value)
{
    // The client dataset keeps an empty text as null.
    if (value.isEmpty())
        SetData(QVariant());
    else
        SetData(Size() > 0 && value.size() > Size() ? value.left(Size()) : value);
}

int TStringField::AsInteger() const
{
    return StrToInt(AsString());
}

void TStringField::SetAsInteger(int value)
{
    SetAsString(QString::number(value));
}

double TStringField::AsFloat() const
{
    const QString text = AsString();
    bool ok = false;
    const double value = TFieldFormat::StrToFloat(text, &ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' no es un número válido").arg(text));
    return value;
}

void TStringField::SetAsFloat(double value)
{
    SetAsString(TFieldFormat::FloatToStr(value));
}

QDateTime TStringField::AsDateTime() const
{
    const QString text = AsString();
    bool ok = false;
    const QDateTime value = TFieldFormat::StrToDateTime(text, &ok);
    if (!ok)
        throw EConvertError(QStringLiteral("'%1' no es una fecha y hora válida").arg(text));
    return value;
}

void TStringField::SetAsDateTime(const QDateTime &value)
{
    SetAsString(TFieldFormat::DateTimeToStr(value));
}

bool TStringField::AsBoolean() const
{
    const QString text = AsString();
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    return c == u'T' || c == u't' || c == u'Y' || c == u'y';
}

void TStringField::SetAsBoolean(bool value)
{
    SetAsString(value ? QStringLiteral("T") : QStringLiteral("F"));
}
