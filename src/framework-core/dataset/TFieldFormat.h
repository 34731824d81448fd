#pragma once

#include <QDateTime>
#include <QString>

// Text conversions shared by the field classes. Numbers use the default QLocale's decimal point
// (the application sets the user's locale); dates use its short date format with a four-digit year.
class TFieldFormat
{
public:
    // General format, up to 15 significant digits ("0.1", "2.5", "1E20").
    static QString FloatToStr(double value);
    // Accepts the locale's decimal point or '.', an optional sign and exponent; ok=false otherwise.
    static double StrToFloat(const QString &text, bool *ok);
    // A numeric pattern: '0' a digit always shown, '#' a digit shown when significant, '.' the
    // decimal point, ',' thousands grouping, ';' separates the positive, negative and zero sections,
    // text in quotes is literal. Rounds half away from zero on the decimal digits of the value (the
    // value is first written with 18 significant digits), and never shows "-0".
    static QString FormatFloat(const QString &format, double value);
    // Banker's rounding (ties to even), as Round does.
    static qint64 Round(double value);

    // Date only when the time is midnight.
    static QString DateTimeToStr(const QDateTime &value);
    static QDateTime StrToDateTime(const QString &text, bool *ok);
    // Days since 1899-12-30, the fraction being the time of day.
    static double DateTimeToDouble(const QDateTime &value);
    static QDateTime DoubleToDateTime(double value);
    static QString ShortDateFormat();
};
