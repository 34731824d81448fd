#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QStringView>

// Date-times as the database stores them and the wire carries them: "yyyy-MM-dd", then optionally
// ' ' or 'T' and "HH:mm", ":ss", ".z" to ".zzz", a wall-clock moment without zone. The one parser
// of the database layer and the wire format. It reads bytes: those fixed forms directly (the fast
// path, equal to Qt's reading of them), anything else (a zone, "24:00", more fraction digits)
// through QDateTime::fromString(..., Qt::ISODateWithMs). Blanks around the text are ignored.
class TDateTimeText
{
public:
    // The moment, or an invalid QDateTime when the text is not one.
    static QDateTime Parse(QByteArrayView text);
    static QDateTime Parse(QStringView text);
    // The fixed forms only: false for anything else, leaving out untouched.
    static bool ParseFixed(const char *text, qsizetype length, QDateTime &out);
};
