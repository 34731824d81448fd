#pragma once

#include <QString>
#include <QVariant>

// What a report reads: a cursor over rows with named fields, exposed to the report under its user
// name. The engine moves the cursor while it walks the rows; it never opens or closes the data.
class IReportDataSet
{
public:
    virtual ~IReportDataSet() = default;
    virtual QString UserName() const = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    virtual void Prior() = 0;
    virtual bool Eof() const = 0;
    virtual bool IsEmpty() const = 0;
    virtual bool HasField(const QString &field) const = 0;
    // The current row's value of a field (null: an invalid QVariant).
    virtual QVariant Value(const QString &field) const = 0;
    // The text the program shows for the field's value.
    virtual QString DisplayText(const QString &field) const = 0;
};
