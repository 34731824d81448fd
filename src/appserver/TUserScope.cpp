#include "TUserScope.h"

#include "TDatabase.h"

TUserScope::TUserScope(TDatabase &db, const QSet<int> &companies) : m_db(db)
{
    m_db.BeginUser(&companies);
}

TUserScope::~TUserScope()
{
    m_db.EndUser();
}
