#pragma once

#include <QSet>
#include <QString>
#include <QVariant>

class TDatabase;

// Files attached to records. A record carries an attachment identifier (its ADJ_GUID column); the
// files live on the server under the company and that identifier, never reachable by client SQL.
// - AdjuntosListar(company, guid): one row per file: number, name, size in bytes, user, moment.
// - AdjuntoGuardar(company, table, guid, name, base64 content): stores a file, returns its number.
// - AdjuntoLeer(company, guid, number): the base64 content.
// - AdjuntoEliminar(company, guid, number): removes the file; 1 when it existed, else 0.
class TAttachmentOperations
{
public:
    // Largest file taken, in bytes.
    static constexpr int kMaxBytes = 20 * 1024 * 1024;

    TAttachmentOperations(TDatabase &db, const QSet<int> &companies, const QString &user);

    // True when the method is one of these operations; its result is then in result.
    bool Call(const QString &method, QVariantList &args, QVariant &result);

private:
    QVariantList Arguments(const QVariantList &args, int count, const QString &method) const;
    int Company(const QVariant &value) const;
    static QString Guid(const QVariant &value);

    TDatabase &m_db;
    const QSet<int> &m_companies;
    QString m_user;
};
