#include "TSqlText.h"

namespace {
bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}
bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}
} // namespace

TSqlText::TSqlText(const QString &sql)
{
    const int n = int(sql.size());
    QString out;
    out.reserve(n);
    int i = 0;
    bool afterTerminator = false;
    while (i < n) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted literal or identifier; a doubled quote stays inside.
            int j = i + 1;
            while (j < n) {
                if (sql.at(j) == c) {
                    if (j + 1 < n && sql.at(j + 1) == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            if (afterTerminator)
                m_multiple = true;
            out += sql.mid(i, j + 1 - i);
            i = j + 1;
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = n;
            out += sql.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            int j = sql.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += sql.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == QLatin1Char(';')) {
            afterTerminator = true;
            ++i; // a trailing terminator is dropped; anything after it is a second statement
            continue;
        }
        if (c.isSpace()) {
            out += c;
            ++i;
            continue;
        }
        if (afterTerminator)
            m_multiple = true;
        if (c == QLatin1Char(':')) {
            if (i + 1 < n && sql.at(i + 1) == QLatin1Char(':')) { // PostgreSQL cast
                out += QStringLiteral("::");
                i += 2;
                continue;
            }
            if (i + 1 < n && isNameStart(sql.at(i + 1))) {
                int j = i + 1;
                while (j < n && isNameChar(sql.at(j)))
                    ++j;
                m_params << sql.mid(i + 1, j - i - 1).toUpper();
                out += QLatin1Char('?');
                i = j;
                continue;
            }
        }
        if (isNameStart(c)) {
            int j = i;
            while (j < n && isNameChar(sql.at(j)))
                ++j;
            const QString word = sql.mid(i, j - i).toUpper();
            if (m_firstKeyword.isEmpty())
                m_firstKeyword = word;
            m_words << word;
            out += sql.mid(i, j - i);
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    m_positional = out;
}

bool TSqlText::NamesInternalTable() const
{
    for (const QString &w : m_words)
        if (w.startsWith(QStringLiteral("SV_")) || w.startsWith(QStringLiteral("PG_"))
            || w.startsWith(QStringLiteral("SQLITE_")) || w == QStringLiteral("INFORMATION_SCHEMA"))
            return true;
    return false;
}
