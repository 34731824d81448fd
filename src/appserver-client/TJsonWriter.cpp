#include "TJsonWriter.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Integral doubles up to this magnitude travel as integers (QJsonValue keeps them as qint64).
constexpr double kExactIntegers = 9007199254740992.0; // 2^53

char hexDigit(unsigned v)
{
    return char(v < 10 ? '0' + v : 'a' + v - 10);
}

char *writeHex4(char *o, char16_t u)
{
    *o++ = '\\';
    *o++ = 'u';
    *o++ = hexDigit((u >> 12) & 0xf);
    *o++ = hexDigit((u >> 8) & 0xf);
    *o++ = hexDigit((u >> 4) & 0xf);
    *o++ = hexDigit(u & 0xf);
    return o;
}

// Whether the four UTF-16 units at p are all ASCII from 0x20 on, other than '"' and '\\'.
bool plainUnits(const char16_t *p)
{
    constexpr quint64 ones = 0x0001000100010001ull, highs = 0x8000800080008000ull;
    quint64 w;
    std::memcpy(&w, p, sizeof w);
    if (w & 0xff80ff80ff80ff80ull)
        return false;
    const quint64 quote = w ^ (ones * '"'), backslash = w ^ (ones * '\\');
    const quint64 flagged = ((w - ones * 0x20) & ~w) | ((quote - ones) & ~quote) | ((backslash - ones) & ~backslash);
    return (flagged & highs) == 0;
}

char *twoDigits(char *o, int v)
{
    *o++ = char('0' + v / 10);
    *o++ = char('0' + v % 10);
    return o;
}

} // namespace

TJsonWriter::TJsonWriter(qsizetype reserve)
{
    m_buffer.resize(std::max<qsizetype>(reserve, 64));
}

char *TJsonWriter::Room(qsizetype n)
{
    if (m_length + n > m_buffer.size())
        m_buffer.resize(std::max(m_buffer.size() * 2, m_length + n));
    return m_buffer.data() + m_length;
}

void TJsonWriter::Raw(const char *text, qsizetype length)
{
    std::memcpy(Room(length), text, size_t(length));
    m_length += length;
}

void TJsonWriter::Char(char c)
{
    *Room(1) = c;
    ++m_length;
}

void TJsonWriter::Bool(bool value)
{
    if (value)
        Raw("true");
    else
        Raw("false");
}

void TJsonWriter::Integer(qint64 value)
{
    char *start = Room(24);
    m_length += std::to_chars(start, start + 24, value).ptr - start;
}

void TJsonWriter::Number(double value)
{
    if (!std::isfinite(value)) {
        Null();
        return;
    }
    if (std::floor(value) == value && std::fabs(value) <= kExactIntegers) {
        Integer(qint64(value));
        return;
    }
    // The shortest digits that read back as the same double, then the shorter of the fixed and the
    // exponent forms (fixed on a tie), as QByteArray::number(value, 'g', FloatingPointShortest).
    char sci[32];
    const char *sciEnd = std::to_chars(sci, sci + sizeof sci, value, std::chars_format::scientific).ptr;
    const char *s = sci;
    const bool negative = *s == '-';
    if (negative)
        ++s;
    char digits[20];
    int n = 0;
    for (; s < sciEnd && *s != 'e'; ++s)
        if (*s != '.')
            digits[n++] = *s;
    int exponent = 0;
    std::from_chars(s + 1 + (s[1] == '+'), sciEnd, exponent);
    const int point = exponent + 1; // digits before the decimal point in the fixed form
    const int exponentDigits = std::abs(exponent) >= 100 ? 3 : 2;
    const int sciLength = n + (n > 1 ? 1 : 0) + 2 + exponentDigits;
    const int fixedLength = point <= 0 ? 2 - point + n : (point >= n ? point : n + 1);

    char *start = Room(2 + std::max(sciLength, fixedLength));
    char *o = start;
    if (negative)
        *o++ = '-';
    if (fixedLength <= sciLength) {
        if (point <= 0) {
            *o++ = '0';
            *o++ = '.';
            o = std::fill_n(o, -point, '0');
            o = std::copy_n(digits, n, o);
        } else if (point >= n) {
            o = std::copy_n(digits, n, o);
            o = std::fill_n(o, point - n, '0');
        } else {
            o = std::copy_n(digits, point, o);
            *o++ = '.';
            o = std::copy_n(digits + point, n - point, o);
        }
    } else {
        *o++ = digits[0];
        if (n > 1) {
            *o++ = '.';
            o = std::copy_n(digits + 1, n - 1, o);
        }
        *o++ = 'e';
        *o++ = exponent < 0 ? '-' : '+';
        const int a = std::abs(exponent);
        if (a < 10)
            *o++ = '0';
        o = std::to_chars(o, o + 3, a).ptr;
    }
    m_length += o - start;
}

