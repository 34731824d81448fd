#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <chrono>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;

// Who may see or change which rows, decided by SQLite itself on a user's connection (one per
// thread beside the server's own). Installed once on the open connection:
// - a temporary view in front of every company table, with the table's name, holding only the rows
//   of the companies set for the current request; unqualified names find the view first;
// - on the module's tables, INSTEAD OF triggers that hand each written row to the server, which
//   refuses a row of another company and writes the table itself;
// - an authorizer that refuses the server's tables, the schema tables, a direct read of a company
//   table (one that does not come through its view), ATTACH, DDL and any other write, and, while a
//   client's statement runs, pragmas and writes outside ClientWrite.
// The object belongs to the connection and is destroyed when the connection closes.
class TSqliteGuard
{
public:
    enum class TMode {
        Server,      // the server's statements of a user's request
        ClientRead,  // a client's query
        ClientWrite, // a client's statement that may write the module's tables
    };

    static TSqliteGuard *Install(sqlite3 *db);

    void SetCompanies(const QSet<int> &companies) { m_companies = companies; }
    TMode Mode() const { return m_mode; }
    // A client's mode lasts at most milliseconds: past it SQLite interrupts the statement
    // (SQLITE_INTERRUPT, answered with TDatabase::TimeoutMessage).
    void SetMode(TMode mode, int milliseconds);

    // Refuses (EAppServerError 400) a client's statement that SQLite would run through an OR of
    // index lookups: there SQLite checks each branch's conditions on a row before the view's
    // company filter. Other plans check the filter first: the views' condition comes first in the
    // flattened query, and every index of a company table holds COD_EMPR, so the filter is among
    // the conditions SQLite checks on an index before reading the row. Called when the statement is
    // prepared (it is authorized and planned then).
    static void CheckClientPlan(sqlite3 *db, const QByteArray &sql);

private:
    explicit TSqliteGuard(sqlite3 *db);

    static int Authorize(void *self, int action, const char *a1, const char *a2, const char *schema, const char *inner);
    static void Allowed(sqlite3_context *context, int argc, sqlite3_value **argv);
    static void Write(sqlite3_context *context, int argc, sqlite3_value **argv);
    static void Destroy(void *self);
    static int Progress(void *self);
    int Decide(int action, const char *a1, const char *a2, const char *schema, const char *inner) const;

    sqlite3 *m_db;
    QSet<int> m_companies;
    TMode m_mode = TMode::Server;
    std::chrono::steady_clock::time_point m_deadline; // of the client's statement
    int m_nested = 0;                 // statements the guard itself is running (writes behind the views)
    QSet<QByteArray> m_companyTables; // upper case
    QSet<QByteArray> m_writable;
    QHash<QByteArray, QByteArray> m_statements; // "I"/"U"/"D" + table: the write behind the view
};
