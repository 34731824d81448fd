#pragma once

#include "DataPacket.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A column of a table as the server declares it. Types, sizes and "required" follow the field
// vocabulary of the data packets so that a provider can hand them to the client unchanged.
struct SColumnDef
{
    QString Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;
    bool Required = false;
};

struct STableDef
{
    QString Name;
    QList<SColumnDef> Columns;
    QStringList Key;            // primary key, in order
    QList<QStringList> Indexes; // secondary indexes, each a column list
    bool Internal = false;      // server bookkeeping: never reachable from client SQL
    bool Shared = false;        // configuration every user reads whatever its company (digit flags)

    const SColumnDef *Column(const QString &name) const;
    // Rows that belong to a company (COD_EMPR): a user sees and changes only those of their companies.
    bool CompanyRows() const { return !Internal && !Shared && Column(QStringLiteral("COD_EMPR")); }
    // The module's own tables, the only ones a user's statements may write.
    bool UserWritable() const { return CompanyRows() && Name.startsWith(QStringLiteral("SO_")); }
};

// Every table of the database: the module's tables, the company catalogue and the server's own
// (users, their companies, key counters). The same DDL text runs on SQLite and PostgreSQL: plain
// upper-case identifiers, portable types, IF NOT EXISTS everywhere.
class TSchemaCatalog
{
public:
    static const TSchemaCatalog &Instance();

    const QList<STableDef> &Tables() const { return m_tables; }
    const STableDef *Table(const QString &name) const;
    // The declared type of a column name anywhere in the schema (first table that has it).
    const SColumnDef *AnyColumn(const QString &name) const;

    // CREATE TABLE / CREATE INDEX statements, in dependency order.
    QStringList Ddl() const;
    // The statement that gives a table made by an earlier version a column declared since. The column
    // is added nullable whatever its declaration: the rows already there have no value for it.
    static QString AddColumnDdl(const STableDef &table, const SColumnDef &column);
    static QString SqlType(const SColumnDef &column);

private:
    TSchemaCatalog();
    void Add(STableDef table);

    QList<STableDef> m_tables;
    QHash<QString, int> m_byName;
    QHash<QString, SColumnDef> m_anyColumn;
};
