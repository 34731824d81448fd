#pragma once

#include "dataset/TField.h"

// Text of at most Size characters (longer assignments are cut). Null reads as ''; assigning ''
// stores null, as the client dataset does.
class TStringField : public TField
{
public:
    TStringField(TDataSet *dataSet, const QString &fieldName, int size = 20, TFieldKind kind = fkData);

    bool FixedChar = false;

    QString AsString() const override;
    void SetAsString(const QString &value) override;
    // StrToInt / StrToFloat of the text: '' raises.
    int AsInteger() const override;
    void SetAsInteger(int value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;
    QDateTime AsDateTime() const override;
    void SetAsDateTime(const QDateTime &value) override;
    // True when the text starts with T, t, Y or y.
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;

protected:
    TStringField(TDataSet *dataSet, const QString &fieldName, TFieldType type, int size, TFieldKind kind);
};
