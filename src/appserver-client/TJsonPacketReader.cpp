#include "TJsonPacketReader.h"
#include "TRecent.h"

#include "EAppServerError.h"
#include "TDateTimeText.h"
#include "TJsonCodec.h"
#include "TJsonCursor.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <charconv>
#include <cstring>
#include <vector>

namespace {

// The last date-time text read in one column and its value: rows repeat the same few moments, and
// building a local QDateTime costs more than comparing 23 bytes.
struct SLastDate
{
    char Text[24] = {};
    qsizetype Length = -1;
    QDateTime Value;
};

class TRowsReader
{
public:
    TRowsReader(TJsonCursor &cursor, const QList<SFieldDef> &fields)
        : c(cursor), m_fields(fields), m_dates(size_t(fields.size()))
    {}

    bool Rows(QList<QVariantList> &rows)
    {
        if (!c.Take('['))
            return false;
        if (c.Take(']'))
            return true;
        const qsizetype n = m_fields.size();
        do {
            if (!c.Take('['))
                return false;
            QVariantList row;
            row.reserve(n);
            for (qsizetype i = 0; i < n; ++i) {
                if (i > 0 && !c.Take(','))
                    return false;
                c.SkipSpace();
                if (!Value(i, row))
                    return false;
            }
            if (!c.Take(']'))
                return false;
            rows.append(std::move(row));
        } while (c.Take(','));
        return c.Take(']');
    }

private:
    // Value i of a row, converted to its field's type as TJsonCodec::ToTypedValue does.
    bool Value(qsizetype i, QVariantList &row)
    {
        if (c.Peek() == 'n') {
            if (!c.Literal("null"))
                return false;
            row.emplaceBack();
            return true;
        }
        double number;
        switch (m_fields.at(i).DataType) {
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
            if (!c.Number(number))
                return false;
            row.emplaceBack(int(number));
            return true;
        case TFieldType::ftLargeint:
            if (!c.Number(number))
                return false;
            row.emplaceBack(qlonglong(number));
            return true;
        case TFieldType::ftFloat:
            if (!c.Number(number))
                return false;
            row.emplaceBack(number);
            return true;
        case TFieldType::ftBoolean:
            if (c.Literal("true"))
                row.emplaceBack(true);
            else if (c.Literal("false"))
                row.emplaceBack(false);
            else
                return false;
            return true;
        case TFieldType::ftString:
        case TFieldType::ftFixedChar:
        case TFieldType::ftMemo: {
            if (c.Peek() != '"') {
                if (!c.Number(number))
                    return false;
                row.emplaceBack(QString::number(number));
                return true;
            }
            QString text;
            if (!c.String(text))
                return false;
            row.emplaceBack(std::move(text));
            return true;
        }
        case TFieldType::ftDateTime:
            return DateTime(i, row);
        case TFieldType::ftBlob: {
            const char *begin;
            qsizetype length;
            if (c.Peek() != '"' || !c.PlainAscii(begin, length))
                return false;
            row.emplaceBack(QByteArray::fromBase64(QByteArray::fromRawData(begin, length)));
            return true;
        }
        case TFieldType::ftUnknown:
            break;
        }
        return false;
    }

    bool DateTime(qsizetype i, QVariantList &row)
    {
        if (c.Peek() != '"')
            return false;
        const char *begin;
        qsizetype length;
        QDateTime value;
        if (c.PlainAscii(begin, length)) {
            SLastDate &last = m_dates[size_t(i)];
            if (length == last.Length && std::memcmp(begin, last.Text, size_t(length)) == 0) {
                row.emplaceBack(last.Value);
                return true;
            }
            value = TDateTimeText::Parse(QByteArrayView(begin, length));
            if (value.isValid() && length < qsizetype(sizeof last.Text)) {
                std::memcpy(last.Text, begin, size_t(length));
                last.Length = length;
                last.Value = value;
            }
        } else {
            QString text;
            if (!c.String(text))
                return false;
            value = TDateTimeText::Parse(QStringView(text));
        }
        if (!value.isValid())
            return false;
        row.emplaceBack(value);
        return true;
    }

    TJsonCursor &c;
    const QList<SFieldDef> &m_fields;
    std::vector<SLastDate> m_dates;
};

// The field list, read through QJsonDocument and TJsonCodec::ToFields (a few dozen small objects;
// their flags and defaults stay in one place).
bool readFields(TJsonCursor &c, QList<SFieldDef> &fields)
{
    c.SkipSpace();
    const char *begin;
    qsizetype length;
    if (c.Peek() != '[' || !c.SkipContainer(begin, length))
        return false;
    // A provider answers with the same field list every time: the lists this thread read lately,
    // by their text, are not read again (a dataset reopened per record asks for it hundreds of times).
    thread_local TRecent<QByteArray, QList<SFieldDef>> known(64);
    const QByteArray text(begin, length);
    if (const QList<SFieldDef> *kept = known.Find(text)) {
        fields = *kept;
        return true;
    }
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return false;
    try {
        fields = TJsonCodec::ToFields(doc.array());
    } catch (const EAppServerError &) {
        return false;
    }
    for (const SFieldDef &f : std::as_const(fields))
        if (f.DataType == TFieldType::ftUnknown)
            return false;
    known.Put(text, fields);
    return true;
}

} // namespace

bool TJsonPacketReader::Read(const QByteArray &json, SDataPacket &packet)
{
    packet = SDataPacket();
    TJsonCursor c(json.constData(), json.constData() + json.size());
    if (!c.Take('{'))
        return false;
    bool haveFields = false, haveRows = false;
    if (!c.Take('}')) {
        do {
            const char *key;
            qsizetype length;
            if (!c.Key(key, length))
                return false;
            const QByteArrayView name(key, length);
            if (name == "fields" && !haveFields) {
                if (!readFields(c, packet.Fields))
                    return false;
                haveFields = true;
            } else if (name == "rows" && haveFields && !haveRows) {
                TRowsReader rows(c, packet.Fields);
                if (!rows.Rows(packet.Rows))
                    return false;
                haveRows = true;
            } else {
                return false;
            }
        } while (c.Take(','));
        if (!c.Take('}'))
            return false;
    }
    c.SkipSpace();
    return haveFields && c.AtEnd();
}
