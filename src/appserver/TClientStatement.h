#pragma once

#include "TDatabase.h"

// A client's text about to run on the user's connection, read-only or allowed to write the module's
// tables. Create it before the client's transaction and let it end after: on its end the server's
// statements take over again and the session forgets what the client's text set.
class TClientStatement
{
public:
    TClientStatement(TDatabase &db, TDatabase::TClientMode mode) : m_db(db) { m_db.SetClientStatement(mode); }
    ~TClientStatement() { m_db.SetClientStatement(TDatabase::TClientMode::None); }
    TClientStatement(const TClientStatement &) = delete;
    TClientStatement &operator=(const TClientStatement &) = delete;

private:
    TDatabase &m_db;
};
