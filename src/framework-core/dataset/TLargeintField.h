#pragma once

#include "dataset/TIntegerField.h"

// A 64-bit integer (codes too long for 32 bits, such as tax numbers): its value is a qlonglong, its
// text plain digits like any integer's. AsInteger refuses a value outside the 32-bit range.
class TLargeintField : public TIntegerField
{
public:
    TLargeintField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    qint64 AsLargeInt() const;
    void SetAsLargeInt(qint64 value);
    void SetAsString(const QString &value) override;
    int AsInteger() const override;
};
