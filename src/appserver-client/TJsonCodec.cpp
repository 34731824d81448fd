#include "TJsonCodec.h"

#include "EAppServerError.h"
#include "TDateTimeText.h"
#include "TJsonPacketReader.h"
#include "TJsonWriter.h"

#include <QDateTime>
#include <QJsonDocument>
#include <cmath>

namespace {

struct TypeName
{
    TFieldType type;
    const char *name;
};
const TypeName kTypes[] = {
    {TFieldType::ftString, "string"},     {TFieldType::ftFixedChar, "fixedchar"}, {TFieldType::ftSmallint, "smallint"},
    {TFieldType::ftInteger, "integer"},   {TFieldType::ftFloat, "float"},         {TFieldType::ftDateTime, "datetime"},
    {TFieldType::ftMemo, "memo"},         {TFieldType::ftBlob, "blob"},           {TFieldType::ftBoolean, "boolean"},
    {TFieldType::ftLargeint, "largeint"}, {TFieldType::ftUnknown, "unknown"}};

QString isoText(const QDateTime &d)
{
    return d.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

[[noreturn]] void bad(const QString &message)
{
    throw EAppServerError(400, message);
}

QJsonArray rowToJson(const QVariantList &row)
{
    QJsonArray a;
    for (const QVariant &v : row)
        a.append(TJsonCodec::FromValue(v));
    return a;
}

QVariantList rowFromJson(const QJsonValue &value, const QList<SFieldDef> &fields, const char *what)
{
    if (!value.isArray())
        bad(QStringLiteral("Se esperaba un arreglo en \"%1\".").arg(QLatin1String(what)));
    const QJsonArray a = value.toArray();
    if (a.size() != fields.size())
        bad(QStringLiteral("\"%1\" debe tener %2 valores.").arg(QLatin1String(what)).arg(fields.size()));
    QVariantList row;
    for (int i = 0; i < a.size(); ++i)
        row << TJsonCodec::ToTypedValue(a.at(i), fields.at(i).DataType);
    return row;
}

} // namespace

QString TJsonCodec::TypeName(TFieldType type)
{
    for (const auto &t : kTypes)
        if (t.type == type)
            return QString::fromLatin1(t.name);
    return QStringLiteral("unknown");
}

TFieldType TJsonCodec::TypeFromName(const QString &name, bool *ok)
{
    for (const auto &t : kTypes)
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0) {
            if (ok)
                *ok = true;
            return t.type;
        }
    if (ok)
        *ok = false;
    return TFieldType::ftUnknown;
}

QJsonValue TJsonCodec::FromValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return isoText(value.toDateTime());
    case QMetaType::QDate:
        return isoText(value.toDate().startOfDay());
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return double(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble();
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case QMetaType::QVariantList:
        return FromList(value.toList());
    default:
        return value.toString();
    }
}

QVariant TJsonCodec::ToValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        return QVariant();
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double: {
        const double d = value.toDouble();
        if (std::floor(d) == d && std::fabs(d) <= 2147483647.0)
            return int(d);
        return d;
    }
    case QJsonValue::String: {
        // A date-time travels as "yyyy-MM-ddTHH:mm[:ss[.zzz]]"; any other text is a string.
        const QString s = value.toString();
        if (s.size() > 10 && s.size() <= 23 && s.at(10) == u'T') {
            const QByteArray bytes = s.toLatin1();
            QDateTime d;
            if (TDateTimeText::ParseFixed(bytes.constData(), bytes.size(), d))
                return d;
        }
        return s;
    }
    case QJsonValue::Array:
        return ToList(value.toArray());
    case QJsonValue::Object:
        bad(QStringLiteral("Un valor no puede ser un objeto JSON."));
    }
    return QVariant();
}

QVariant TJsonCodec::ToTypedValue(const QJsonValue &value, TFieldType type)
{
    if (value.isNull() || value.isUndefined())
        return QVariant();
    switch (type) {
    case TFieldType::ftDateTime: {
        if (!value.isString())
            bad(QStringLiteral("Una fecha debe viajar como texto ISO 8601."));
        const QDateTime d = TDateTimeText::Parse(value.toString());
        if (!d.isValid())
            bad(QStringLiteral("Fecha no válida: %1").arg(value.toString()));
        return d;
    }
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
        if (!value.isDouble())
            bad(QStringLiteral("Se esperaba un número entero."));
        return int(value.toDouble());
    case TFieldType::ftLargeint:
        if (!value.isDouble())
            bad(QStringLiteral("Se esperaba un número entero."));
        return qlonglong(value.toDouble());
    case TFieldType::ftFloat:
        if (!value.isDouble())
            bad(QStringLiteral("Se esperaba un número."));
        return value.toDouble();
    case TFieldType::ftBoolean:
        return value.toBool();
    case TFieldType::ftBlob:
        return QByteArray::fromBase64(value.toString().toLatin1());
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
    case TFieldType::ftMemo:
        if (value.isDouble())
            return QString::number(value.toDouble());
        if (!value.isString())
            bad(QStringLiteral("Se esperaba un texto."));
        return value.toString();
    case TFieldType::ftUnknown:
        break;
    }
    return ToValue(value);
}

