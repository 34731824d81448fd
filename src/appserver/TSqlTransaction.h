#pragma once

class TDatabase;

// One transaction on this thread's connection, rolled back unless committed.
// Write: SQLite takes the write lock at once (BEGIN IMMEDIATE) so that two writers queue on the
// busy timeout instead of failing at their first write. ReadOnly: PostgreSQL READ ONLY
// transaction; SQLite connection switched to query_only for its duration.
class TSqlTransaction
{
public:
    enum class TMode { Write, ReadOnly };

    TSqlTransaction(TDatabase &db, TMode mode);
    ~TSqlTransaction();
    TSqlTransaction(const TSqlTransaction &) = delete;
    TSqlTransaction &operator=(const TSqlTransaction &) = delete;

    void Commit();
    void Rollback();

private:
    void End(bool commit);

    TDatabase &m_db;
    TMode m_mode;
    bool m_open = false;
};
