#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The one scanner of SQL text, on the client and in the server. A statement is read once in the
// dialect of its database: string literals ('...' with doubled quotes; on PostgreSQL also E'...'
// with backslash escapes and $tag$...$tag$ bodies), quoted identifiers ("...", and on SQLite `...`
// and [...]), comments (-- to the end of the line; /* */, nested on PostgreSQL) are skipped as
// units. Outside them it finds the parameters: ":NAME" (a named parameter; "::" is a PostgreSQL
// cast) and "?" (a positional one). Every parameter becomes a marker of the dialect (SQLite "?",
// PostgreSQL "$n" numbered in order), so binding and checks see exactly the same text.
//
// The client does not know which database the server has: it reads with TDialect::Either, where
// every quoting form of both dialects is a unit, so nothing either database takes for quoted text
// or a comment becomes a parameter on the client. For a statement both databases accept, the two
// readings find the same parameters.
class TSqlText
{
public:
    enum class TDialect { Sqlite, Postgres, Either };

    explicit TSqlText(const QString &sql, TDialect dialect = TDialect::Sqlite);

    // The text with every parameter as the dialect's marker.
    const QString &Positional() const { return m_positional; }
    // The names of the ":NAME" parameters as written, in order of appearance (a name used twice
    // appears twice; a "?" appears as an empty name). Names compare without regard to case.
    const QStringList &ParamNames() const { return m_params; }
    bool MultipleStatements() const { return m_multiple; }
    // Text that ends inside a literal, identifier or comment.
    bool Unterminated() const { return m_unterminated; }
    QString FirstKeyword() const { return m_firstKeyword; }
    // The words outside quotes and comments, as written (compare them without regard to case).
    int WordCount() const { return int(m_wordSpans.size()); }
    QStringView Word(int i) const
    {
        return QStringView(m_text).mid(m_wordSpans.at(i).Start, m_wordSpans.at(i).End - m_wordSpans.at(i).Start);
    }
    // The text with each parameter replaced by what literal(i) gives for parameter i.
    QString Substituted(const std::function<QString(int)> &literal) const;
    // The text as the database reads its structure: the same length, every comment and the inside of
    // every literal and quoted identifier blanked (quotes kept). Searching it for a keyword or a
    // punctuation mark finds only real ones, at the same positions as in the text.
    QString Code() const;
    // Where words (e.g. "ORDER BY") first stand in the text at or after from, outside literals, quoted
    // identifiers and comments: case ignored, any white space between them, whole words. -1 if nowhere;
    // end, when given, receives where they end.
    int IndexOf(const QString &words, int from = 0, int *end = nullptr) const;

private:
    // Where each parameter sits in the original text: [start, end).
    struct SSpan
    {
        int Start;
        int End;
    };

    QString m_text;
    QString m_positional;
    QStringList m_params;
    QList<SSpan> m_spans;
    // Comments, literals and quoted identifiers: [start, end), the end clipped to the text.
    QList<SSpan> m_opaque;
    QList<SSpan> m_wordSpans;
    QString m_firstKeyword;
    bool m_multiple = false;
    bool m_unterminated = false;
};