void TJsonWriter::String(QStringView text)
{
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    // At most six bytes per UTF-16 unit (an escape), plus the quotes.
    char *start = Room(n * 6 + 2);
    char *o = start;
    *o++ = '"';
    for (qsizetype i = 0; i < n; ++i) {
        // Runs of four units that need no escape, four at a time.
        while (n - i >= 4 && plainUnits(p + i)) {
            for (int k = 0; k < 4; ++k)
                o[k] = char(p[i + k]);
            o += 4;
            i += 4;
        }
        if (i == n)
            break;
        const char16_t u = p[i];
        if (u < 0x80) {
            if (u >= 0x20 && u != u'"' && u != u'\\') {
                *o++ = char(u);
                continue;
            }
            switch (u) {
            case u'"':
                *o++ = '\\';
                *o++ = '"';
                break;
            case u'\\':
                *o++ = '\\';
                *o++ = '\\';
                break;
            case u'\b':
                *o++ = '\\';
                *o++ = 'b';
                break;
            case u'\f':
                *o++ = '\\';
                *o++ = 'f';
                break;
            case u'\n':
                *o++ = '\\';
                *o++ = 'n';
                break;
            case u'\r':
                *o++ = '\\';
                *o++ = 'r';
                break;
            case u'\t':
                *o++ = '\\';
                *o++ = 't';
                break;
            default:
                o = writeHex4(o, u);
            }
        } else if (u < 0x800) {
            *o++ = char(0xc0 | (u >> 6));
            *o++ = char(0x80 | (u & 0x3f));
        } else if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            const char32_t c = QChar::surrogateToUcs4(u, p[++i]);
            *o++ = char(0xf0 | (c >> 18));
            *o++ = char(0x80 | ((c >> 12) & 0x3f));
            *o++ = char(0x80 | ((c >> 6) & 0x3f));
            *o++ = char(0x80 | (c & 0x3f));
        } else if (QChar::isSurrogate(u)) {
            o = writeHex4(o, u); // unpaired: not encodable as UTF-8
        } else {
            *o++ = char(0xe0 | (u >> 12));
            *o++ = char(0x80 | ((u >> 6) & 0x3f));
            *o++ = char(0x80 | (u & 0x3f));
        }
    }
    *o++ = '"';
    m_length += o - start;
}

void TJsonWriter::DateTime(const QDateTime &value)
{
    int year = 0, month = 0, day = 0;
    value.date().getDate(&year, &month, &day);
    if (!value.isValid() || year < 1 || year > 9999) {
        // Outside four-digit years (and invalid: empty) the text is QDateTime's own.
        String(value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")));
        return;
    }
    const QTime time = value.time();
    char *start = Room(25);
    char *o = start;
    *o++ = '"';
    o = twoDigits(o, year / 100);
    o = twoDigits(o, year % 100);
    *o++ = '-';
    o = twoDigits(o, month);
    *o++ = '-';
    o = twoDigits(o, day);
    *o++ = 'T';
    o = twoDigits(o, time.hour());
    *o++ = ':';
    o = twoDigits(o, time.minute());
    *o++ = ':';
    o = twoDigits(o, time.second());
    *o++ = '.';
    const int ms = time.msec();
    *o++ = char('0' + ms / 100);
    o = twoDigits(o, ms % 100);
    *o++ = '"';
    m_length += o - start;
}

void TJsonWriter::Value(const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        Null();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        String(*static_cast<const QString *>(value.constData()));
        return;
    case QMetaType::QDateTime:
        DateTime(*static_cast<const QDateTime *>(value.constData()));
        return;
    case QMetaType::QDate:
        DateTime(value.toDate().startOfDay());
        return;
    case QMetaType::Bool:
        Bool(value.toBool());
        return;
    case QMetaType::Int:
        Integer(*static_cast<const int *>(value.constData()));
        return;
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UInt:
        Integer(value.toLongLong());
        return;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        Number(double(value.toLongLong()));
        return;
    case QMetaType::Double:
        Number(*static_cast<const double *>(value.constData()));
        return;
    case QMetaType::Float:
        Number(value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray base64 = value.toByteArray().toBase64();
        char *o = Room(base64.size() + 2);
        *o++ = '"';
        std::memcpy(o, base64.constData(), size_t(base64.size()));
        o[base64.size()] = '"';
        m_length += base64.size() + 2;
        return;
    }
    case QMetaType::QVariantList: {
        Char('[');
        bool first = true;
        for (const QVariant &v : *static_cast<const QVariantList *>(value.constData())) {
            if (!first)
                Char(',');
            first = false;
            Value(v);
        }
        Char(']');
        return;
    }
    default:
        String(value.toString());
    }
}

QByteArray TJsonWriter::Take()
{
    m_buffer.truncate(m_length);
    m_length = 0;
    return std::exchange(m_buffer, QByteArray());
}
