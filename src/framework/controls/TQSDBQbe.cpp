#include "controls/TQSDBQbe.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "controls/TQbeDialog.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

#include <QLocale>
#include <QRegularExpression>

namespace {
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

// Splits a select list at its top-level commas.
QStringList splitSelectList(const QString &list)
{
    QStringList items;
    int depth = 0;
    QString current;
    for (const QChar c : list) {
        if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        if (c == u',' && depth == 0) {
            items << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty())
        items << current.trimmed();
    return items;
}
} // namespace

TQSDBQbe::TQSDBQbe(QWidget *parent, const QString &name) : QToolButton(parent)
{
    setObjectName(name);
    setText(QStringLiteral("QBE"));
    setToolTip(QStringLiteral("Query By Example"));
    connect(this, &QToolButton::clicked, this, [this] {
        Application()->Guard([&] { Click(); });
    });
}

void TQSDBQbe::SetDataset(TDataSet *dataSet)
{
    m_dataSet = qobject_cast<SClientDataSet *>(dataSet);
}

void TQSDBQbe::Inicializar(bool auditar)
{
    Auditar = auditar;
    m_criteria.clear();
    m_baseSql = m_dataSet ? m_dataSet->SQL().join(QStringLiteral("\r\n")) : QString();
    MapColumns();
}

void TQSDBQbe::MapColumns()
{
    m_columns.clear();
    static const QRegularExpression selectFrom(QStringLiteral("^\\s*SELECT\\s+(.*?)\\s+FROM\\s"),
                                               QRegularExpression::CaseInsensitiveOption |
                                                   QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = selectFrom.match(m_baseSql);
    if (!m.hasMatch())
        return;
    QHash<QString, int> seen;
    for (const QString &item : splitSelectList(m.captured(1))) {
        static const QRegularExpression alias(QStringLiteral("^(.*)\\s+AS\\s+(\\w+)$"),
                                              QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch a = alias.match(item);
        QString expression = a.hasMatch() ? a.captured(1).trimmed() : item;
        QString name = a.hasMatch() ? a.captured(2) : item.section(QLatin1Char('.'), -1);
        name = name.trimmed().toUpper();
        // A repeated column name arrives as NAME_1, NAME_2 ...
        const int n = seen.value(name, 0);
        seen.insert(name, n + 1);
        if (n > 0)
            name += QStringLiteral("_%1").arg(n);
        m_columns.insert(name, expression);
    }
}

QString TQSDBQbe::ColumnOf(const QString &fieldName) const
{
    return m_columns.value(fieldName.toUpper(), fieldName);
}

void TQSDBQbe::Qquery(const QString &extra)
{
    if (!m_dataSet)
        return;
    QString base = m_baseSql;
    while (!base.isEmpty() && base.back().isSpace())
        base.chop(1);
    m_dataSet->Close();
    m_dataSet->SetSQL(QStringList{base + extra});
    for (auto it = ParamValues.cbegin(); it != ParamValues.cend(); ++it)
        if (TParam *p = m_dataSet->Params().FindParam(it.key())) {
            if (it.value().typeId() == QMetaType::QDateTime)
                p->SetAsDateTime(it.value().toDateTime());
            else
                p->SetValue(it.value());
        }
    m_dataSet->Open();
}

void TQSDBQbe::SetCondition(const QString &key, const QString &condition)
{
    if (condition.trimmed().isEmpty())
        m_conditions.remove(key);
    else
        m_conditions.insert(key, condition.trimmed());
}

QString TQSDBQbe::CriterionText(const TQbeCriterion &c) const
{
    TField *field = m_dataSet ? m_dataSet->FindField(c.Field) : nullptr;
    const QString label = field ? field->DisplayLabel() : c.Field;
    const QString column = ColumnOf(c.Field);
    const QString value = c.Value.trimmed();
    const TFieldType type = field ? field->DataType() : TFieldType::ftString;
    const QString op = c.Operator.isEmpty() ? QStringLiteral("=") : c.Operator;
    if (value.isEmpty())
        return op == QStringLiteral("<>") ? column + QStringLiteral(" IS NOT NULL") : column + QStringLiteral(" IS NULL");
    if (IsNumericType(type)) {
        bool ok = false;
        double number = QLocale(QLocale::Spanish, QLocale::Colombia).toDouble(value, &ok);
        if (!ok)
            number = QLocale::c().toDouble(value, &ok);
        if (!ok || op == QStringLiteral("contiene") || op == QStringLiteral("empieza por"))
            throw Exception(QStringLiteral("'%1' no es un valor válido para el campo '%2'.").arg(value, label));
        return QStringLiteral("%1 %2 %3").arg(column, op, QString::number(number, 'g', 15));
    }
    if (type == TFieldType::ftDateTime) {
        const QDate date = QDate::fromString(value, FormatoFecha);
        if (!date.isValid() || op == QStringLiteral("contiene") || op == QStringLiteral("empieza por"))
            throw Exception(QStringLiteral("'%1' no es una fecha válida para el campo '%2' (formato %3).")
                                .arg(value, label, FormatoFecha));
        const QString day = quoted(date.toString(Qt::ISODate));
        const QString next = quoted(date.addDays(1).toString(Qt::ISODate));
        if (op == QStringLiteral("="))
            return QStringLiteral("(%1 >= %2 AND %1 < %3)").arg(column, day, next);
        if (op == QStringLiteral("<>"))
            return QStringLiteral("(%1 < %2 OR %1 >= %3)").arg(column, day, next);
        if (op == QStringLiteral(">") || op == QStringLiteral("<="))
            return QStringLiteral("%1 %2 %3").arg(column, op == QStringLiteral(">") ? QStringLiteral(">=")
                                                                                    : QStringLiteral("<"), next);
        return QStringLiteral("%1 %2 %3").arg(column, op, day);
    }
    QString left = column;
    QString right = value;
    if (SQLUpperCase) {
        left = QStringLiteral("UPPER(%1)").arg(column);
        right = value.toUpper();
    }
    if (op == QStringLiteral("contiene"))
        return QStringLiteral("%1 LIKE %2").arg(left, quoted(QLatin1Char('%') + right + QLatin1Char('%')));
    if (op == QStringLiteral("empieza por"))
        return QStringLiteral("%1 LIKE %2").arg(left, quoted(right + QLatin1Char('%')));
    return QStringLiteral("%1 %2 %3").arg(left, op, quoted(right));
}

QString TQSDBQbe::ConditionText(const QList<TQbeCriterion> &criteria) const
{
    QStringList parts = m_conditions.values();
    for (const TQbeCriterion &c : criteria)
        parts << CriterionText(c);
    if (parts.isEmpty())
        return QString();
    return (Tag == 0 ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ")) + parts.join(QStringLiteral(" AND "));
}

void TQSDBQbe::Reopen()
{
    Qquery(ConditionText());
}

void TQSDBQbe::ApplyCriteria(const QList<TQbeCriterion> &criteria)
{
    // A value that does not fit its field is refused before the dataset closes.
    const QString text = ConditionText(criteria);
    m_criteria = criteria;
    Qquery(text);
}

void TQSDBQbe::Click()
{
    if (!m_dataSet)
        return;
    QList<TQbeCriterion> criteria = m_criteria;
    const bool accepted = AskCriteria ? AskCriteria(criteria) : ShowDialog(criteria);
    if (accepted)
        ApplyCriteria(criteria);
}

QStringList TQSDBQbe::CamposOfrecidos() const
{
    QStringList offered;
    if (!m_dataSet)
        return offered;
    auto leftOut = [this](const QString &name) {
        for (const QString &entry : Campos)
            if (entry.trimmed().compare(name, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    for (const TField *f : m_dataSet->Fields())
        if (!f->Calculated() && !leftOut(f->FieldName()))
            offered << f->FieldName();
    return offered;
}

bool TQSDBQbe::ShowDialog(QList<TQbeCriterion> &criteria)
{
    QList<QPair<QString, QString>> fields; // name, label
    for (const QString &name : CamposOfrecidos())
        fields.append({name, m_dataSet->FieldByName(name)->DisplayLabel()});
    TQbeDialog dialog(fields, criteria, window());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    criteria = dialog.Criteria();
    return true;
}
