#pragma once

#include "IAppServer.h"

#include <QHash>
#include <QStringList>
#include <memory>

// An application server held in memory for tests. Each provider is one table: its field list (the key
// marked InKey) and its rows. GetRecords returns every row, optionally filtered; ApplyUpdates applies
// a delta the way a provider with "where all" updates does: a modified or deleted row must still
// hold its old values, an inserted key must be new. Refusals can be forced per key value.
class FakeAppServer : public IAppServer
{
public:
    struct Table
    {
        QList<SFieldDef> Fields;
        QList<QVariantList> Rows;
    };

    QHash<QString, Table> Tables;

    // A server whose provider "DtsPItems" answers ID (the key), NAME (20 characters) and AMOUNT, the
    // first rows of 1 "Uno" 10.5, 2 "Dos" 20 and 3 "Tres" without an amount.
    static std::shared_ptr<FakeAppServer> WithItems(int rows = 3)
    {
        auto server = std::make_shared<FakeAppServer>();
        const QList<QVariantList> all = {{1, QStringLiteral("Uno"), 10.5},
                                         {2, QStringLiteral("Dos"), 20.0},
                                         {3, QStringLiteral("Tres"), QVariant()}};
        server->Tables.insert(QStringLiteral("DtsPItems"),
                              Table{{SFieldDef{QStringLiteral("ID"), TFieldType::ftInteger, 0, false, false, true},
                                     SFieldDef{QStringLiteral("NAME"), TFieldType::ftString, 20},
                                     SFieldDef{QStringLiteral("AMOUNT"), TFieldType::ftFloat}},
                                    all.mid(0, rows)});
        return server;
    }
    // Refuse any change whose key (first key column's value, as text) is listed, with this message.
    QHash<QString, QString> RefuseKeys;

    // What the client sent, for assertions.
    int GetRecordsCalls = 0;
    int ApplyCalls = 0;
    QList<SParam> LastParams;
    QString LastCommandText;
    SDelta LastDelta;
    int LastMaxErrors = 0;

    SDataPacket GetRecords(const QString &providerName, const QList<SParam> &params,
                           const QString &commandText) override
    {
        ++GetRecordsCalls;
        LastParams = params;
        LastCommandText = commandText;
        const Table &table = Tables[providerName];
        return SDataPacket{table.Fields, table.Rows};
    }

    SApplyResult ApplyUpdates(const QString &providerName, const SDelta &delta, int maxErrors) override
    {
        ++ApplyCalls;
        LastDelta = delta;
        LastMaxErrors = maxErrors;
        Table &table = Tables[providerName];
        const QList<QVariantList> before = table.Rows;
        SApplyResult result;
        for (int i = 0; i < delta.Rows.size(); ++i) {
            const SDeltaRow &row = delta.Rows.at(i);
            const QVariantList &keyRow = row.Kind == TUpdateKind::ukInsert ? row.NewValues : row.OldValues;
            const int found = FindByKey(table, keyRow);
            QString message = RefuseKeys.value(KeyText(table, keyRow));
            if (message.isEmpty()) {
                switch (row.Kind) {
                case TUpdateKind::ukInsert:
                    if (found >= 0)
                        message = QStringLiteral("Key violation.");
                    else
                        table.Rows << row.NewValues;
                    break;
                case TUpdateKind::ukModify:
                    if (found < 0 || !Same(table.Rows.at(found), row.OldValues)) {
                        message = QStringLiteral("Record not found or changed by another user");
                    } else {
                        for (int c = 0; c < row.NewValues.size(); ++c)
                            if (row.Changed.value(c))
                                table.Rows[found][c] = row.NewValues.at(c);
                    }
                    break;
                case TUpdateKind::ukDelete:
                    if (found < 0 || !Same(table.Rows.at(found), row.OldValues))
                        message = QStringLiteral("Record not found or changed by another user");
                    else
                        table.Rows.removeAt(found);
                    break;
                }
            }
            if (message.isEmpty())
                continue;
            SRowError error;
            error.RowIndex = i;
            error.Message = message;
            if (found >= 0 && found < table.Rows.size())
                error.CurValues = table.Rows.at(found);
            result.Errors << error;
            ++result.ErrorCount;
            if (maxErrors != -1 && result.ErrorCount > maxErrors)
                break;
        }
        if (maxErrors != -1 && result.ErrorCount > maxErrors) {
            table.Rows = before;
            result.Committed = false;
        }
        return result;
    }

    QVariant Call(const QString &, QVariantList &) override { return QVariant(); }

private:
    static QList<int> KeyColumns(const Table &table)
    {
        QList<int> keys;
        for (int c = 0; c < table.Fields.size(); ++c)
            if (table.Fields.at(c).InKey)
                keys << c;
        return keys;
    }
    static QString KeyText(const Table &table, const QVariantList &row)
    {
        const QList<int> keys = KeyColumns(table);
        return keys.isEmpty() ? QString() : row.value(keys.first()).toString();
    }
    static int FindByKey(const Table &table, const QVariantList &row)
    {
        const QList<int> keys = KeyColumns(table);
        for (int r = 0; r < table.Rows.size(); ++r) {
            bool match = true;
            for (const int c : keys)
                match = match && table.Rows.at(r).value(c) == row.value(c);
            if (match)
                return r;
        }
        return -1;
    }
    static bool Same(const QVariantList &a, const QVariantList &b)
    {
        for (int c = 0; c < a.size() && c < b.size(); ++c)
            if (a.at(c).isValid() != b.at(c).isValid() || (a.at(c).isValid() && a.at(c) != b.at(c)))
                return false;
        return true;
    }
};
