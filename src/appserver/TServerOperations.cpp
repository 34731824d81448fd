#include "TServerOperations.h"

#include "EAppServerError.h"
#include "EDatabaseLost.h"
#include "TDatabase.h"
#include "TPgStatement.h"
#include "TRecordReader.h"
#include "TSchemaCatalog.h"
#include "TSqlText.h"
#include "TSqlTransaction.h"
#include "TClientStatement.h"
#include "TUserScope.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

TServerOperations::TServerOperations(TDatabase &db, const QSet<int> &companies, std::function<QDateTime()> clock)
    : m_db(db), m_companies(companies), m_clock(std::move(clock))
{}

QVariant TServerOperations::Call(const QString &method, QVariantList &args)
{
    const QString m = method.trimmed();
    if (m.compare(QStringLiteral("BuscarFechaServidor"), Qt::CaseInsensitive) == 0)
        return BuscarFechaServidor();
    if (m.compare(QStringLiteral("EjecutarSql"), Qt::CaseInsensitive) == 0)
        return EjecutarSql(args);
    if (m.compare(QStringLiteral("GenerarRMT"), Qt::CaseInsensitive) == 0)
        return GenerarRMT(args);
    throw EAppServerError(404, QStringLiteral("El servidor de aplicaciones no tiene el método %1.").arg(m));
}

void TServerOperations::CheckCompany(const QVariant &company) const
{
    bool ok = false;
    const int code = company.toInt(&ok);
    if (!ok)
        throw EAppServerError(400, QStringLiteral("El código de empresa no es un número entero."));
    if (!m_companies.contains(code))
        throw EAppServerError(403, QStringLiteral("La empresa %1 no está asignada al usuario.").arg(code));
}

QVariant TServerOperations::BuscarFechaServidor()
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

QVariant TServerOperations::EjecutarSql(QVariantList &args)
{
    // The statement array may come as the first argument (the module's form) or as the list itself.
    QVariantList array;
    if (!args.isEmpty() && args.at(0).typeId() == QMetaType::QVariantList)
        array = args.at(0).toList();
    else
        array = args;
    while (args.size() < 3)
        args << QVariant();
    if (array.isEmpty() || array.at(0).typeId() != QMetaType::QString)
        throw EAppServerError(400, QStringLiteral("EjecutarSql espera un arreglo con el texto SQL y sus valores."));

    // The statement runs on the user's connection: the database keeps it to the module's tables and
    // to rows of the user's companies; a row it refuses fails the statement and nothing is written.
    const TSqlText sql(array.at(0).toString(),
                       m_db.IsPostgres() ? TSqlText::TDialect::Postgres : TSqlText::TDialect::Sqlite);
    const QString first = sql.FirstKeyword();
    const bool select = first == QStringLiteral("SELECT");
    if (sql.MultipleStatements() || sql.Unterminated() ||
        !(select || first == QStringLiteral("UPDATE") || first == QStringLiteral("INSERT") ||
          first == QStringLiteral("DELETE"))) {
        args[1] = QVariant();
        args[2] = QStringLiteral("Sentencia no permitida.");
        return 1;
    }
    // Values go with parameter names in order of first appearance; a repeated name reuses its value.
    QStringList distinct;
    for (const QString &n : sql.ParamNames())
        if (!distinct.contains(n, Qt::CaseInsensitive))
            distinct << n;
    QList<SParam> params;
    for (int i = 0; i < distinct.size(); ++i)
        params << SParam{distinct.at(i), TFieldType::ftUnknown, i + 1 < array.size() ? array.at(i + 1) : QVariant()};

    try {
        TUserScope scope(m_db, m_companies);
        TClientStatement client(m_db, select ? TDatabase::TClientMode::Read : TDatabase::TClientMode::Write);
        TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
        if (m_db.IsPostgres()) // SQLite: the guard interrupts a client's text past the same limit
            m_db.Exec(QStringLiteral("SET LOCAL statement_timeout = %1").arg(m_db.ClientMilliseconds()));
        QVariant outcome;
        int affected = 0;
        const QVariantList values = TRecordReader::BindValues(sql.ParamNames(), params);
        if (m_db.IsPostgres()) {
            // One statement by construction: the extended protocol refuses a text holding two.
            const TPgStatement::SResult r = TPgStatement::Run(m_db.Connection(), sql.Positional(), values,
                                                              m_db.ClientMaxRows(), m_db.ClientMaxBytes());
            affected = r.Affected;
            outcome = r.Select ? (r.Rows.isEmpty() || r.Rows.first().isEmpty() ? QVariant() : r.Rows.first().first())
                               : QVariant(affected);
        } else {
            QSqlQuery q(m_db.Connection());
            QString error;
            if (!m_db.Execute(q, sql.Positional(), values, &error, &affected))
                throw EAppServerError(400, error);
            outcome = q.isSelect() ? (q.next() ? q.value(0) : QVariant()) : QVariant(affected);
        }
        // Rows of another company are invisible to the user's connection: changing them changes
        // nothing. Such a statement, like one whose rows do not exist, answers 1, so that the answer
        // tells nothing of what other companies hold.
        if ((first == QStringLiteral("UPDATE") || first == QStringLiteral("DELETE")) && affected == 0)
            throw EAppServerError(400, NoRowChangedMessage());
        tx.Commit();
        args[1] = outcome;
        args[2] = QString();
        return 0;
    } catch (const EDatabaseLost &) {
        throw; // the request runs again on a new connection
    } catch (const EAppServerError &e) {
        args[1] = QVariant();
        args[2] = e.Message();
        return 1;
    }
}

