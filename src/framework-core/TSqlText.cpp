#include "TSqlText.h"

#include <QRegularExpression>

namespace {
// Letters, digits, '_' and '$' of ASCII are answered without a look-up in Unicode's tables.
inline bool isAsciiLetter(char16_t u)
{
    return (u | 0x20) >= u'a' && (u | 0x20) <= u'z';
}
inline bool isNameStart(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x80 ? isAsciiLetter(u) || u == u'_' : c.isLetter();
}
inline bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x80 ? isAsciiLetter(u) || (u >= u'0' && u <= u'9') || u == u'_' || u == u'$' : c.isLetterOrNumber();
}

// End (one past) of a run quoted by q starting at i, where a doubled q stays inside; backslash
// escapes one character when escapes is set. -1 when the text ends first.
int quotedEnd(const QString &s, int i, QChar q, bool escapes)
{
    const int n = int(s.size());
    for (int j = i + 1; j < n; ++j) {
        const QChar c = s.at(j);
        if (escapes && c == QLatin1Char('\\')) {
            ++j;
            continue;
        }
        if (c == q) {
            if (j + 1 < n && s.at(j + 1) == q) {
                ++j;
                continue;
            }
            return j + 1;
        }
    }
    return -1;
}

// PostgreSQL dollar quoting: "$tag$" opens (tag empty or an identifier without '$'); the same text
// closes. Returns the end of the body, -1 when unterminated, 0 when i does not open one.
int dollarEnd(const QString &s, int i)
{
    const int n = int(s.size());
    int j = i + 1;
    if (j < n && (s.at(j).isLetter() || s.at(j) == QLatin1Char('_'))) {
        while (j < n && (s.at(j).isLetterOrNumber() || s.at(j) == QLatin1Char('_')))
            ++j;
    }
    if (j >= n || s.at(j) != QLatin1Char('$'))
        return 0;
    const QString tag = s.mid(i, j + 1 - i);
    const int close = int(s.indexOf(tag, j + 1));
    return close < 0 ? -1 : close + int(tag.size());
}

// End of a block comment opened at i; PostgreSQL nests them, SQLite does not.
int blockCommentEnd(const QString &s, int i, bool nested)
{
    const int n = int(s.size());
    int depth = 1;
    for (int j = i + 2; j + 1 < n; ++j) {
        if (nested && s.at(j) == QLatin1Char('/') && s.at(j + 1) == QLatin1Char('*')) {
            ++depth;
            ++j;
        } else if (s.at(j) == QLatin1Char('*') && s.at(j + 1) == QLatin1Char('/')) {
            ++j;
            if (--depth == 0)
                return j + 1;
        }
    }
    return -1;
}
} // namespace

