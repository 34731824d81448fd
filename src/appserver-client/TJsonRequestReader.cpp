#include "TJsonRequestReader.h"

#include "TJsonCodec.h"
#include "TJsonCursor.h"

#include <QJsonValue>
#include <algorithm>
#include <vector>

namespace {

// The readings below skip the blanks before them, as Take does.
char peek(TJsonCursor &in)
{
    in.SkipSpace();
    return in.Peek();
}

bool atEnd(TJsonCursor &in)
{
    in.SkipSpace();
    return in.AtEnd();
}

bool string(TJsonCursor &in, QString &out)
{
    // A text opening with U+FEFF is left to QJsonDocument, which drops it.
    return peek(in) == '"' && in.String(out) && !out.startsWith(QChar(0xFEFF));
}

// A number, true, false or null.
bool scalar(TJsonCursor &in, QJsonValue &out)
{
    in.SkipSpace();
    if (in.Literal("true"))
        out = QJsonValue(true);
    else if (in.Literal("false"))
        out = QJsonValue(false);
    else if (in.Literal("null"))
        out = QJsonValue(QJsonValue::Null);
    else if (double number = 0; in.Number(number))
        out = QJsonValue(number);
    else
        return false;
    return true;
}

} // namespace

bool TJsonRequestReader::ReadOpen(const QByteArray &json, QList<SParam> &params, QString &commandText)
{
    commandText.clear();
    TJsonCursor in(json.constData(), json.constData() + json.size());
    std::vector<std::pair<QString, QJsonValue>> values;
    std::vector<std::pair<QString, QString>> types;
    bool sawParams = false, sawTypes = false, sawText = false;
    if (!in.Take('{'))
        return false;
    if (peek(in) != '}') {
        do {
            QString key;
            if (!string(in, key) || !in.Take(':'))
                return false;
            if (key == QLatin1String("params") || key == QLatin1String("types")) {
                const bool isParams = key == QLatin1String("params");
                if (std::exchange(isParams ? sawParams : sawTypes, true) || !in.Take('{'))
                    return false;
                if (peek(in) != '}') {
                    do {
                        QString name;
                        if (!string(in, name) || !in.Take(':'))
                            return false;
                        if (isParams) {
                            QJsonValue value;
                            if (peek(in) == '"') {
                                QString text;
                                if (!string(in, text))
                                    return false;
                                value = QJsonValue(text);
                            } else if (!scalar(in, value)) {
                                return false;
                            }
                            values.emplace_back(name, value);
                        } else {
                            QString type;
                            if (!string(in, type))
                                return false;
                            types.emplace_back(name, type);
                        }
                    } while (in.Take(','));
                }
                if (!in.Take('}'))
                    return false;
            } else if (key == QLatin1String("commandText")) {
                if (std::exchange(sawText, true))
                    return false;
                if (peek(in) == '"') {
                    if (!string(in, commandText))
                        return false;
                } else {
                    QJsonValue nothing;
                    if (!scalar(in, nothing) || !nothing.isNull())
                        return false;
                }
            } else {
                return false;
            }
        } while (in.Take(','));
    }
    if (!in.Take('}') || !atEnd(in))
        return false;

    // By name, as a QJsonObject lists its keys; a name twice is left to QJsonDocument.
    const auto byName = [](const auto &a, const auto &b) { return a.first < b.first; };
    const auto sameName = [](const auto &a, const auto &b) { return a.first == b.first; };
    std::sort(values.begin(), values.end(), byName);
    std::sort(types.begin(), types.end(), byName);
    if (std::adjacent_find(values.begin(), values.end(), sameName) != values.end() ||
        std::adjacent_find(types.begin(), types.end(), sameName) != types.end())
        return false;
    params.clear();
    params.reserve(qsizetype(values.size()));
    for (const auto &[name, value] : values) {
        SParam p;
        p.Name = name;
        const auto type = std::lower_bound(types.begin(), types.end(), std::pair{name, QString()}, byName);
        bool ok = false;
        if (type != types.end() && type->first == name)
            p.DataType = TJsonCodec::TypeFromName(type->second, &ok);
        p.Value = ok ? TJsonCodec::ToTypedValue(value, p.DataType) : TJsonCodec::ToValue(value);
        params << p;
    }
    return true;
}
