#pragma once

#include "dataset/TField.h"

// A double. Null reads as '' / 0; assigning '' clears; AsInteger rounds half to even. Text without a
// format is the general format with Precision significant digits.
class TFloatField : public TField
{
public:
    TFloatField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    bool Currency = false; // without a format: "#,##0.00"
    int Precision = 15;

    QString AsString() const override;
    void SetAsString(const QString &value) override;
    int AsInteger() const override;
    void SetAsInteger(int value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;

protected:
    QString GetText(bool displayText) const override;
};
