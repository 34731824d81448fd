#pragma once

#include "dataset/TParam.h"

#include <QList>
#include <memory>
#include <vector>

// The parameters of a dataset, in order. Names compare case-insensitively.
class TParams
{
public:
    int Count() const { return int(m_items.size()); }
    TParam &Items(int index) const { return *m_items[size_t(index)]; }
    TParam *FindParam(const QString &name) const;
    // Raises "Parameter '<name>' not found".
    TParam &ParamByName(const QString &name) const;
    TParam &CreateParam(TFieldType dataType, const QString &name);
    void Clear() { m_items.clear(); }

    // Replaces the list with the ':name' parameters of sql, in order of first appearance, keeping
    // type and value of parameters that existed under the same name. What TSqlText finds is a
    // parameter: nothing inside quoted text or a comment of either database, no '::' cast, no colon
    // without a name after it.
    void ParseSQL(const QString &sql);
    static QStringList ParamNames(const QString &sql);

    QList<SParam> ToList() const;

private:
    std::vector<std::unique_ptr<TParam>> m_items;
};
