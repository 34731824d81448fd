#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The one scanner of SQL text in the server. A statement, as a client or the server writes it, is
// read once in the dialect of its database: string literals ('...' with doubled quotes; on
// PostgreSQL also E'...' with backslash escapes and $tag$...$tag$ bodies), quoted identifiers
// ("...", and on SQLite `...` and [...]), comments (-- to the end of the line; /* */, nested on
// PostgreSQL) are skipped as units. Outside them it finds the parameters: ":NAME" (a client's
// named parameter; "::" is a PostgreSQL cast) and "?" (a positional one). Every parameter becomes a
// marker of the dialect (SQLite "?", PostgreSQL "$n" numbered in order), so binding and checks see
// exactly the same text.
class TSqlText
{
public:
    enum class TDialect { Sqlite, Postgres };

    explicit TSqlText(const QString &sql, TDialect dialect = TDialect::Sqlite);

    // The text with every parameter as the dialect's marker.
    const QString &Positional() const { return m_positional; }
    // The names of the ":NAME" parameters in order of appearance (a name used twice appears twice;
    // a "?" appears as an empty name).
    const QStringList &ParamNames() const { return m_params; }
    bool MultipleStatements() const { return m_multiple; }
    // Text that ends inside a literal, identifier or comment.
    bool Unterminated() const { return m_unterminated; }
    QString FirstKeyword() const { return m_firstKeyword; }
    // Words outside quotes and comments, upper-cased.
    const QStringList &Words() const { return m_words; }
    // The text with each parameter replaced by what literal(i) gives for parameter i.
    QString Substituted(const std::function<QString(int)> &literal) const;

private:
    // Where each parameter sits in the original text: [start, end).
    struct SSpan { int Start; int End; };

    QString m_text;
    QString m_positional;
    QStringList m_params;
    QList<SSpan> m_spans;
    QStringList m_words;
    QString m_firstKeyword;
    bool m_multiple = false;
    bool m_unterminated = false;
};
