#pragma once

#include "dataset/TStringField.h"

// A code of Size characters, declared fixed-length.
class TFixedCharField : public TStringField
{
public:
    TFixedCharField(TDataSet *dataSet, const QString &fieldName, int size = 1, TFieldKind kind = fkData)
        : TStringField(dataSet, fieldName, TFieldType::ftFixedChar, size, kind)
    {
        FixedChar = true;
    }
};