QVariant TServerOperations::GenerarRMT(QVariantList &args)
{
    QVariantList array;
    if (args.size() == 1 && args.at(0).typeId() == QMetaType::QVariantList)
        array = args.at(0).toList();
    else
        array = args;
    if (array.size() != 3)
        throw EAppServerError(400, QStringLiteral("GenerarRMT espera empresa, tabla y columna clave."));
    CheckCompany(array.at(0));
    const int company = array.at(0).toInt();
    const QString tableName = array.at(1).toString().trimmed().toUpper();
    const QString column = array.at(2).toString().trimmed().toUpper();
    const STableDef *table = TSchemaCatalog::Instance().Table(tableName);
    const SColumnDef *col = table ? table->Column(column) : nullptr;
    if (!table || table->Internal || !col || !table->Column(QStringLiteral("COD_EMPR")) ||
        (col->DataType != TFieldType::ftInteger && col->DataType != TFieldType::ftSmallint))
        throw EAppServerError(
            400, QStringLiteral("GenerarRMT: %1.%2 no es una columna de secuencia.").arg(tableName, column));

    // Names are checked against the schema above before they enter the text.
    const QString maxSql =
        QStringLiteral("(SELECT COALESCE(MAX(%1), 0) FROM %2 WHERE COD_EMPR = ?)").arg(column, tableName);
    TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
    m_db.Run(QStringLiteral("INSERT INTO SV_CONTA (COD_EMPR, NOM_TABL, NOM_COLU, ULT_VALO) VALUES (?, ?, ?, 0)"
                            " ON CONFLICT (COD_EMPR, NOM_TABL, NOM_COLU) DO NOTHING"),
             {company, tableName, column});
    int next = 0;
    {
        QSqlQuery q =
            m_db.Run(QStringLiteral("UPDATE SV_CONTA SET ULT_VALO = CASE WHEN ULT_VALO >= %1 THEN ULT_VALO + 1"
                                    " ELSE %1 + 1 END"
                                    " WHERE COD_EMPR = ? AND NOM_TABL = ? AND NOM_COLU = ? RETURNING ULT_VALO")
                         .arg(maxSql),
                     {company, company, company, tableName, column});
        if (!q.next())
            throw EAppServerError(500, QStringLiteral("GenerarRMT: no se pudo leer el contador."));
        next = q.value(0).toInt();
    }
    tx.Commit();
    return next;
}
