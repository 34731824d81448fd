#pragma once

#include "dataset/TField.h"

// A 32-bit integer. Null reads as '' / 0; assigning '' clears; AsFloat assignments are rounded
// half to even. Its text is plain digits unless a DisplayFormat says otherwise.
class TIntegerField : public TField
{
public:
    TIntegerField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    QString AsString() const override;
    void SetAsString(const QString &value) override;
    int AsInteger() const override;
    void SetAsInteger(int value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;

protected:
    TIntegerField(TDataSet *dataSet, const QString &fieldName, TFieldType type, TFieldKind kind, qint64 minValue,
                  qint64 maxValue);
    QString GetText(bool displayText) const override;
    void StoreChecked(qint64 value);
    [[noreturn]] void RaiseRangeError(qint64 value, qint64 minValue, qint64 maxValue) const;

private:
    qint64 m_min;
    qint64 m_max;
};
