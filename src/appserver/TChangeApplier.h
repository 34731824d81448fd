#pragma once

#include "DataPacket.h"

#include <QSet>

class TDatabase;
struct SProviderDef;
struct STableDef;

// Applies a change log to a provider's main table in one transaction. Rows are located by the
// table's key with the old values; a modified row must still hold the old values of the columns
// this client changed (memo columns excepted), else it comes back as an error with the server's
// current values and nothing of it is written. Only real columns of the main table are written.
// When more rows fail than maxErrors allows (-1 = unlimited) the whole log is rolled back.
class TChangeApplier
{
public:
    TChangeApplier(TDatabase &db, const QSet<int> &companies);

    SApplyResult Apply(const SProviderDef &provider, const SDelta &delta, int maxErrors);

    static QString ConflictMessage();

private:
    // Writes one row; returns an empty string or the reason the row was refused.
    QString ApplyRow(const STableDef &table, const SDelta &delta, const SDeltaRow &row);
    QVariantList CurrentValues(const STableDef &table, const SDelta &delta, const SDeltaRow &row);

    TDatabase &m_db;
    const QSet<int> &m_companies;
    QList<int> m_keyIndex; // delta field index of each key column of the table
    QList<int> m_writable; // delta field indexes written to the table
};
