#pragma once

#include "TQbeCriterion.h"

#include <QDialog>

class QLabel;
class QTableWidget;

// The criteria entry of the query-by-example button: one row per condition (field, operator,
// value); all rows must hold. Operators read in Spanish ("igual a", "contiene" ...).
class TQbeDialog : public QDialog
{
    Q_OBJECT
public:
    TQbeDialog(const QList<QPair<QString, QString>> &fields, const QList<TQbeCriterion> &criteria,
               QWidget *parent = nullptr);

    // The rows that hold a value, as typed.
    QList<TQbeCriterion> Criteria() const;
    // Replaces the rows (an empty list leaves one empty row).
    void SetCriteria(const QList<TQbeCriterion> &criteria);
    void AddRow(const TQbeCriterion &criterion = TQbeCriterion());
    // Why the criteria were refused, shown above the buttons; empty hides it.
    void SetError(const QString &message);
    QString Error() const;

private:
    QList<QPair<QString, QString>> m_fields;
    QTableWidget *m_table;
    QLabel *m_error;
};
