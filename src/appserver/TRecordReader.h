#pragma once

#include "DataPacket.h"
#include "TSqlText.h"

#include <QSet>

class TDatabase;
struct SProviderDef;

// Opens a provider: picks its SQL (or the client's command text, read-only and one statement),
// binds the parameters by name, and returns the rows with the provider's fields. Result columns
// are named upper-case whatever the backend folds them to; a repeated name gets "_1", "_2"...;
// values are converted to the field types (SQLite hands dates back as text).
class TRecordReader
{
public:
    TRecordReader(TDatabase &db, const QSet<int> &companies);

    SDataPacket Read(const SProviderDef &provider, const QList<SParam> &params, const QString &commandText);

    // Checks client SQL before it runs; raises EAppServerError 400 with the reason.
    static void CheckClientQuery(const class TSqlText &sql);
    // Values for the '?' placeholders of sql, taken from params by name.
    static QVariantList BindValues(const QStringList &names, const QList<SParam> &params);
    // "IN (...)" list of the user's companies.
    static QString CompanyList(const QSet<int> &companies);

    // The scan of a statement's text, kept per thread for texts sent again; valid until the next call.
    static const TSqlText &Scanned(const QString &text, TSqlText::TDialect dialect);
    // Whether the statement orders its rows itself (an ORDER BY outside quotes and comments).
    static bool HasOrderBy(const class TSqlText &sql);

private:
    // Puts the rows in the order of the key fields of the packet.
    static void SortByKey(SDataPacket &packet);

    TDatabase &m_db;
    const QSet<int> &m_companies;
};
