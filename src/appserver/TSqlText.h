#pragma once

#include <QString>
#include <QStringList>

// A statement as a client writes it, with ":NAME" parameters, scanned once: the text with every
// parameter replaced by a positional '?', the parameter names in order of appearance (a name used
// twice appears twice), and what the server must know before running client text: whether it holds
// more than one statement, its first keyword and whether it names a server table.
class TSqlText
{
public:
    explicit TSqlText(const QString &sql);

    const QString &Positional() const { return m_positional; }
    const QStringList &ParamNames() const { return m_params; }
    bool MultipleStatements() const { return m_multiple; }
    QString FirstKeyword() const { return m_firstKeyword; }
    // Identifiers outside quotes and comments, upper-cased (table names among them).
    const QStringList &Words() const { return m_words; }
    bool NamesInternalTable() const;

private:
    QString m_positional;
    QStringList m_params;
    QStringList m_words;
    QString m_firstKeyword;
    bool m_multiple = false;
};
