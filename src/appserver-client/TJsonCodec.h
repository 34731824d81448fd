#pragma once

#include "DataPacket.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

// The JSON forms of the HTTP protocol (docs/protocol.md). Typed values (packet rows, change logs)
// follow their field's type; untyped values (parameters, method arguments) carry date-times as text
// "yyyy-MM-ddTHH:mm:ss[.zzz]", which is read back as a date-time.
class TJsonCodec
{
public:
    static QString TypeName(TFieldType type);
    static TFieldType TypeFromName(const QString &name, bool *ok = nullptr);

    static QJsonValue FromValue(const QVariant &value);
    static QVariant ToValue(const QJsonValue &value);
    static QVariant ToTypedValue(const QJsonValue &value, TFieldType type);

    static QJsonObject FromField(const SFieldDef &field);
    static SFieldDef ToField(const QJsonObject &object);
    static QJsonArray FromFields(const QList<SFieldDef> &fields);
    static QList<SFieldDef> ToFields(const QJsonValue &value);

    static QJsonObject FromPacket(const SDataPacket &packet);
    static SDataPacket ToPacket(const QJsonObject &object);
    // The compact JSON text of FromPacket(packet), written straight from the values (TJsonWriter):
    // the same bytes QJsonDocument would write, without building the tree.
    static QByteArray WritePacket(const SDataPacket &packet);
    // ToPacket(QJsonDocument::fromJson(json).object()), read straight from the text when it has the
    // shape the server writes (TJsonPacketReader); raises EAppServerError 400 as ToPacket does.
    static SDataPacket ReadPacket(const QByteArray &json);

    static QJsonObject FromParams(const QList<SParam> &params);
    // {"NAME": value, ...} with optional "types" {"NAME": "datetime", ...}.
    static QList<SParam> ToParams(const QJsonValue &params, const QJsonValue &types);

    static QJsonObject FromDelta(const SDelta &delta, int maxErrors);
    static SDelta ToDelta(const QJsonObject &object);

    static QJsonObject FromApplyResult(const SApplyResult &result, int rowCount, const QList<SFieldDef> &fields);
    static SApplyResult ToApplyResult(const QJsonObject &object, const QList<SFieldDef> &fields);

    static QJsonArray FromList(const QVariantList &values);
    static QVariantList ToList(const QJsonArray &values);
};
