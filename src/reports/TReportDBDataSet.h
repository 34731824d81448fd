#pragma once

#include "IReportDataSet.h"

#include <QStringList>
#include <QVariant>
#include <vector>

class TDataSet;

// Exposes a client dataset to the reports under a user name. It never opens or closes the dataset.
//
// Two ways to walk the rows:
// - MovesCursor (the default): the dataset's own cursor moves, so its scroll events run for every
//   row, as reports that refill other data on each record need.
// - Reads rows in place: the report keeps a cursor of its own and reads each row through
//   PeekRecord (calculated fields computed for it), leaving the user's current record and its
//   dependent data alone.
class TReportDBDataSet : public IReportDataSet
{
public:
    TReportDBDataSet(const QString &userName, TDataSet *dataSet, bool movesCursor = true);

    void SetDataSet(TDataSet *dataSet) { m_dataSet = dataSet; }
    TDataSet *DataSet() const { return m_dataSet; }
    bool MovesCursor() const { return m_movesCursor; }

    QString UserName() const override { return m_userName; }
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() const override;
    bool IsEmpty() const override;
    bool HasField(const QString &field) const override;
    QVariant Value(const QString &field) const override;
    QString DisplayText(const QString &field) const override;

private:
    void Load();
    int Column(const QString &field) const;

    QString m_userName;
    TDataSet *m_dataSet;
    bool m_movesCursor;
    // Reading in place: the position (1-based) and the values and texts of that row.
    int m_recNo = 0;
    bool m_eof = true;
    std::vector<QVariant> m_values;
    QStringList m_texts;
};
