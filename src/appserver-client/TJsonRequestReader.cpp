#include "TJsonRequestReader.h"

#include "TJsonCodec.h"

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
        if (!Take('"'))
            return false;
        const char *start = m_at;
        bool plain = true;
        while (m_at < m_end && *m_at != '"') {
            const unsigned char c = static_cast<unsigned char>(*m_at);
            if (c < 0x20)
                return false;
            if (c == '\\' || c >= 0x80)
                plain = false;
            m_at += c == '\\' && m_at + 1 < m_end ? 2 : 1;
        }
        if (m_at >= m_end)
            return false;
        const char *stop = m_at++;
        if (plain) {
            out = QString::fromLatin1(start, stop - start);
            return true;
        }
        return Unescape(start, stop, out);
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
        // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
        const char *start = m_at;
        bool integer = true;
        if (m_at < m_end && *m_at == '-')
            ++m_at;
        if (m_at == m_end || !isDigit(*m_at))
            return false;
        if (*m_at == '0')
            ++m_at;
        else
            while (m_at < m_end && isDigit(*m_at))
                ++m_at;
        if (m_at < m_end && *m_at == '.') {
            integer = false;
            ++m_at;
            if (m_at == m_end || !isDigit(*m_at))
                return false;
            while (m_at < m_end && isDigit(*m_at))
                ++m_at;
        }
        if (m_at < m_end && (*m_at == 'e' || *m_at == 'E')) {
            integer = false;
            ++m_at;
            if (m_at < m_end && (*m_at == '+' || *m_at == '-'))
                ++m_at;
            if (m_at == m_end || !isDigit(*m_at))
                return false;
            while (m_at < m_end && isDigit(*m_at))
                ++m_at;
        }
        const QByteArray text = QByteArray::fromRawData(start, m_at - start);
        bool ok = false;
        // As QJsonDocument keeps them: a whole number that fits 64 bits as an integer, else a double.
        if (integer) {
            const qint64 n = text.toLongLong(&ok);
            if (ok) {
                out = QJsonValue(n);
                return true;
            }
        }
        const double d = text.toDouble(&ok);
        if (!ok)
            return false;
        out = QJsonValue(d);
        return true;
    }

private:
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }
    static int hex(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    static bool Unescape(const char *at, const char *end, QString &out)
    {
        QByteArray utf8;
        utf8.reserve(end - at);
        QString text;
        auto flush = [&]() -> bool {
            if (utf8.isEmpty())
                return true;
            const QString part = QString::fromUtf8(utf8);
            // Invalid UTF-8 comes out as U+FFFD: QJsonDocument refuses it, so the caller reads it.
            if (part.contains(QChar(0xFFFD)) && !utf8.contains("\xEF\xBF\xBD"))
                return false;
            text += part;
            utf8.clear();
            return true;
        };
        while (at < end) {
            if (*at != '\\') {
                utf8 += *at++;
                continue;
            }
            if (!flush() || end - at < 2)
                return false;
            const char e = at[1];
            at += 2;
            switch (e) {
            case '"':
            case '\\':
            case '/':
                text += QLatin1Char(e);
                break;
            case 'b':
                text += QLatin1Char('\b');
                break;
            case 'f':
                text += QLatin1Char('\f');
                break;
            case 'n':
                text += QLatin1Char('\n');
                break;
            case 'r':
                text += QLatin1Char('\r');
                break;
            case 't':
                text += QLatin1Char('\t');
                break;
            case 'u': {
                if (end - at < 4)
                    return false;
                int unit = 0;
                for (int i = 0; i < 4; ++i) {
                    const int h = hex(at[i]);
                    if (h < 0)
                        return false;
                    unit = unit * 16 + h;
                }
                at += 4;
                const QChar c(char16_t(unit), 0);
                if (QChar::isHighSurrogate(char16_t(unit))) {
                    // Only a whole pair: a lone half is left to QJsonDocument.
                    if (end - at < 6 || at[0] != '\\' || at[1] != 'u')
                        return false;
                    int low = 0;
                    for (int i = 2; i < 6; ++i) {
                        const int h = hex(at[i]);
                        if (h < 0)
                            return false;
                        low = low * 16 + h;
                    }
                    if (!QChar::isLowSurrogate(char16_t(low)))
                        return false;
                    at += 6;
                    text += QChar(char16_t(unit));
                    text += QChar(char16_t(low));
                } else if (QChar::isLowSurrogate(char16_t(unit))) {
                    return false;
                } else {
                    text += QChar(char16_t(unit));
                }
                break;
            }
            default:
                return false;
            }
        }
        if (!flush())
            return false;
        out = text;
        return true;
    }

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
