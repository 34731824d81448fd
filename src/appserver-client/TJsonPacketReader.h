#pragma once

#include "DataPacket.h"

#include <QByteArray>
#include <QString>

// Reads the answer of a provider open ({"fields": [...], "rows": [[...], ...]}) straight into an
// SDataPacket, each value converted once to its field's type, with no QJsonDocument tree in
// between. The values are those TJsonCodec::ToPacket gives for the same text,
// with one exception: a U+FEFF that opens a text stays (QJsonDocument drops it as a byte order mark).
//
// It reads strict JSON in the shape the server writes. Anything else (other keys, "rows" before
// "fields", a value of the wrong JSON type, a wrong number of values, lenient JSON, invalid UTF-8,
// unpaired surrogates) makes Read() return false, and the caller reads the text through
// QJsonDocument and TJsonCodec::ToPacket, which gives the packet or the error as it always did.
class TJsonPacketReader
{
public:
    static bool Read(const QByteArray &json, SDataPacket &packet);
    // A JSON number (strict grammar) at p, as QJsonDocument reads it: correctly rounded, and a
    // negative zero as 0. p moves past it; false when there is none.
    static bool Number(const char *&p, const char *end, double &out);
    // A JSON string whose opening quote p is on, as UTF-16 (strict: well-formed UTF-8, JSON escapes,
    // whole surrogate pairs). p moves past its closing quote; false when it is not one.
    static bool String(const char *&p, const char *end, QString &out);
};
