#pragma once

#include "dataset/TField.h"

// A date and time (QDateTime). Null reads as '' and as an invalid QDateTime; assigning '' clears.
// As a float it is the classic day count since 1899-12-30.
class TDateTimeField : public TField
{
public:
    TDateTimeField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    QString AsString() const override;
    void SetAsString(const QString &value) override;
    QDateTime AsDateTime() const override;
    void SetAsDateTime(const QDateTime &value) override;
    double AsFloat() const override;
    void SetAsFloat(double value) override;

protected:
    QString GetText(bool displayText) const override;
};
