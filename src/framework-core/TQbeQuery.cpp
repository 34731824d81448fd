#include "TQbeQuery.h"

#include "SysUtils.h"
#include "TSqlText.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace {

// The [start, end) ranges of a select list's items: split at its top-level commas. code is the
// statement as TSqlText::Code gives it, so commas and parentheses in quotes or comments do not count.
QList<QPair<int, int>> selectItems(const QString &code, int start, int end)
{
    QList<QPair<int, int>> items;
    int depth = 0;
    int from = start;
    for (int i = start; i < end; ++i) {
        const QChar c = code.at(i);
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (c == u',' && depth == 0) {
            items << qMakePair(from, i);
            from = i + 1;
        }
    }
    items << qMakePair(from, end);
    return items;
}

QString comparison(TQbeOperator op)
{
    switch (op) {
    case TQbeOperator::Equal:
        return QStringLiteral("=");
    case TQbeOperator::NotEqual:
        return QStringLiteral("<>");
    case TQbeOperator::Greater:
        return QStringLiteral(">");
    case TQbeOperator::GreaterOrEqual:
        return QStringLiteral(">=");
    case TQbeOperator::Less:
        return QStringLiteral("<");
    case TQbeOperator::LessOrEqual:
        return QStringLiteral("<=");
    case TQbeOperator::Contains:
    case TQbeOperator::StartsWith:
        break;
    }
    throw Exception(QStringLiteral("Operador de consulta no reconocido."));
}

bool isPattern(TQbeOperator op)
{
    return op == TQbeOperator::Contains || op == TQbeOperator::StartsWith;
}

} // namespace

