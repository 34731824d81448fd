#pragma once

#include <QList>
#include <QMetaType>
#include <QSqlDatabase>
#include <QStringList>
#include <QVariant>

// A client's text on PostgreSQL (client SQL, EjecutarSql), sent through libpq's extended query
// protocol on the handle of a QtSql PostgreSQL connection: PostgreSQL parses it as one statement
// and refuses a text holding two, whatever the server's own scanner made of its quoting. Values
// travel apart from the text ($1, $2 ...). Rows arrive one at a time, so an answer over the
// client's limits is stopped (the statement cancelled) before it is read whole.
class TPgStatement
{
public:
    struct SResult
    {
        QStringList Names;      // as PostgreSQL reports them
        QList<QMetaType> Types; // of each column, from its PostgreSQL type
        QList<QVariantList> Rows;
        int Affected = 0;    // rows written by an INSERT, UPDATE or DELETE
        bool Select = false; // whether the statement answered rows
    };

    // sql uses $n markers; raises EAppServerError: 400 a client's mistake (message the same as on
    // SQLite for a time-out or too large an answer), 403 a refused access, 503 a lost connection.
    // maxRows, maxBytes: 0 for no limit.
    static SResult Run(const QSqlDatabase &db, const QString &sql, const QVariantList &values, int maxRows,
                       qint64 maxBytes);
};
