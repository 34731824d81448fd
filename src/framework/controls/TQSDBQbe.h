#pragma once

#include "TQbeCriterion.h"

#include <QHash>
#include <QMap>
#include <QStringList>
#include <QToolButton>
#include <functional>

class SClientDataSet;
class TDataSet;

// Query by example. The button keeps the base SQL of its dataset (taken by Inicializar) and reopens
// the dataset with the base SQL followed by conditions: the standing ones the form sets (company,
// date range) and those the user enters in the criteria dialog. Tag 1 means the base SQL already
// has a WHERE clause, so conditions are joined with AND; Tag 0 starts them with WHERE.
class TQSDBQbe : public QToolButton
{
    Q_OBJECT
public:
    explicit TQSDBQbe(QWidget *parent = nullptr, const QString &name = QString());

    void SetDataset(TDataSet *dataSet);
    SClientDataSet *Dataset() const { return m_dataSet; }
    // The fields the criteria dialog leaves out (names, case ignored). The dialog offers every data
    // field of the dataset that is not listed; calculated fields are never offered.
    QStringList Campos;
    // What the criteria dialog offers: the dataset's data fields in their order, without Campos.
    QStringList CamposOfrecidos() const;
    int Tag = 0;
    QString FormatoFecha = QStringLiteral("dd/MM/yyyy");
    bool UsaFormatoFecha = false;
    bool PermiteFiltro = true;
    bool Refrescar = false;
    bool SQLUpperCase = false;
    bool Auditar = false;

    // Takes the dataset's current SQL as the base and forgets the user's criteria.
    void Inicializar(bool auditar);
    QString BaseSQL() const { return m_baseSql; }
    // Reopens the dataset with the base SQL followed by the given text.
    void Qquery(const QString &extra);
    // Standing conditions, kept across criteria changes (an empty text removes one).
    void SetCondition(const QString &key, const QString &condition);
    QString Condition(const QString &key) const { return m_conditions.value(key); }
    // Values of parameters the standing conditions use, set after the SQL is replaced.
    QHash<QString, QVariant> ParamValues;
    // Criteria as the user entered them; ApplyCriteria reopens the dataset with them.
    QList<TQbeCriterion> Criteria() const { return m_criteria; }
    void ApplyCriteria(const QList<TQbeCriterion> &criteria);
    // Reopens the dataset with the standing conditions and the current criteria.
    void Reopen();
    // The SQL text the conditions would add, e.g. " AND MA.COD_EMPR = 1".
    QString ConditionText() const { return ConditionText(m_criteria); }
    // The same with other criteria; raises Exception for a value that does not fit its field.
    QString ConditionText(const QList<TQbeCriterion> &criteria) const;

    // The click action: ask for criteria, then reopen. AskCriteria replaces the dialog (tests).
    void Click();
    std::function<bool(QList<TQbeCriterion> &criteria)> AskCriteria;

    // The SQL expression of a field of the base query's select list (alias.column), or the name.
    QString ColumnOf(const QString &fieldName) const;

private:
    QString CriterionText(const TQbeCriterion &criterion) const;
    bool ShowDialog(QList<TQbeCriterion> &criteria);
    void MapColumns();

    SClientDataSet *m_dataSet = nullptr;
    QString m_baseSql;
    QMap<QString, QString> m_conditions;
    QList<TQbeCriterion> m_criteria;
    QHash<QString, QString> m_columns;
};
