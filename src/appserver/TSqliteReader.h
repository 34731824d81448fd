#pragma once

#include "DataPacket.h"

#include <QSqlDatabase>
#include <functional>
#include <memory>

// Reads a query straight through the SQLite C API on the handle of a QtSql SQLite connection,
// converting each value once to its field type (text dates to QDateTime, integers to int...).
// Columns whose type the caller does not know come back as SQLite stored them (qlonglong, double,
// QString, QByteArray). It saves the driver's UTF-16 round trip and two copies of every row,
// which is most of the cost of opening a large dataset.
class TSqliteReader
{
public:
    // A result column as the caller names and types it: Type ftUnknown leaves the value as SQLite
    // stored it; Declared is the caller's definition of the field, if it has one.
    struct SColumn
    {
        QString Name;
        TFieldType Type = TFieldType::ftUnknown;
        const SFieldDef *Declared = nullptr;
    };
    using TColumns = std::shared_ptr<const QList<SColumn>>;
    struct SResult
    {
        TColumns Columns;
        QList<QVariantList> Rows;
    };
    // Describes result column i, named name as SQLite reports it.
    using TDescribe = std::function<SColumn(int column, const QString &name)>;

    // The kind of a client's text (its statements are authorized and planned under the client's rules).
    static constexpr int kClientKind = 1;

    // sql uses positional '?' placeholders; raises EAppServerError on failure. Statements are
    // prepared once per connection and text, and kept for the next call with the same text and
    // kind (the kind keeps apart statements the connection's guard authorized under different
    // rules: a statement is authorized when it is prepared). A statement whose tables changed is
    // prepared again by SQLite itself, and authorized again.
    // The columns are described once per kept statement and owner (the same text read for another
    // owner, or whose columns changed with its tables, is described again): reopening a dataset
    // costs no work per column.
    // maxRows, maxBytes: more rows, or more bytes of texts and blobs (8 a number), than this raise
    // EAppServerError 400 (0: no limit).
    static SResult Read(const QSqlDatabase &db, const QString &sql, const QVariantList &values,
                        const TDescribe &describe, const void *owner, int kind = 0, int maxRows = 0,
                        qint64 maxBytes = 0);
    // Finalizes the statements kept for a connection; called before the connection closes.
    static void Forget(const QSqlDatabase &db);
};
