#include "TCsvReader.h"

#include "EAppServerError.h"

QList<SCsvRecord> TCsvReader::Parse(const QString &input)
{
    QString text = input;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QList<SCsvRecord> records;
    SCsvRecord record;
    QString field;
    int line = 1;
    record.Line = 1;
    bool fieldStarted = false; // something (even empty quotes) was read into the record
    const int n = int(text.size());
    auto endRecord = [&] {
        if (fieldStarted || !field.isEmpty() || !record.Fields.isEmpty()) {
            record.Fields << field;
            records << record;
        }
        record = SCsvRecord();
        field.clear();
        fieldStarted = false;
    };
    int i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('"') && field.isEmpty()) {
            const int startLine = line;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar q = text.at(i);
                if (q == QLatin1Char('"')) {
                    if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                        field += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                if (q == QLatin1Char('\n'))
                    ++line;
                field += q;
                ++i;
            }
            if (!closed)
                throw EAppServerError(400,
                                      QStringLiteral("Línea %1: falta la comilla que cierra el campo.").arg(startLine));
            fieldStarted = true;
            if (i < n && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\r') &&
                text.at(i) != QLatin1Char('\n'))
                throw EAppServerError(400,
                                      QStringLiteral("Línea %1: texto después de un campo entre comillas.").arg(line));
            continue;
        }
        if (c == QLatin1Char(',')) {
            record.Fields << field;
            field.clear();
            fieldStarted = true;
            ++i;
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            endRecord();
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            ++i;
            ++line;
            record.Line = line;
            continue;
        }
        if (c == QLatin1Char('"'))
            throw EAppServerError(400, QStringLiteral("Línea %1: comilla dentro de un campo sin comillas.").arg(line));
        field += c;
        ++i;
    }
    endRecord();
    return records;
}