TSqlText::TSqlText(const QString &sql, TDialect dialect) : m_text(sql)
{
    // PostgreSQL's forms (nested comments, E'...', $tag$) and SQLite's (`...`, [...]).
    const bool pg = dialect != TDialect::Sqlite;
    const bool lite = dialect != TDialect::Postgres;
    const int n = int(sql.size());
    m_positional.reserve(n);
    m_wordSpans.reserve(n / 8);
    int i = 0;
    int copied = 0; // the text before this is in m_positional
    auto copyTo = [&](int end) {
        m_positional += QStringView(sql).mid(copied, end - copied);
        copied = end;
    };
    bool afterTerminator = false;
    auto skipTo = [&](int end) {
        if (end < 0) {
            m_unterminated = true;
            end = n;
        }
        m_opaque << SSpan{i, end};
        i = end;
    };
    auto marker = [&](int start, int end, const QString &name) {
        m_params << name;
        m_spans << SSpan{start, end};
        copyTo(start);
        copied = end;
        m_positional +=
            dialect == TDialect::Postgres ? QStringLiteral("$%1").arg(m_params.size()) : QStringLiteral("?");
        i = end;
    };
    while (i < n) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < n ? sql.at(i + 1) : QChar();
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            const int j = int(sql.indexOf(QLatin1Char('\n'), i));
            skipTo(j < 0 ? n : j);
            continue;
        }
        if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            skipTo(blockCommentEnd(sql, i, pg));
            continue;
        }
        if (c == QLatin1Char(';')) {
            afterTerminator = true;
            copyTo(i);
            copied = ++i; // a trailing terminator is dropped; anything after it is a second statement
            continue;
        }
        if (afterTerminator)
            m_multiple = true;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            skipTo(quotedEnd(sql, i, c, false));
            continue;
        }
        if (pg && (c == QLatin1Char('E') || c == QLatin1Char('e')) && next == QLatin1Char('\'') &&
            (i == 0 || !isNameChar(sql.at(i - 1)))) {
            ++i;
            skipTo(quotedEnd(sql, i, QLatin1Char('\''), true));
            continue;
        }
        if (pg && c == QLatin1Char('$') && (i == 0 || !isNameChar(sql.at(i - 1)))) {
            const int end = dollarEnd(sql, i);
            if (end != 0) {
                skipTo(end);
                continue;
            }
        }
        if (lite && c == QLatin1Char('`')) {
            skipTo(quotedEnd(sql, i, c, false));
            continue;
        }
        if (lite && c == QLatin1Char('[')) {
            const int j = int(sql.indexOf(QLatin1Char(']'), i));
            skipTo(j < 0 ? -1 : j + 1);
            continue;
        }
        if (c == QLatin1Char('?')) {
            marker(i, i + 1, QString());
            continue;
        }
        if (c == QLatin1Char(':')) {
            if (next == QLatin1Char(':')) { // PostgreSQL cast
                i += 2;
                continue;
            }
            if (isNameStart(next)) {
                int j = i + 1;
                while (j < n && isNameChar(sql.at(j)))
                    ++j;
                marker(i, j, sql.mid(i + 1, j - i - 1));
                continue;
            }
        }
        if (isNameStart(c)) {
            int j = i;
            while (j < n && isNameChar(sql.at(j)))
                ++j;
            if (m_wordSpans.isEmpty())
                m_firstKeyword = sql.mid(i, j - i).toUpper();
            m_wordSpans << SSpan{i, j};
            i = j;
            continue;
        }
        ++i;
    }
    copyTo(n);
}

QString TSqlText::Substituted(const std::function<QString(int)> &literal) const
{
    QString out;
    out.reserve(m_text.size() + 16 * m_spans.size());
    int from = 0;
    for (int p = 0; p < m_spans.size(); ++p) {
        out += QStringView(m_text).mid(from, m_spans.at(p).Start - from);
        out += literal(p);
        from = m_spans.at(p).End;
    }
    out += QStringView(m_text).mid(from);
    return out;
}

QString TSqlText::Code() const
{
    QString code = m_text;
    for (const SSpan &s : m_opaque) {
        const QChar open = m_text.at(s.Start);
        const QChar close = m_text.at(s.End - 1);
        const bool comment = open == QLatin1Char('-') || open == QLatin1Char('/');
        // A quoted unit keeps its opening character and its closing one when it has it.
        const bool closed =
            s.End - s.Start >= 2 && (close == open || (open == QLatin1Char('[') && close == QLatin1Char(']')));
        const int from = comment ? s.Start : s.Start + 1;
        const int to = !comment && closed ? s.End - 1 : s.End;
        for (int k = from; k < to; ++k)
            if (!code.at(k).isSpace())
                code[k] = QLatin1Char(' ');
    }
    return code;
}

int TSqlText::IndexOf(const QString &words, int from, int *end) const
{
    QStringList pieces = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return -1;
    const bool wordStart = isNameChar(pieces.first().front()), wordEnd = isNameChar(pieces.last().back());
    for (QString &piece : pieces)
        piece = QRegularExpression::escape(piece);
    const QRegularExpression re((wordStart ? QStringLiteral("\\b") : QString()) + pieces.join(QStringLiteral("\\s+")) +
                                    (wordEnd ? QStringLiteral("\\b") : QString()),
                                QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(Code(), from);
    if (end)
        *end = m.hasMatch() ? int(m.capturedEnd()) : -1;
    return m.hasMatch() ? int(m.capturedStart()) : -1;
}
