#pragma once

#include "dataset/TField.h"

// True or false; text "True" / "False" ('' when null). Assigned text may be any prefix of either,
// in any case.
class TBooleanField : public TField
{
public:
    TBooleanField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    QString AsString() const override;
    void SetAsString(const QString &value) override;
    bool AsBoolean() const override;
    void SetAsBoolean(bool value) override;
};
