#pragma once

#include <QSet>

class TDatabase;

// A signed-in user's request on this thread: while it lives, the database's Connection() is the
// user's connection, limited by the database itself to these companies.
class TUserScope
{
public:
    TUserScope(TDatabase &db, const QSet<int> &companies);
    ~TUserScope();
    TUserScope(const TUserScope &) = delete;
    TUserScope &operator=(const TUserScope &) = delete;

private:
    TDatabase &m_db;
};
