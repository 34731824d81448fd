#pragma once

#include "TQbeQuery.h"

#include <QStringList>
#include <QToolButton>

class SClientDataSet;
class TDataSet;

// Query by example. The button keeps the base SQL of its dataset (taken by Inicializar) and reopens
// the dataset with the base SQL followed by conditions: the standing ones the form sets (company,
// date range) and those the user enters in the criteria dialog, built by TQbeQuery with the values
// as parameters. Tag 1 means the base SQL already has a WHERE clause, so conditions are joined with
// AND; Tag 0 starts them with WHERE.
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

    // The texts a field is shown by instead of its stored code (pairs text, code): a criterion may
    // give either.
    void SetDisplayTexts(const QString &fieldName, const QList<QPair<QString, QString>> &texts);

    // Takes the dataset's current SQL as the base and forgets the user's criteria.
    void Inicializar(bool auditar);
    QString BaseSQL() const { return m_query.BaseSql(); }
    // Reopens the dataset with the base SQL followed by the given text (SQL of the program).
    void Qquery(const QString &extra);
    // Standing conditions, kept across criteria changes (an empty text removes one).
    void SetCondition(const QString &key, const QString &condition) { m_query.SetCondition(key, condition); }
    QString Condition(const QString &key) const { return m_query.Condition(key); }
    // Values of parameters the standing conditions use, set after the SQL is replaced.
    QMap<QString, QVariant> &ParamValues;
    // Criteria as the user entered them; ApplyCriteria reopens the dataset with them (a value that
    // does not fit its field raises Exception before anything changes).
    QList<TQbeCriterion> Criteria() const { return m_criteria; }
    void ApplyCriteria(const QList<TQbeCriterion> &criteria);
    // Drops the user's criteria and reopens with the standing conditions only.
    void QuitarFiltro() { ApplyCriteria({}); }
    // The user's criteria as a user reads them, e.g. "Calificación igual a No Cumple"; empty
    // without criteria.
    QString FilterText() const;
    // Reopens the dataset with the standing conditions and the current criteria.
    void Reopen();
    // The command the conditions give with these criteria.
    TQbeStatement Statement(const QList<TQbeCriterion> &criteria) const;

    // The click action: asks for criteria through the application's prompt service, then reopens.
    // A criterion that does not fit its field keeps the dialog open with what the user typed.
    void Click();

    // The SQL expression of a field of the base query's select list (alias.column), or the name.
    QString ColumnOf(const QString &fieldName) const { return m_query.ColumnOf(fieldName); }

    // Operator names as the dialog shows them ("igual a", "contiene" ...).
    static QString OperatorText(TQbeOperator op);

signals:
    // The user's criteria changed (applied or dropped).
    void CriteriaChanged();

private:
    void Open(const TQbeStatement &statement);

    SClientDataSet *m_dataSet = nullptr;
    TQbeQuery m_query;
    QList<TQbeCriterion> m_criteria;
    QMap<QString, QList<QPair<QString, QString>>> m_displayTexts;
};
