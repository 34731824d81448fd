#include "dataset/TFieldFormat.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

QChar decimalPoint()
{
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.at(0);
}

QChar groupSeparator()
{
    const QString sep = QLocale().groupSeparator();
    return sep.isEmpty() ? QChar(u',') : sep.at(0);
}

// Splits a pattern into its ';' sections, honouring quotes.
QStringList sections(const QString &format)
{
    QStringList result;
    QString current;
    QChar quote;
    for (const QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            current += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
            current += c;
        } else if (c == u';') {
            result << current;
            current.clear();
        } else {
            current += c;
        }
    }
    result << current;
    return result;
}

// |value| rounded half-up at `decimals` places, from its 18 significant digits; returns the digits
// with the integer part first and sets intDigits to the length of the integer part.
QString roundedDigits(double value, int decimals, int &intDigits)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
    // buffer: d.ddddddddddddddddde[+-]xx
    QString digits;
    const char *p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits += QLatin1Char(*p);
    const int exponent = *p == 'e' ? std::atoi(p + 1) : 0;
    intDigits = exponent + 1;
    if (value == 0.0) {
        intDigits = 1;
        return QString(1 + decimals, u'0');
    }
    const int keep = intDigits + decimals;
    if (keep < 0) {
        intDigits = 1;
        return QString(1 + decimals, u'0');
    }
    QString kept = digits.left(keep);
    if (kept.size() < keep)
        kept += QString(keep - kept.size(), u'0');
    if (keep < digits.size() && digits.at(keep) >= u'5') {
        int i = keep - 1;
        for (; i >= 0; --i) {
            if (kept.at(i) == u'9') {
                kept[i] = u'0';
            } else {
                kept[i] = QChar(kept.at(i).unicode() + 1);
                break;
            }
        }
        if (i < 0) {
            kept.prepend(u'1');
            ++intDigits;
        }
    }
    if (intDigits <= 0) {
        kept.prepend(QString(1 - intDigits, u'0'));
        intDigits = 1;
    }
    return kept;
}

QString formatSection(const QString &section, double value)
{
    // Scan the placeholders.
    int intZeros = 0, decZeros = 0, decHashes = 0;
    bool seenPoint = false, grouping = false;
    QChar quote;
    for (const QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'"' || c == u'\'')
            quote = c;
        else if (c == u'.')
            seenPoint = true;
        else if (c == u',')
            grouping = !seenPoint ? true : grouping;
        else if (c == u'0')
            (seenPoint ? decZeros : intZeros)++;
        else if (c == u'#' && seenPoint)
            decHashes++;
    }
    int intDigits = 0;
    const QString digits = roundedDigits(value, decZeros + decHashes, intDigits);
    QString intPart = digits.left(intDigits);
    QString decPart = digits.mid(intDigits);
    while (intPart.size() > 1 && intPart.at(0) == u'0')
        intPart.remove(0, 1);
    if (intPart == u"0"_s && intZeros == 0)
        intPart.clear();
    if (intPart.size() < intZeros)
        intPart.prepend(QString(intZeros - intPart.size(), u'0'));
    while (decPart.size() > decZeros && decPart.endsWith(u'0'))
        decPart.chop(1);
    if (grouping) {
        for (int i = int(intPart.size()) - 3; i > 0; i -= 3)
            intPart.insert(i, groupSeparator());
    }
    // Rebuild: the number goes where the first placeholder was; literals are kept in place.
    QString out;
    bool numberWritten = false;
    quote = QChar();
    for (const QChar c : section) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'0' || c == u'#' || c == u'.' || c == u',') {
            if (!numberWritten) {
                out += intPart;
                if (!decPart.isEmpty())
                    out += decimalPoint() + decPart;
                numberWritten = true;
            }
        } else {
            out += c;
        }
    }
    if (!numberWritten)
        out += intPart + (decPart.isEmpty() ? QString() : decimalPoint() + decPart);
    return out;
}

bool allZero(const QString &text)
{
    for (const QChar c : text)
        if (c.isDigit() && c != u'0')
            return false;
    return true;
}

} // namespace

