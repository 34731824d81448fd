#pragma once

#include "DataPacket.h"
#include "TQbeCriterion.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QVariant>

// A field a query by example can filter on.
struct TQbeField
{
    QString Name;  // the dataset's field name
    QString Label; // what the user reads; errors name the field by it
    TFieldType Type = TFieldType::ftString;
    // For a field shown by a text instead of its stored code (compliance "No Cumple" for "N"): the
    // pairs text, code. A value equal to one of the texts (case ignored) stands for its code.
    QList<QPair<QString, QString>> DisplayTexts;
};

// The command a query by example gives: SQL text and the values of its parameters, by name.
struct TQbeStatement
{
    QString Sql;
    QMap<QString, QVariant> Params;
};

// The query by example without any window: a base SQL text, standing conditions (company, date
// range: SQL the program writes, with their own parameter values) and the user's criteria, each
// field + operator + typed value. The criteria become conditions on the base query's columns with
// their values always as parameters (:QBE1, :QBE2 ...), never pasted into the SQL.
class TQbeQuery
{
public:
    // Takes the base SQL; the columns of its select list (alias.column AS NAME) are what criteria on
    // a field compare. A repeated name counts as NAME_1, NAME_2 ... as the dataset names it.
    void SetBaseSql(const QString &sql);
    QString BaseSql() const { return m_baseSql; }
    // Whether the base SQL has a WHERE clause already: conditions then start with AND.
    bool BaseHasWhere = false;
    // Text criteria compare upper-cased on both sides.
    bool UpperCase = false;
    // How the user types dates.
    QString DateFormat = QStringLiteral("dd/MM/yyyy");

    // The SQL expression of a field of the base query's select list, or the name itself.
    QString ColumnOf(const QString &fieldName) const;

    // Standing conditions by key, kept across criteria changes (an empty text removes one), and the
    // values of the parameters they use.
    void SetCondition(const QString &key, const QString &condition);
    QString Condition(const QString &key) const { return m_conditions.value(key); }
    QMap<QString, QVariant> ParamValues;

    // The fields criteria may name; a criterion on another field is refused.
    QList<TQbeField> Fields;
    const TQbeField *FindField(const QString &name) const;

    // The command for these criteria: the base SQL followed by the standing conditions and one
    // condition per criterion, all joined with AND. Raises Exception, with a Spanish message naming
    // the field and the value, for a value that does not fit its field.
    TQbeStatement Build(const QList<TQbeCriterion> &criteria) const;
    // What the conditions add to the base SQL, e.g. " AND MA.COD_EMPR = 1 AND MA.IND_CUMP = :QBE1".
    QString ConditionText(const QList<TQbeCriterion> &criteria, QMap<QString, QVariant> *params = nullptr) const;

private:
    QString CriterionText(const TQbeCriterion &criterion, int number, QMap<QString, QVariant> &params) const;

    QString m_baseSql;
    QMap<QString, QString> m_conditions;
    QMap<QString, QString> m_columns;
};
