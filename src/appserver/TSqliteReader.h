#pragma once

#include "DataPacket.h"

#include <QSqlDatabase>
#include <functional>

// Reads a query straight through the SQLite C API on the handle of a QtSql SQLite connection,
// converting each value once to its field type (text dates to QDateTime, integers to int...).
// Columns whose type the caller does not know come back as SQLite stored them (qlonglong, double,
// QString, QByteArray). It saves the driver's UTF-16 round trip and two copies of every row,
// which is most of the cost of opening a large dataset.
class TSqliteReader
{
public:
    struct SResult
    {
        QStringList Names;        // as SQLite reports them
        QList<QVariantList> Rows;
    };
    // Type of result column i named name; ftUnknown: leave the value as stored.
    using TTypeOf = std::function<TFieldType(int column, const QString &name)>;

    // The kind of a client's text (its statements are authorized and planned under the client's rules).
    static constexpr int kClientKind = 1;

    // sql uses positional '?' placeholders; raises EAppServerError on failure. Statements are
    // prepared once per connection and text, and kept for the next call with the same text and
    // kind (the kind keeps apart statements the connection's guard authorized under different
    // rules: a statement is authorized when it is prepared). A statement whose tables changed is
    // prepared again by SQLite itself, and authorized again.
    // maxRows, maxBytes: more rows, or more bytes of texts and blobs (8 a number), than this raise
    // EAppServerError 400 (0: no limit).
    static SResult Read(const QSqlDatabase &db, const QString &sql, const QVariantList &values, const TTypeOf &typeOf,
                        int kind = 0, int maxRows = 0, qint64 maxBytes = 0);
    // Finalizes the statements kept for a connection; called before the connection closes.
    static void Forget(const QSqlDatabase &db);
};