QString TFieldFormat::FloatToStr(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    QString text = QString::number(value, 'g', 15);
    const qsizetype e = text.indexOf(u'e');
    if (e >= 0) {
        // 1e+20 -> 1E20, 1e-07 -> 1E-7
        QString mantissa = text.left(e);
        QString exponent = text.mid(e + 1);
        const bool negative = exponent.startsWith(u'-');
        exponent.remove(0, exponent.at(0) == u'+' || exponent.at(0) == u'-' ? 1 : 0);
        while (exponent.size() > 1 && exponent.startsWith(u'0'))
            exponent.remove(0, 1);
        text = mantissa + u'E' + (negative ? u"-"_s : QString()) + exponent;
    }
    if (decimalPoint() != u'.')
        text.replace(u'.', decimalPoint());
    return text;
}

double TFieldFormat::StrToFloat(const QString &text, bool *ok)
{
    QString t = text.trimmed();
    // Thousands written as people write them ("1.500.000,50" in Colombia) are taken when every
    // group has three digits; "1.5" is left to the decimal reading below.
    const QChar group = groupSeparator();
    if (group != decimalPoint() && t.contains(group)) {
        const QString g = QRegularExpression::escape(QString(group)),
                      d = QRegularExpression::escape(QString(decimalPoint()));
        const QRegularExpression grouped(u"^[+-]?\\d{1,3}(?:"_s + g + u"\\d{3})+(?:"_s + d + u"\\d*)?$"_s);
        if (grouped.match(t).hasMatch())
            t.remove(group);
    }
    if (decimalPoint() != u'.')
        t.replace(decimalPoint(), u'.');
    bool good = false;
    double value = 0;
    if (!t.isEmpty()) {
        for (const QChar c : t)
            if (!(c.isDigit() || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E')) {
                *ok = false;
                return 0;
            }
        value = t.toDouble(&good);
    }
    *ok = good;
    return good ? value : 0;
}

QString TFieldFormat::FormatFloat(const QString &format, double value)
{
    if (format.isEmpty())
        return FloatToStr(value);
    const QStringList parts = sections(format);
    QString section = parts.at(0);
    bool useNegativeSection = false;
    if (value < 0 && parts.size() > 1 && !parts.at(1).isEmpty()) {
        section = parts.at(1);
        useNegativeSection = true;
    }
    QString text = formatSection(section, value);
    const bool zero = allZero(text);
    if (zero && parts.size() > 2 && !parts.at(2).isEmpty())
        return formatSection(parts.at(2), 0.0);
    if (value < 0 && !useNegativeSection && !zero)
        text.prepend(u'-');
    return text;
}

qint64 TFieldFormat::Round(double value)
{
    return qint64(std::nearbyint(value));
}

QString TFieldFormat::ShortDateFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(u"yyyy"_s))
        format.replace(u"yy"_s, u"yyyy"_s);
    return format;
}

QString TFieldFormat::DateTimeToStr(const QDateTime &value)
{
    if (!value.isValid())
        return QString();
    QString text = value.date().toString(ShortDateFormat());
    if (value.time() != QTime(0, 0))
        text += u' ' + value.time().toString(u"HH:mm:ss"_s);
    return text;
}

QDateTime TFieldFormat::StrToDateTime(const QString &text, bool *ok)
{
    const QString t = text.trimmed();
    const QString dateFormat = ShortDateFormat();
    QDateTime result = QDateTime::fromString(t, dateFormat + u" HH:mm:ss"_s);
    if (!result.isValid())
        result = QDateTime::fromString(t, dateFormat + u" HH:mm"_s);
    if (!result.isValid()) {
        const QDate date = QDate::fromString(t, dateFormat);
        if (date.isValid())
            result = date.startOfDay();
    }
    if (!result.isValid())
        result = QDateTime::fromString(t, Qt::ISODate);
    *ok = result.isValid();
    return result;
}

double TFieldFormat::DateTimeToDouble(const QDateTime &value)
{
    static const QDate epoch(1899, 12, 30);
    if (!value.isValid())
        return 0;
    const double days = double(epoch.daysTo(value.date()));
    const double fraction = value.time().msecsSinceStartOfDay() / 86400000.0;
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime TFieldFormat::DoubleToDateTime(double value)
{
    static const QDate epoch(1899, 12, 30);
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    const QDate date = epoch.addDays(qint64(whole));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(std::llround(fraction * 86400000.0)) % 86400000));
}
