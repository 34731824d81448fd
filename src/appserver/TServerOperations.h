#pragma once

#include <QDateTime>
#include <QSet>
#include <QVariant>
#include <functional>

class TDatabase;

// The late-bound operations of the application server:
// - BuscarFechaServidor(): the server's current date and time.
// - EjecutarSql(array, out rows, out message): array = SQL text then the values of its ":NAME"
//   parameters in order of first appearance; one data statement (SELECT, INSERT, UPDATE, DELETE),
//   run in its own transaction. Result 0, or 1 when the statement failed or an UPDATE or DELETE
//   changed no row (message in args[2]).
// - GenerarRMT(array): array = company, table, key column; the next integer never issued nor used
//   as that key for that company. A per-company counter row, bumped in a write transaction, keeps
//   numbers unique across concurrent clients and restarts; it never falls below the table's MAX.
class TServerOperations
{
public:
    TServerOperations(TDatabase &db, const QSet<int> &companies, std::function<QDateTime()> clock = {});

    QVariant Call(const QString &method, QVariantList &args);

    QVariant BuscarFechaServidor();
    QVariant EjecutarSql(QVariantList &args);
    QVariant GenerarRMT(QVariantList &args);
    // What EjecutarSql answers for an UPDATE or DELETE that changed no row, whether its rows do not
    // exist or belong to a company the user does not have.
    static QString NoRowChangedMessage() { return QStringLiteral("La sentencia no cambió ninguna fila."); }

private:
    void CheckCompany(const QVariant &company) const;

    TDatabase &m_db;
    const QSet<int> &m_companies;
    std::function<QDateTime()> m_clock;
};