QJsonObject TJsonCodec::FromField(const SFieldDef &f)
{
    QJsonObject o{{QStringLiteral("name"), f.Name},
                  {QStringLiteral("type"), TypeName(f.DataType)},
                  {QStringLiteral("size"), f.Size},
                  {QStringLiteral("required"), f.Required},
                  {QStringLiteral("key"), f.InKey}};
    if (f.ReadOnly)
        o.insert(QStringLiteral("readOnly"), true);
    if (f.Hidden)
        o.insert(QStringLiteral("hidden"), true);
    return o;
}

SFieldDef TJsonCodec::ToField(const QJsonObject &o)
{
    SFieldDef f;
    f.Name = o.value(QStringLiteral("name")).toString();
    if (f.Name.isEmpty())
        bad(QStringLiteral("Un campo no tiene nombre."));
    bool ok = false;
    f.DataType = TypeFromName(o.value(QStringLiteral("type")).toString(), &ok);
    if (!ok)
        bad(QStringLiteral("Tipo de campo desconocido: %1").arg(o.value(QStringLiteral("type")).toString()));
    f.Size = o.value(QStringLiteral("size")).toInt();
    f.Required = o.value(QStringLiteral("required")).toBool();
    f.InKey = o.value(QStringLiteral("key")).toBool();
    f.ReadOnly = o.value(QStringLiteral("readOnly")).toBool();
    f.Hidden = o.value(QStringLiteral("hidden")).toBool();
    return f;
}

QJsonArray TJsonCodec::FromFields(const QList<SFieldDef> &fields)
{
    QJsonArray a;
    for (const SFieldDef &f : fields)
        a.append(FromField(f));
    return a;
}

QList<SFieldDef> TJsonCodec::ToFields(const QJsonValue &value)
{
    if (!value.isArray())
        bad(QStringLiteral("Se esperaba la lista \"fields\"."));
    QList<SFieldDef> out;
    for (const QJsonValue &v : value.toArray()) {
        if (!v.isObject())
            bad(QStringLiteral("Cada campo debe ser un objeto."));
        out << ToField(v.toObject());
    }
    return out;
}

QJsonObject TJsonCodec::FromPacket(const SDataPacket &p)
{
    QJsonArray rows;
    for (const QVariantList &r : p.Rows)
        rows.append(rowToJson(r));
    return {{QStringLiteral("fields"), FromFields(p.Fields)}, {QStringLiteral("rows"), rows}};
}

SDataPacket TJsonCodec::ToPacket(const QJsonObject &o)
{
    SDataPacket p;
    p.Fields = ToFields(o.value(QStringLiteral("fields")));
    for (const QJsonValue &r : o.value(QStringLiteral("rows")).toArray())
        p.Rows << rowFromJson(r, p.Fields, "rows");
    return p;
}

QByteArray TJsonCodec::WritePacket(const SDataPacket &p)
{
    // About sixteen bytes per value (the evaluation averages 15.7); the writer grows when that is short.
    TJsonWriter w(1024 + p.Fields.size() * 96 + p.Rows.size() * p.Fields.size() * 16);
    w.Raw("{\"fields\":[");
    for (qsizetype i = 0; i < p.Fields.size(); ++i) {
        const SFieldDef &f = p.Fields.at(i);
        // Keys in QJsonObject's (sorted) order.
        if (i > 0)
            w.Char(',');
        w.Char('{');
        if (f.Hidden)
            w.Raw("\"hidden\":true,");
        w.Raw("\"key\":");
        w.Bool(f.InKey);
        w.Raw(",\"name\":");
        w.String(f.Name);
        if (f.ReadOnly)
            w.Raw(",\"readOnly\":true");
        w.Raw(",\"required\":");
        w.Bool(f.Required);
        w.Raw(",\"size\":");
        w.Integer(f.Size);
        w.Raw(",\"type\":");
        w.String(TypeName(f.DataType));
        w.Char('}');
    }
    w.Raw("],\"rows\":[");
    for (qsizetype r = 0; r < p.Rows.size(); ++r) {
        if (r > 0)
            w.Char(',');
        w.Char('[');
        const QVariantList &row = p.Rows.at(r);
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0)
                w.Char(',');
            w.Value(row.at(i));
        }
        w.Char(']');
    }
    w.Raw("]}");
    return w.Take();
}

SDataPacket TJsonCodec::ReadPacket(const QByteArray &json)
{
    SDataPacket packet;
    if (TJsonPacketReader::Read(json, packet))
        return packet;
    return ToPacket(QJsonDocument::fromJson(json).object());
}

QJsonObject TJsonCodec::FromParams(const QList<SParam> &params)
{
    QJsonObject o;
    for (const SParam &p : params)
        o.insert(p.Name, FromValue(p.Value));
    return o;
}

