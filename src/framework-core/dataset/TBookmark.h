#pragma once

#include <QStringList>
#include <QVariantList>

// A remembered record. Within one opening of a dataset it names the record itself; after a close and
// reopen the record is found again by its key values (the pfInKey fields, or every data field when
// none is marked). A default-constructed bookmark is the nil bookmark.
class TBookmark
{
public:
    TBookmark() = default;
    bool IsNull() const { return m_generation == 0; }
    explicit operator bool() const { return !IsNull(); }

private:
    friend class TDataSet;
    quint64 m_generation = 0;
    quint32 m_slot = 0;
    QStringList m_keyNames;
    QVariantList m_key;
};
