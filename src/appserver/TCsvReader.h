#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One record of a CSV text, with the line on which it starts (1-based).
struct SCsvRecord
{
    int Line = 0;
    QStringList Fields;
};

// RFC 4180 CSV: comma-separated fields; a field in double quotes may hold commas, line breaks and
// doubled quotes; records end at CRLF or LF. A leading UTF-8 byte-order mark and blank lines are
// ignored. A malformed text raises EAppServerError 400 with the line number.
class TCsvReader
{
public:
    static QList<SCsvRecord> Parse(const QString &text);
};
