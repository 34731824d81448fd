#include "TChangeApplier.h"

#include "EAppServerError.h"
#include "EDatabaseLost.h"
#include "TDatabase.h"
#include "TProviderCatalog.h"
#include "TSchemaCatalog.h"
#include "TSqlTransaction.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSet>

namespace {

bool isNull(const QVariant &v)
{
    return !v.isValid() || v.isNull();
}

// "COL = ?" with the value, or "COL IS NULL".
void whereTerm(QStringList &terms, QVariantList &values, const QString &column, const QVariant &old)
{
    if (isNull(old)) {
        terms << column + QStringLiteral(" IS NULL");
    } else {
        terms << column + QStringLiteral(" = ?");
        values << old;
    }
}

// A text longer than its column is refused, never cut: SQLite would keep it whole and PostgreSQL
// refuse it with a message of its own. Empty when the value fits.
QString lengthRefusal(const SColumnDef &column, const QVariant &value)
{
    const bool text = column.DataType == TFieldType::ftString || column.DataType == TFieldType::ftFixedChar;
    if (!text || column.Size <= 0 || isNull(value))
        return QString();
    const qsizetype length = value.toString().size();
    if (length <= column.Size)
        return QString();
    return QStringLiteral("El campo %1 admite %2 caracteres y se enviaron %3: acorte el texto.")
        .arg(column.Name)
        .arg(column.Size)
        .arg(length);
}

} // namespace

TChangeApplier::TChangeApplier(TDatabase &db, const QSet<int> &companies) : m_db(db), m_companies(companies)
{}

QString TChangeApplier::ConflictMessage()
{
    return QStringLiteral("El registro no existe o fue modificado por otro usuario.");
}

