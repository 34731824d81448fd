#include "dataset/TParams.h"

#include "SysUtils.h"

TParam *TParams::FindParam(const QString &name) const
{
    // Names of another length never match: most comparisons end there.
    for (const auto &param : m_items)
        if (param->Name.size() == name.size() && (param->Name == name || param->Name.compare(name, Qt::CaseInsensitive) == 0))
            return param.get();
    return nullptr;
}

TParam &TParams::ParamByName(const QString &name) const
{
    TParam *param = FindParam(name);
    if (!param)
        throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
    return *param;
}

TParam &TParams::CreateParam(TFieldType dataType, const QString &name)
{
    m_items.push_back(std::make_unique<TParam>(name, dataType));
    return *m_items.back();
}

QStringList TParams::ParamNames(const QString &sql)
{
    QStringList names;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            continue;
        }
        if (c != u':')
            continue;
        if (i + 1 < sql.size() && sql.at(i + 1) == u':') { // a cast
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < sql.size() && (sql.at(j).isLetterOrNumber() || sql.at(j) == u'_'))
            ++j;
        if (j > i + 1) {
            const QString name = sql.mid(i + 1, j - i - 1);
            if (!names.contains(name, Qt::CaseInsensitive))
                names << name;
        }
        i = j - 1;
    }
    return names;
}

void TParams::ParseSQL(const QString &sql)
{
    std::vector<std::unique_ptr<TParam>> parsed;
    for (const QString &name : ParamNames(sql)) {
        std::unique_ptr<TParam> param;
        for (auto &old : m_items)
            if (old && old->Name.compare(name, Qt::CaseInsensitive) == 0) {
                param = std::move(old);
                break;
            }
        if (!param)
            param = std::make_unique<TParam>(name);
        parsed.push_back(std::move(param));
    }
    m_items = std::move(parsed);
}

QList<SParam> TParams::ToList() const
{
    QList<SParam> list;
    list.reserve(qsizetype(m_items.size()));
    for (const auto &param : m_items)
        list << param->ToSParam();
    return list;
}
