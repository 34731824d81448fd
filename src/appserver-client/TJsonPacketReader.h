#pragma once

#include "DataPacket.h"

#include <QByteArray>

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
};
