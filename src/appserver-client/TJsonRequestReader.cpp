#include "TJsonRequestReader.h"

#include "TJsonCodec.h"
#include "TJsonPacketReader.h"

#include <QJsonValue>
#include <algorithm>
#include <vector>

namespace {

class TCursor
{
public:
    explicit TCursor(const QByteArray &json) : m_at(json.constData()), m_end(json.constData() + json.size()) {}

    void SkipSpace()
    {
        while (m_at < m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
            ++m_at;
    }
    // The next character after blanks is c, taken.
    bool Take(char c)
    {
        SkipSpace();
        if (m_at == m_end || *m_at != c)
            return false;
        ++m_at;
        return true;
    }
    bool AtEnd()
    {
        SkipSpace();
        return m_at == m_end;
    }
    char Peek()
    {
        SkipSpace();
        return m_at < m_end ? *m_at : '\0';
    }

    bool String(QString &out)
    {
        SkipSpace();
        // A text opening with U+FEFF is left to QJsonDocument, which drops it.
        return TJsonPacketReader::String(m_at, m_end, out) && !out.startsWith(QChar(0xFEFF));
    }

    // A number, true, false or null.
    bool Scalar(QJsonValue &out)
    {
        SkipSpace();
        if (m_at == m_end)
            return false;
        for (const auto &[word, value] : {std::pair{"true", QJsonValue(true)}, std::pair{"false", QJsonValue(false)},
                                          std::pair{"null", QJsonValue(QJsonValue::Null)}}) {
            const qsizetype n = qsizetype(qstrlen(word));
            if (m_end - m_at >= n && qstrncmp(m_at, word, size_t(n)) == 0) {
                m_at += n;
                out = value;
                return true;
            }
        }
        double number = 0;
        if (!TJsonPacketReader::Number(m_at, m_end, number))
            return false;
        out = QJsonValue(number);
        return true;
    }

private:
    const char *m_at;
    const char *m_end;
};

} // namespace

bool TJsonRequestReader::ReadOpen(const QByteArray &json, QList<SParam> &params, QString &commandText)
{
    commandText.clear();
    TCursor in(json);
    std::vector<std::pair<QString, QJsonValue>> values;
    std::vector<std::pair<QString, QString>> types;
    bool sawParams = false, sawTypes = false, sawText = false;
    if (!in.Take('{'))
        return false;
    if (in.Peek() != '}') {
        do {
            QString key;
            if (!in.String(key) || !in.Take(':'))
                return false;
            if (key == QLatin1String("params") || key == QLatin1String("types")) {
                const bool isParams = key == QLatin1String("params");
                if (std::exchange(isParams ? sawParams : sawTypes, true) || !in.Take('{'))
                    return false;
                if (in.Peek() != '}') {
                    do {
                        QString name;
                        if (!in.String(name) || !in.Take(':'))
                            return false;
                        if (isParams) {
                            QJsonValue value;
                            if (in.Peek() == '"') {
                                QString text;
                                if (!in.String(text))
                                    return false;
                                value = QJsonValue(text);
                            } else if (!in.Scalar(value)) {
                                return false;
                            }
                            values.emplace_back(name, value);
                        } else {
                            QString type;
                            if (!in.String(type))
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
                if (in.Peek() == '"') {
                    if (!in.String(commandText))
                        return false;
                } else {
                    QJsonValue nothing;
                    if (!in.Scalar(nothing) || !nothing.isNull())
                        return false;
                }
            } else {
                return false;
            }
        } while (in.Take(','));
    }
    if (!in.Take('}') || !in.AtEnd())
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
