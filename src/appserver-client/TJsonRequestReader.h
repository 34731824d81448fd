#pragma once

#include "DataPacket.h"

#include <QByteArray>
#include <QString>

// Reads the body of a provider open ({"params": {...}, "types": {...}, "commandText": "..."}, as
// the client writes it) straight from the text, with no QJsonDocument tree in between. The
// parameters are those TJsonCodec::ToParams gives for the same text, in the same order (by name).
//
// It reads strict JSON in that shape only. Anything else (other keys, a key twice, a parameter
// whose value is an array or an object, a type that is not text, lenient JSON, invalid UTF-8,
// unpaired surrogates) makes ReadOpen() return false, and the caller reads the text through
// QJsonDocument, which gives the parameters or the error as it always did.
class TJsonRequestReader
{
public:
    // commandText: empty when the body has none or null.
    static bool ReadOpen(const QByteArray &json, QList<SParam> &params, QString &commandText);
};