QList<SParam> TJsonCodec::ToParams(const QJsonValue &params, const QJsonValue &types)
{
    if (!params.isUndefined() && !params.isNull() && !params.isObject())
        bad(QStringLiteral("\"params\" debe ser un objeto."));
    const QJsonObject o = params.toObject();
    const QJsonObject t = types.toObject();
    QList<SParam> out;
    for (auto it = o.begin(); it != o.end(); ++it) {
        SParam p;
        p.Name = it.key();
        bool ok = false;
        p.DataType = TypeFromName(t.value(it.key()).toString(), &ok);
        p.Value = ok ? ToTypedValue(it.value(), p.DataType) : ToValue(it.value());
        out << p;
    }
    return out;
}

QJsonObject TJsonCodec::FromDelta(const SDelta &delta, int maxErrors)
{
    QJsonArray changes;
    for (const SDeltaRow &r : delta.Rows) {
        QJsonObject c;
        c.insert(QStringLiteral("kind"), r.Kind == TUpdateKind::ukInsert   ? QStringLiteral("insert")
                                         : r.Kind == TUpdateKind::ukDelete ? QStringLiteral("delete")
                                                                           : QStringLiteral("modify"));
        if (r.Kind != TUpdateKind::ukInsert)
            c.insert(QStringLiteral("old"), rowToJson(r.OldValues));
        if (r.Kind != TUpdateKind::ukDelete)
            c.insert(QStringLiteral("new"), rowToJson(r.NewValues));
        if (r.Kind == TUpdateKind::ukModify) {
            QJsonArray changed;
            for (bool b : r.Changed)
                changed.append(b);
            c.insert(QStringLiteral("changed"), changed);
        }
        changes.append(c);
    }
    return {{QStringLiteral("fields"), FromFields(delta.Fields)},
            {QStringLiteral("changes"), changes},
            {QStringLiteral("maxErrors"), maxErrors}};
}

SDelta TJsonCodec::ToDelta(const QJsonObject &o)
{
    SDelta d;
    d.Fields = ToFields(o.value(QStringLiteral("fields")));
    if (!o.value(QStringLiteral("changes")).isArray())
        bad(QStringLiteral("Se esperaba la lista \"changes\"."));
    for (const QJsonValue &v : o.value(QStringLiteral("changes")).toArray()) {
        const QJsonObject c = v.toObject();
        SDeltaRow r;
        const QString kind = c.value(QStringLiteral("kind")).toString();
        if (kind == QStringLiteral("insert"))
            r.Kind = TUpdateKind::ukInsert;
        else if (kind == QStringLiteral("delete"))
            r.Kind = TUpdateKind::ukDelete;
        else if (kind == QStringLiteral("modify"))
            r.Kind = TUpdateKind::ukModify;
        else
            bad(QStringLiteral("Tipo de cambio desconocido: \"%1\".").arg(kind));
        if (r.Kind != TUpdateKind::ukInsert)
            r.OldValues = rowFromJson(c.value(QStringLiteral("old")), d.Fields, "old");
        if (r.Kind != TUpdateKind::ukDelete)
            r.NewValues = rowFromJson(c.value(QStringLiteral("new")), d.Fields, "new");
        if (r.Kind == TUpdateKind::ukModify) {
            const QJsonArray changed = c.value(QStringLiteral("changed")).toArray();
            if (changed.size() != d.Fields.size())
                bad(QStringLiteral("\"changed\" debe tener %1 valores.").arg(d.Fields.size()));
            for (const QJsonValue &b : changed)
                r.Changed << b.toBool();
        }
        d.Rows << r;
    }
    return d;
}

QJsonObject TJsonCodec::FromApplyResult(const SApplyResult &result, int rowCount, const QList<SFieldDef> &fields)
{
    Q_UNUSED(fields)
    QJsonArray errors;
    for (const SRowError &e : result.Errors)
        errors.append(QJsonObject{{QStringLiteral("row"), e.RowIndex},
                                  {QStringLiteral("message"), e.Message},
                                  {QStringLiteral("current"), rowToJson(e.CurValues)}});
    return {{QStringLiteral("applied"), result.Committed ? rowCount - result.ErrorCount : 0},
            {QStringLiteral("committed"), result.Committed},
            {QStringLiteral("errors"), errors}};
}

SApplyResult TJsonCodec::ToApplyResult(const QJsonObject &o, const QList<SFieldDef> &fields)
{
    SApplyResult r;
    r.Committed = o.value(QStringLiteral("committed")).toBool(true);
    for (const QJsonValue &v : o.value(QStringLiteral("errors")).toArray()) {
        const QJsonObject e = v.toObject();
        SRowError err;
        err.RowIndex = e.value(QStringLiteral("row")).toInt(-1);
        err.Message = e.value(QStringLiteral("message")).toString();
        const QJsonArray cur = e.value(QStringLiteral("current")).toArray();
        if (cur.size() == fields.size())
            err.CurValues = rowFromJson(cur, fields, "current");
        r.Errors << err;
    }
    r.ErrorCount = int(r.Errors.size());
    return r;
}

QJsonArray TJsonCodec::FromList(const QVariantList &values)
{
    QJsonArray a;
    for (const QVariant &v : values)
        a.append(FromValue(v));
    return a;
}

QVariantList TJsonCodec::ToList(const QJsonArray &values)
{
    QVariantList out;
    for (const QJsonValue &v : values)
        out << ToValue(v);
    return out;
}