SApplyResult TChangeApplier::Apply(const SProviderDef &provider, const SDelta &delta, int maxErrors)
{
    if (provider.MainTable.isEmpty())
        throw EAppServerError(400, QStringLiteral("El proveedor %1 no admite actualizaciones.").arg(provider.Name));
    const STableDef *table = TSchemaCatalog::Instance().Table(provider.MainTable);
    if (!table)
        throw EAppServerError(500, QStringLiteral("Tabla principal desconocida: %1").arg(provider.MainTable));

    // Field names are unique ignoring case: a second "cod_empr" must not decide what the first does not.
    QSet<QString> seen;
    for (const SFieldDef &f : delta.Fields) {
        const QString name = f.Name.trimmed().toUpper();
        if (seen.contains(name))
            throw EAppServerError(
                400, QStringLiteral("El campo %1 aparece más de una vez en las actualizaciones.").arg(f.Name));
        seen.insert(name);
    }
    auto fieldIndex = [&](const QString &name) {
        for (int i = 0; i < delta.Fields.size(); ++i)
            if (delta.Fields.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    m_keyIndex.clear();
    for (const QString &k : table->Key) {
        const int i = fieldIndex(k);
        if (i < 0)
            throw EAppServerError(400, QStringLiteral("Falta la columna clave %1 en las actualizaciones.").arg(k));
        m_keyIndex << i;
    }
    m_writable.clear();
    for (int i = 0; i < delta.Fields.size(); ++i) {
        const QString &n = delta.Fields.at(i).Name;
        if (table->Column(n) && provider.WritableFields.contains(n, Qt::CaseInsensitive))
            m_writable << i;
    }
    const int width = int(delta.Fields.size());
    for (const SDeltaRow &row : delta.Rows)
        if ((row.Kind != TUpdateKind::ukInsert && row.OldValues.size() != width) ||
            (row.Kind != TUpdateKind::ukDelete && row.NewValues.size() != width) ||
            (row.Kind == TUpdateKind::ukModify && row.Changed.size() != width))
            throw EAppServerError(400,
                                  QStringLiteral("Una fila de actualizaciones no tiene tantos valores como campos."));
    // Rows of companies the user may not open are the database's to refuse (the user's connection):
    // they are not found, and a row written into such a company fails like any other refused row.

    SApplyResult result;
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    for (int r = 0; r < delta.Rows.size(); ++r) {
        const SDeltaRow &row = delta.Rows.at(r);
        m_db.Exec(QStringLiteral("SAVEPOINT ZE_ROW"));
        const QString refusal = ApplyRow(*table, delta, row);
        if (refusal.isEmpty()) {
            m_db.Exec(QStringLiteral("RELEASE SAVEPOINT ZE_ROW"));
            continue;
        }
        m_db.Exec(QStringLiteral("ROLLBACK TO SAVEPOINT ZE_ROW"));
        m_db.Exec(QStringLiteral("RELEASE SAVEPOINT ZE_ROW"));
        result.Errors << SRowError{r, refusal, CurrentValues(*table, delta, row)};
        ++result.ErrorCount;
        if (maxErrors >= 0 && result.ErrorCount > maxErrors)
            break;
    }
    if (maxErrors >= 0 && result.ErrorCount > maxErrors) {
        tx.Rollback();
        result.Committed = false;
    } else {
        tx.Commit();
    }
    return result;
}

QString TChangeApplier::ApplyRow(const STableDef &table, const SDelta &delta, const SDeltaRow &row)
{
    if (row.Kind != TUpdateKind::ukDelete)
        for (int i : std::as_const(m_writable))
            if (row.Kind == TUpdateKind::ukInsert || row.Changed.at(i))
                if (QString refusal = lengthRefusal(*table.Column(delta.Fields.at(i).Name), row.NewValues.at(i));
                    !refusal.isEmpty())
                    return refusal;
    QString sql;
    QVariantList values;
    if (row.Kind == TUpdateKind::ukInsert) {
        QStringList cols, marks;
        for (int i : std::as_const(m_writable)) {
            cols << delta.Fields.at(i).Name.toUpper();
            marks << QStringLiteral("?");
            values << row.NewValues.at(i);
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(table.Name, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    } else {
        QStringList sets, where;
        QVariantList whereValues;
        for (int k = 0; k < m_keyIndex.size(); ++k)
            whereTerm(where, whereValues, table.Key.at(k), row.OldValues.at(m_keyIndex.at(k)));
        if (row.Kind == TUpdateKind::ukModify) {
            for (int i : std::as_const(m_writable)) {
                if (!row.Changed.at(i))
                    continue;
                const QString col = delta.Fields.at(i).Name.toUpper();
                sets << col + QStringLiteral(" = ?");
                values << row.NewValues.at(i);
                const SColumnDef *c = table.Column(col);
                if (c->DataType != TFieldType::ftMemo && c->DataType != TFieldType::ftBlob && !table.Key.contains(col))
                    whereTerm(where, whereValues, col, row.OldValues.at(i));
            }
            if (sets.isEmpty())
                return QString();
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                      .arg(table.Name, sets.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
        } else {
            sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(table.Name, where.join(QStringLiteral(" AND ")));
        }
        values << whereValues;
    }
    QSqlQuery q(m_db.Connection());
    QString error;
    int affected = 0;
    if (!m_db.Execute(q, sql, values, &error, &affected))
        return error;
    if (affected < 1)
        return ConflictMessage();
    if (affected > 1)
        return QStringLiteral("La actualización afectó más de un registro.");
    return QString();
}

QVariantList TChangeApplier::CurrentValues(const STableDef &table, const SDelta &delta, const SDeltaRow &row)
{
    const QVariantList &keySource = row.Kind == TUpdateKind::ukInsert ? row.NewValues : row.OldValues;
    QStringList where;
    QVariantList values;
    for (int k = 0; k < m_keyIndex.size(); ++k)
        whereTerm(where, values, table.Key.at(k), keySource.at(m_keyIndex.at(k)));
    QStringList cols;
    QList<int> positions;
    for (int i = 0; i < delta.Fields.size(); ++i)
        if (table.Column(delta.Fields.at(i).Name)) {
            cols << delta.Fields.at(i).Name.toUpper();
            positions << i;
        }
    QVariantList current;
    try {
        QSqlQuery q =
            m_db.Run(QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                         .arg(cols.join(QStringLiteral(", ")), table.Name, where.join(QStringLiteral(" AND "))),
                     values);
        if (!q.next())
            return current;
        for (int i = 0; i < delta.Fields.size(); ++i)
            current << QVariant();
        for (int c = 0; c < positions.size(); ++c)
            current[positions.at(c)] = TDatabase::FromDb(q.value(c), table.Column(cols.at(c))->DataType);
    } catch (const EDatabaseLost &) {
        throw; // the request runs again on a new connection
    } catch (const EAppServerError &) {
        current.clear();
    }
    return current;
}
