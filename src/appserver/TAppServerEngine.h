#pragma once

#include <mutex>

#include "TDatabase.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class TServerSession;

// The application server over one database: schema creation and sign-in. One engine per database
// location per process (ForDatabase), shared by the in-process transport and the HTTP service.
class TAppServerEngine : public std::enable_shared_from_this<TAppServerEngine>
{
public:
    explicit TAppServerEngine(const QString &location);

    static std::shared_ptr<TAppServerEngine> ForDatabase(const QString &location);

    TDatabase &Database() { return m_db; }
    // Creates every missing table, index and column; existing data is kept.
    void CreateSchema();
    // Raises EAppServerError 401 on an unknown user or a wrong password.
    std::shared_ptr<TServerSession> SignIn(const QString &user, const QString &password);

    // The moment BuscarFechaServidor reports: this machine's clock unless another one is set (a test
    // sets a fixed moment to tell the server's time from the client's). Set it before serving.
    QDateTime Now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }
    void SetClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

private:
    void CreateUserRole();

    TDatabase m_db;
    std::once_flag m_schemaChecked;
    std::function<QDateTime()> m_clock;
};
