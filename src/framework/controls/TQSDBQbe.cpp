#include "controls/TQSDBQbe.h"

#include "SysUtils.h"
#include "TApplication.h"
#include "TPrompts.h"
#include "controls/TQbeDialog.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"

TQSDBQbe::TQSDBQbe(QWidget *parent, const QString &name) : QToolButton(parent), ParamValues(m_query.ParamValues)
{
    setObjectName(name);
    setText(QStringLiteral("QBE"));
    setToolTip(QStringLiteral("Consulta por ejemplo"));
    connect(this, &QToolButton::clicked, this, [this] { Application()->Guard([&] { Click(); }); });
}

QString TQSDBQbe::OperatorText(TQbeOperator op)
{
    switch (op) {
    case TQbeOperator::Equal:
        return QStringLiteral("igual a");
    case TQbeOperator::NotEqual:
        return QStringLiteral("distinto de");
    case TQbeOperator::Greater:
        return QStringLiteral("mayor que");
    case TQbeOperator::GreaterOrEqual:
        return QStringLiteral("mayor o igual a");
    case TQbeOperator::Less:
        return QStringLiteral("menor que");
    case TQbeOperator::LessOrEqual:
        return QStringLiteral("menor o igual a");
    case TQbeOperator::Contains:
        return QStringLiteral("contiene");
    case TQbeOperator::StartsWith:
        return QStringLiteral("empieza por");
    }
    return QString();
}

void TQSDBQbe::SetDataset(TDataSet *dataSet)
{
    m_dataSet = qobject_cast<SClientDataSet *>(dataSet);
}

void TQSDBQbe::SetDisplayTexts(const QString &fieldName, const QList<QPair<QString, QString>> &texts)
{
    m_displayTexts.insert(fieldName.toUpper(), texts);
}

void TQSDBQbe::Inicializar(bool auditar)
{
    Auditar = auditar;
    m_criteria.clear();
    m_query.SetBaseSql(m_dataSet ? m_dataSet->SQL().join(QStringLiteral("\r\n")) : QString());
    emit CriteriaChanged();
}

TQbeStatement TQSDBQbe::Statement(const QList<TQbeCriterion> &criteria) const
{
    TQbeQuery query = m_query;
    query.BaseHasWhere = Tag != 0;
    query.UpperCase = SQLUpperCase;
    query.DateFormat = FormatoFecha;
    if (m_dataSet)
        for (const TField *f : m_dataSet->Fields())
            if (!f->Calculated())
                query.Fields.append(
                    {f->FieldName(), f->DisplayLabel(), f->DataType(), m_displayTexts.value(f->FieldName().toUpper())});
    return query.Build(criteria);
}

void TQSDBQbe::Open(const TQbeStatement &statement)
{
    if (!m_dataSet)
        return;
    m_dataSet->Close();
    m_dataSet->SetSQL(QStringList{statement.Sql});
    for (auto it = statement.Params.cbegin(); it != statement.Params.cend(); ++it) {
        TParam *p = m_dataSet->Params().FindParam(it.key());
        if (!p)
            continue;
        switch (it.value().typeId()) {
        case QMetaType::QDateTime:
            p->SetAsDateTime(it.value().toDateTime());
            break;
        case QMetaType::Int:
            p->SetAsInteger(it.value().toInt());
            break;
        case QMetaType::Double:
            p->SetAsFloat(it.value().toDouble());
            break;
        case QMetaType::QString:
            p->SetAsString(it.value().toString());
            break;
        default:
            p->SetValue(it.value());
        }
    }
    m_dataSet->Open();
}

void TQSDBQbe::Qquery(const QString &extra)
{
    TQbeStatement statement;
    statement.Sql = m_query.BaseSql();
    while (!statement.Sql.isEmpty() && statement.Sql.back().isSpace())
        statement.Sql.chop(1);
    statement.Sql += extra;
    statement.Params = m_query.ParamValues;
    Open(statement);
}

void TQSDBQbe::Reopen()
{
    Open(Statement(m_criteria));
}

void TQSDBQbe::ApplyCriteria(const QList<TQbeCriterion> &criteria)
{
    // A value that does not fit its field is refused before the dataset closes.
    const TQbeStatement statement = Statement(criteria);
    const bool changed = criteria != m_criteria;
    m_criteria = criteria;
    Open(statement);
    if (changed)
        emit CriteriaChanged();
}

QString TQSDBQbe::FilterText() const
{
    QStringList parts;
    for (const TQbeCriterion &c : m_criteria) {
        const TField *field = m_dataSet ? m_dataSet->FindField(c.Field) : nullptr;
        QString value = c.Value.trimmed();
        for (const auto &[text, code] : m_displayTexts.value(c.Field.toUpper()))
            if (code.compare(value, Qt::CaseInsensitive) == 0 || text.compare(value, Qt::CaseInsensitive) == 0) {
                value = text;
                break;
            }
        parts << QStringLiteral("%1 %2 %3")
                     .arg(field ? field->DisplayLabel() : c.Field, OperatorText(c.Operator),
                          value.isEmpty() ? QStringLiteral("(vacío)") : value);
    }
    return parts.join(QStringLiteral("; "));
}

void TQSDBQbe::Click()
{
    if (!m_dataSet)
        return;
    QList<QPair<QString, QString>> fields; // name, label
    for (const QString &name : CamposOfrecidos())
        fields.append({name, m_dataSet->FieldByName(name)->DisplayLabel()});
    TQbeDialog dialog(fields, m_criteria, window());
    for (;;) {
        if (Application()->Prompts().ShowModal(dialog) != QDialog::Accepted)
            return;
        const QList<TQbeCriterion> criteria = dialog.Criteria();
        try {
            ApplyCriteria(criteria);
            return;
        } catch (const EAbort &) {
            throw;
        } catch (const Exception &e) {
            // Asked again with the rows as typed and the reason.
            dialog.SetError(e.Message());
        }
    }
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
