#include "dataset/TParams.h"
#include "TRecent.h"

#include "SysUtils.h"
#include "TSqlText.h"

#include <QHash>

TParam *TParams::FindParam(const QString &name) const
{
    // Names of another length never match: most comparisons end there.
    for (const auto &param : m_items)
        if (param->Name.size() == name.size() &&
            (param->Name == name || param->Name.compare(name, Qt::CaseInsensitive) == 0))
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
    // The texts this thread read lately: a count asked for each month alternates a few texts.
    thread_local TRecent<QString, QStringList> known(256);
    return known.Get(sql, [&] {
        QStringList names;
        const TSqlText text(sql, TSqlText::TDialect::Either);
        for (const QString &name : text.ParamNames())
            if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
                names << name;
        return names;
    });
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
