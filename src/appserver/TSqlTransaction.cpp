#include "TSqlTransaction.h"

#include "EAppServerError.h"
#include "TDatabase.h"

#include <QSqlError>

#include <QSqlQuery>

TSqlTransaction::TSqlTransaction(TDatabase &db, TMode mode) : m_db(db), m_mode(mode)
{
    if (db.IsPostgres()) {
        db.Exec(mode == TMode::ReadOnly ? QStringLiteral("BEGIN READ ONLY") : QStringLiteral("BEGIN"));
    } else if (mode == TMode::ReadOnly) {
        db.Exec(QStringLiteral("PRAGMA query_only = ON"));
        try {
            db.Exec(QStringLiteral("BEGIN"));
        } catch (...) {
            QSqlQuery(db.Connection()).exec(QStringLiteral("PRAGMA query_only = OFF"));
            throw;
        }
    } else {
        db.Exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    m_open = true;
}

TSqlTransaction::~TSqlTransaction()
{
    if (m_open) {
        try {
            End(false);
        } catch (...) {
        }
    }
}

void TSqlTransaction::Commit()
{
    End(true);
}

void TSqlTransaction::Rollback()
{
    End(false);
}

void TSqlTransaction::End(bool commit)
{
    if (!m_open)
        return;
    m_open = false;
    QSqlQuery q(m_db.Connection());
    const bool ok = q.exec(commit ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
    if (!m_db.IsPostgres() && m_mode == TMode::ReadOnly)
        QSqlQuery(m_db.Connection()).exec(QStringLiteral("PRAGMA query_only = OFF"));
    if (!ok && commit) {
        // A connection lost on COMMIT leaves the outcome unknown: the request is not run again.
        if (TDatabase::IsLost(m_db.Connection()))
            throw EAppServerError(503,
                                  QStringLiteral("Se perdió la conexión con la base de datos al confirmar los cambios;"
                                                 " vuelva a consultar los datos antes de repetirlos."));
        const QString message = q.lastError().databaseText();
        QSqlQuery(m_db.Connection()).exec(QStringLiteral("ROLLBACK"));
        throw EAppServerError(500, QStringLiteral("No fue posible confirmar la transacción: %1").arg(message));
    }
}
