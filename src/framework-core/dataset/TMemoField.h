#pragma once

#include "dataset/TBlobField.h"

// Unbounded text (QString). Text and AsString give the text; the display text is "(MEMO)", or
// "(memo)" when null, as grids show it.
class TMemoField : public TBlobField
{
public:
    TMemoField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    QString AsString() const override;
    void SetAsString(const QString &value) override;

protected:
    QString GetText(bool displayText) const override;
};