void TQbeQuery::SetBaseSql(const QString &sql)
{
    m_baseSql = sql;
    m_columns.clear();
    // The select list and its aliases are read on the statement's structure: a FROM, a comma or an
    // AS inside a literal, a quoted name or a comment is not one.
    const QString code = TSqlText(sql, TSqlText::TDialect::Either).Code();
    static const QRegularExpression selectFrom(QStringLiteral("^\\s*SELECT\\s+(.*?)\\s+FROM\\s"),
                                               QRegularExpression::CaseInsensitiveOption |
                                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = selectFrom.match(code);
    if (!m.hasMatch())
        return;
    QMap<QString, int> seen;
    for (const auto &[start, end] : selectItems(code, int(m.capturedStart(1)), int(m.capturedEnd(1)))) {
        static const QRegularExpression alias(QStringLiteral("^(.*)\\s+AS\\s+(\\w+)\\s*$"),
                                              QRegularExpression::CaseInsensitiveOption |
                                                  QRegularExpression::DotMatchesEverythingOption);
        const QString item = sql.mid(start, end - start);
        const QRegularExpressionMatch a = alias.match(QStringView(code).mid(start, end - start));
        const QString expression = (a.hasMatch() ? item.left(a.capturedEnd(1)) : item).trimmed();
        QString name = (a.hasMatch() ? a.captured(2) : expression.section(QLatin1Char('.'), -1)).trimmed().toUpper();
        if (name.isEmpty())
            continue;
        const int n = seen.value(name, 0);
        seen.insert(name, n + 1);
        if (n > 0)
            name += QStringLiteral("_%1").arg(n);
        m_columns.insert(name, expression);
    }
}

QString TQbeQuery::ColumnOf(const QString &fieldName) const
{
    return m_columns.value(fieldName.toUpper(), fieldName);
}

void TQbeQuery::SetCondition(const QString &key, const QString &condition)
{
    if (condition.trimmed().isEmpty())
        m_conditions.remove(key);
    else
        m_conditions.insert(key, condition.trimmed());
}

const TQbeField *TQbeQuery::FindField(const QString &name) const
{
    for (const TQbeField &f : Fields)
        if (f.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &f;
    return nullptr;
}

QString TQbeQuery::CriterionText(const TQbeCriterion &c, int number, QMap<QString, QVariant> &params) const
{
    const TQbeField *field = FindField(c.Field);
    if (!field)
        throw Exception(QStringLiteral("No se puede consultar por el campo '%1'.").arg(c.Field));
    const QString column = ColumnOf(field->Name);
    const QString typed = c.Value.trimmed();
    if (typed.isEmpty())
        return column +
               (c.Operator == TQbeOperator::NotEqual ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL"));
    QString value = typed;
    for (const auto &[text, code] : field->DisplayTexts)
        if (text.compare(typed, Qt::CaseInsensitive) == 0 || code.compare(typed, Qt::CaseInsensitive) == 0) {
            value = code;
            break;
        }
    const QString name = QStringLiteral("QBE%1").arg(number);
    const QString param = QLatin1Char(':') + name;

    if (IsNumericType(field->Type)) {
        bool ok = false;
        double n = QLocale(QLocale::Spanish, QLocale::Colombia).toDouble(value, &ok);
        if (!ok)
            n = QLocale::c().toDouble(value, &ok);
        if (!ok || !std::isfinite(n) || isPattern(c.Operator))
            throw Exception(QStringLiteral("'%1' no es un valor válido para el campo '%2'.").arg(typed, field->Label));
        const bool whole = field->Type != TFieldType::ftFloat && n == std::floor(n) && std::fabs(n) < 2147483648.0;
        params.insert(name, whole ? QVariant(int(n)) : QVariant(n));
        return QStringLiteral("%1 %2 %3").arg(column, comparison(c.Operator), param);
    }
    if (field->Type == TFieldType::ftDateTime) {
        const QDate date = QDate::fromString(value, DateFormat);
        if (!date.isValid() || isPattern(c.Operator))
            throw Exception(QStringLiteral("'%1' no es una fecha válida para el campo '%2' (formato %3).")
                                .arg(typed, field->Label, DateFormat));
        // A day is every moment from its start to the next day's start.
        const QString next = QStringLiteral(":%1_SIG").arg(name);
        params.insert(name, date.startOfDay());
        params.insert(name + QStringLiteral("_SIG"), date.addDays(1).startOfDay());
        switch (c.Operator) {
        case TQbeOperator::Equal:
            return QStringLiteral("(%1 >= %2 AND %1 < %3)").arg(column, param, next);
        case TQbeOperator::NotEqual:
            return QStringLiteral("(%1 < %2 OR %1 >= %3)").arg(column, param, next);
        case TQbeOperator::Greater:
            return QStringLiteral("%1 >= %2").arg(column, next);
        case TQbeOperator::LessOrEqual:
            return QStringLiteral("%1 < %2").arg(column, next);
        default:
            params.remove(name + QStringLiteral("_SIG"));
            return QStringLiteral("%1 %2 %3").arg(column, comparison(c.Operator), param);
        }
    }
    const QString left = UpperCase ? QStringLiteral("UPPER(%1)").arg(column) : column;
    if (UpperCase)
        value = value.toUpper();
    if (c.Operator == TQbeOperator::Contains) {
        params.insert(name, QLatin1Char('%') + value + QLatin1Char('%'));
        return QStringLiteral("%1 LIKE %2").arg(left, param);
    }
    if (c.Operator == TQbeOperator::StartsWith) {
        params.insert(name, value + QLatin1Char('%'));
        return QStringLiteral("%1 LIKE %2").arg(left, param);
    }
    params.insert(name, value);
    return QStringLiteral("%1 %2 %3").arg(left, comparison(c.Operator), param);
}

QString TQbeQuery::ConditionText(const QList<TQbeCriterion> &criteria, QMap<QString, QVariant> *params) const
{
    QMap<QString, QVariant> values;
    QStringList parts = m_conditions.values();
    int number = 0;
    for (const TQbeCriterion &c : criteria)
        parts << CriterionText(c, ++number, values);
    if (params)
        *params = values;
    if (parts.isEmpty())
        return QString();
    return (BaseHasWhere ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ")) + parts.join(QStringLiteral(" AND "));
}

TQbeStatement TQbeQuery::Build(const QList<TQbeCriterion> &criteria) const
{
    TQbeStatement statement;
    QMap<QString, QVariant> values;
    QString base = m_baseSql;
    while (!base.isEmpty() && base.back().isSpace())
        base.chop(1);
    statement.Sql = base + ConditionText(criteria, &values);
    statement.Params = ParamValues;
    statement.Params.insert(values);
    return statement;
}
