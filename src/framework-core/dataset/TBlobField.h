#pragma once

#include "dataset/TField.h"

#include <QByteArray>

// Binary data (QByteArray). Its display text is "(BLOB)", or "(blob)" when null; AsString reads the
// bytes as UTF-8.
class TBlobField : public TField
{
public:
    TBlobField(TDataSet *dataSet, const QString &fieldName, TFieldKind kind = fkData);

    QByteArray AsBytes() const;
    void SetAsBytes(const QByteArray &value);
    QString AsString() const override;
    void SetAsString(const QString &value) override;

protected:
    TBlobField(TDataSet *dataSet, const QString &fieldName, TFieldType type, TFieldKind kind);
    QString GetText(bool displayText) const override;
};
