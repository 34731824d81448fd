#pragma once

#include <QString>

#include <charconv>
#include <cstring>

// A position in a JSON text read by hand, strict grammar only: the packet reader (answers of a
// provider) and the request reader (a provider's open) walk their texts with it. Each reading
// moves p past what it read and answers false when the text does not hold it.
class TJsonCursor
{
public:
    TJsonCursor(const char *begin, const char *end) : p(begin), m_end(end) {}

    const char *p;

    bool AtEnd() const { return p >= m_end; }
    char Peek() const { return p < m_end ? *p : '\0'; }
    void SkipSpace()
    {
        while (p < m_end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
            ++p;
    }
    bool Take(char c)
    {
        SkipSpace();
        if (p < m_end && *p == c) {
            ++p;
            return true;
        }
        return false;
    }
    bool Literal(const char *word)
    {
        const size_t n = std::strlen(word);
        if (size_t(m_end - p) < n || std::memcmp(p, word, n) != 0)
            return false;
        p += n;
        return true;
    }

    // A key without escapes; p on its opening quote.
    bool Key(const char *&begin, qsizetype &length)
    {
        if (!Take('"'))
            return false;
        begin = p;
        while (p < m_end && *p != '"') {
            if (*p == '\\' || uchar(*p) < 0x20)
                return false;
            ++p;
        }
        if (p >= m_end)
            return false;
        length = p - begin;
        ++p;
        return Take(':');
    }

    // A number (strict grammar) as QJsonDocument reads it: correctly rounded, and a negative zero
    // as 0. p moves past it.
    bool Number(double &out);

    // The closing quote of the string whose opening quote p is on, or null.
    const char *Closing() const
    {
        const char *q = p + 1;
        for (;;) {
            q = static_cast<const char *>(std::memchr(q, '"', size_t(m_end - q)));
            if (!q)
                return nullptr;
            // Escaped when an odd number of backslashes stands before it.
            const char *b = q;
            while (b > p + 1 && b[-1] == '\\')
                --b;
            if ((q - b) % 2 == 0)
                return q;
            ++q;
        }
    }

    // Whether [begin, end) is printable ASCII without backslashes: the bytes are the text.
    static bool Plain(const char *begin, const char *end)
    {
        const char *s = begin;
        for (; end - s >= 8; s += 8)
            if (!plainWord(s))
                return false;
        unsigned flagged = 0;
        for (; s < end; ++s) {
            const uchar c = uchar(*s);
            flagged |= unsigned(c < 0x20) | unsigned(c >= 0x80) | unsigned(c == '\\');
        }
        return flagged == 0;
    }

    // A string's bytes when they are the text (see Plain); p on the opening quote. False (p
    // unchanged) otherwise.
    bool PlainAscii(const char *&begin, qsizetype &length)
    {
        const char *q = Closing();
        if (!q || !Plain(p + 1, q))
            return false;
        begin = p + 1;
        length = q - begin;
        p = q + 1;
        return true;
    }

    // A string as UTF-16; p on the opening quote.
    bool String(QString &out)
    {
        const char *q = Closing();
        if (!q)
            return false;
        if (Plain(p + 1, q)) {
            out = QString::fromLatin1(p + 1, q - p - 1);
            p = q + 1;
            return true;
        }
        // UTF-16 units never outnumber UTF-8 bytes.
        out = QString(q - p - 1, Qt::Uninitialized);
        char16_t *o = reinterpret_cast<char16_t *>(out.data());
        const char16_t *const outBegin = o;
        const uchar *s = reinterpret_cast<const uchar *>(p + 1);
        const uchar *const close = reinterpret_cast<const uchar *>(q);
        while (s < close) {
            if (close - s >= 8 && plainWord(reinterpret_cast<const char *>(s))) {
                for (int k = 0; k < 8; ++k)
                    o[k] = s[k];
                o += 8;
                s += 8;
                continue;
            }
            const uchar c = *s;
            if (c < 0x80) {
                if (c < 0x20)
                    return false;
                if (c != '\\') {
                    *o++ = c;
                    ++s;
                    continue;
                }
                if (close - s < 2)
                    return false;
                switch (s[1]) {
                case '"':
                    *o++ = u'"';
                    break;
                case '\\':
                    *o++ = u'\\';
                    break;
                case '/':
                    *o++ = u'/';
                    break;
                case 'b':
                    *o++ = u'\b';
                    break;
                case 'f':
                    *o++ = u'\f';
                    break;
                case 'n':
                    *o++ = u'\n';
                    break;
                case 'r':
                    *o++ = u'\r';
                    break;
                case 't':
                    *o++ = u'\t';
                    break;
                case 'u': {
                    char16_t unit;
                    if (!Hex4(s + 2, close, unit))
                        return false;
                    s += 6;
                    if (QChar::isHighSurrogate(unit)) {
                        char16_t low;
                        if (close - s < 2 || s[0] != '\\' || s[1] != 'u' || !Hex4(s + 2, close, low) ||
                            !QChar::isLowSurrogate(low))
                            return false;
                        s += 6;
                        *o++ = unit;
                        *o++ = low;
                    } else if (QChar::isLowSurrogate(unit)) {
                        return false;
                    } else {
                        *o++ = unit;
                    }
                    continue;
                }
                default:
                    return false; // not a JSON escape
                }
                s += 2;
                continue;
            }
            // Well-formed UTF-8 only: no overlong forms, no surrogates, nothing above U+10FFFF.
            char32_t cp;
            int more;
            uchar low = 0x80, high = 0xbf;
            if (c >= 0xc2 && c <= 0xdf) {
                cp = c & 0x1f;
                more = 1;
            } else if (c >= 0xe0 && c <= 0xef) {
                cp = c & 0x0f;
                more = 2;
                if (c == 0xe0)
                    low = 0xa0;
                else if (c == 0xed)
                    high = 0x9f;
            } else if (c >= 0xf0 && c <= 0xf4) {
                cp = c & 0x07;
                more = 3;
                if (c == 0xf0)
                    low = 0x90;
                else if (c == 0xf4)
                    high = 0x8f;
            } else {
                return false;
            }
            if (close - s <= more || s[1] < low || s[1] > high)
                return false;
            cp = (cp << 6) | (s[1] & 0x3f);
            for (int k = 2; k <= more; ++k) {
                if ((s[k] & 0xc0) != 0x80)
                    return false;
                cp = (cp << 6) | (s[k] & 0x3f);
            }
            s += more + 1;
            if (cp >= 0x10000) {
                *o++ = QChar::highSurrogate(cp);
                *o++ = QChar::lowSurrogate(cp);
            } else {
                *o++ = char16_t(cp);
            }
        }
        out.truncate(o - outBegin);
        p = q + 1;
        return true;
    }

    // The extent of an array or object (p on its opening bracket), without reading it.
    bool SkipContainer(const char *&begin, qsizetype &length)
    {
        begin = p;
        int depth = 0;
        while (p < m_end) {
            const char c = *p++;
            if (c == '"') {
                while (p < m_end && *p != '"')
                    p += *p == '\\' ? 2 : 1;
                if (p >= m_end)
                    return false;
                ++p;
            } else if (c == '[' || c == '{') {
                ++depth;
            } else if (c == ']' || c == '}') {
                if (--depth == 0) {
                    length = p - begin;
                    return true;
                }
            }
        }
        return false;
    }

private:
    // Whether the eight bytes at s are all printable ASCII other than the backslash (eight at a time:
    // a byte below 0x20, a byte with the high bit, a byte equal to '\\').
    static bool plainWord(const char *s)
    {
        constexpr quint64 ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
        quint64 w;
        std::memcpy(&w, s, sizeof w);
        const quint64 below20 = (w - ones * 0x20) & ~w;
        const quint64 x = w ^ (ones * '\\');
        const quint64 backslash = (x - ones) & ~x;
        return ((below20 | backslash) & highs) == 0 && (w & highs) == 0;
    }

    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    static int hexValue(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    static bool Hex4(const uchar *s, const uchar *close, char16_t &unit)
    {
        if (close - s < 4)
            return false;
        int v = 0;
        for (int k = 0; k < 4; ++k) {
            const int h = hexValue(char(s[k]));
            if (h < 0)
                return false;
            v = v * 16 + h;
        }
        unit = char16_t(v);
        return true;
    }

    const char *m_end;
};

inline bool TJsonCursor::Number(double &out)
{
    const char *const end = m_end;
    const char *start = p;
    if (p < end && *p == '-')
        ++p;
    if (p >= end)
        return false;
    if (*p == '0')
        ++p;
    else if (*p >= '1' && *p <= '9')
        while (p < end && isDigit(*p))
            ++p;
    else
        return false;
    bool integral = true;
    if (p < end && *p == '.') {
        integral = false;
        ++p;
        if (p >= end || !isDigit(*p))
            return false;
        while (p < end && isDigit(*p))
            ++p;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        integral = false;
        ++p;
        if (p < end && (*p == '+' || *p == '-'))
            ++p;
        if (p >= end || !isDigit(*p))
            return false;
        while (p < end && isDigit(*p))
            ++p;
    }
    const bool negative = *start == '-';
    if (integral && p - start - negative <= 18) {
        qint64 v = 0;
        for (const char *d = start + negative; d < p; ++d)
            v = v * 10 + (*d - '0');
        out = double(negative ? -v : v);
        return true;
    }
    const auto r = std::from_chars(start, p, out);
    if (out == 0)
        out = 0; // integral values become qint64 there, so -0.0 reads as 0
    return r.ec == std::errc() && r.ptr == p;
}
