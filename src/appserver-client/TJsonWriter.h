#pragma once

#include <QByteArray>
#include <QStringView>
#include <QVariant>

class QDateTime;

// Writes compact JSON straight into one growing byte buffer, with no QJsonValue tree in between.
// The output is byte for byte what QJsonDocument::toJson(Compact) writes for the same values, so
// the wire format stays the one docs/protocol.md shows:
// - integral numbers up to 2^53 as integers, other finite numbers in the shortest form that reads
//   back exactly (fixed or exponent "1e+16", whichever is shorter, fixed on a tie), non-finite
//   numbers as null;
// - strings as UTF-8 with '"', '\\' and control characters escaped (\b \f \n \r \t, else \u00xx),
//   unpaired surrogates as \uxxxx;
// - Value() converts a QVariant exactly as TJsonCodec::FromValue does (date-times as
//   "yyyy-MM-ddTHH:mm:ss.zzz", blobs as base64 text, lists as arrays).
// The caller writes the commas and colons; object keys are written in the order given (QJsonDocument
// sorts them: callers that must match it write them sorted).
class TJsonWriter
{
public:
    explicit TJsonWriter(qsizetype reserve = 256);

    void Raw(const char *text, qsizetype length);
    template <qsizetype N> void Raw(const char (&text)[N]) { Raw(text, N - 1); }
    void Char(char c);

    void Null() { Raw("null"); }
    void Bool(bool value);
    void Integer(qint64 value);
    void Number(double value);
    void String(QStringView text);
    // Text already in UTF-8 (field names, type names); escaped like String().
    void Utf8String(const char *text, qsizetype length);
    // "yyyy-MM-ddTHH:mm:ss.zzz"; an invalid date-time as the empty text.
    void DateTime(const QDateTime &value);
    void Value(const QVariant &value);

    // The JSON written so far; the writer is left empty.
    QByteArray Take();

private:
    // A pointer to at least n writable bytes at the end of what is written.
    char *Room(qsizetype n);

    QByteArray m_buffer; // its size is the capacity in use; m_length bytes are written
    qsizetype m_length = 0;
};
