#pragma once

#include "TQbeCriterion.h"

#include <QDialog>

class QTableWidget;

// The criteria entry of the query-by-example button: one row per condition (field, operator,
// value); all rows must hold.
class TQbeDialog : public QDialog
{
    Q_OBJECT
public:
    TQbeDialog(const QList<QPair<QString, QString>> &fields, const QList<TQbeCriterion> &criteria,
               QWidget *parent = nullptr);

    QList<TQbeCriterion> Criteria() const;
    void AddRow(const TQbeCriterion &criterion = TQbeCriterion());

private:
    QList<QPair<QString, QString>> m_fields;
    QTableWidget *m_table;
};
