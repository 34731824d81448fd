#pragma once

#include "dataset/TIntegerField.h"

// A 16-bit integer: values outside -32768..32767 are refused.
class TSmallintField : public TIntegerField
{
public:
    TSmallintField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData)
        : TIntegerField(dataSet, fieldName, TFieldType::ftSmallint, kind, -32768, 32767)
    {}
};
