#pragma once

#include "DataPacket.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

// A named parameter of a dataset's command. Typed setters also set DataType; null is an invalid
// QVariant.
class TParam
{
public:
    TParam(const QString &name, TFieldType dataType = TFieldType::ftUnknown) : Name(name), DataType(dataType) {}

    QString Name;
    TFieldType DataType;
    QVariant Value;

    bool IsNull() const { return !Value.isValid() || Value.isNull(); }
    void Clear() { Value = QVariant(); }

    // Null reads as '' / 0 / an invalid QDateTime.
    QString AsString() const;
    int AsInteger() const;
    int AsSmallInt() const { return AsInteger(); }
    double AsFloat() const;
    QDateTime AsDateTime() const;
    void SetAsString(const QString &value);
    void SetAsInteger(int value);
    void SetAsSmallInt(int value);
    void SetAsFloat(double value);
    void SetAsDateTime(const QDateTime &value);
    // Keeps DataType; converts the value to it when one is set.
    void SetValue(const QVariant &value);

    SParam ToSParam() const { return SParam{Name, DataType, Value}; }
};
