#pragma once

#include "dataset/TField.h"

// A 64-bit integer (codes too long for 32 bits, such as tax numbers). Its value is a qlonglong and its
// text plain digits, without group separators, unless a DisplayFormat says otherwise. Null reads as
// '' / 0; assigning '' clears; AsFloat assignments are rounded half to even; AsInteger refuses a value
// outside the 32-bit range.
class TLargeintField : public TField
{
public:
    TLargeintField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    qint64 AsLargeInt() const;
    void SetAsLargeInt(qint64 value);
    QString AsString() const override;
    void SetAsString(const QString &value) override;
    int AsInteger() const override;
    void SetAsInteger(int value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;

protected:
    QString GetText(bool displayText) const override;
};
