#pragma once

#include "SysUtils.h"

// A refusal or failure of the application server. Status follows HTTP: 400 malformed request,
// 401 not signed in, 403 company not assigned to the user, 404 unknown provider or method,
// 409 conflicting data, 500 database failure. The HTTP service answers with it; in-process callers
// see an Exception with the same message.
class EAppServerError : public Exception
{
public:
    EAppServerError(int status, QString message) : Exception(std::move(message)), m_status(status) {}
    int Status() const { return m_status; }

private:
    int m_status;
};
