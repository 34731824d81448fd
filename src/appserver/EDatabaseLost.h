#pragma once

#include "EAppServerError.h"

// The connection to the database broke (the database restarted, an administrator ended the
// session, the network dropped). The thread's connections are closed when it is raised and
// reopened at their next use; a request it interrupted before anything was committed may be run
// again.
class EDatabaseLost : public EAppServerError
{
public:
    EDatabaseLost() : EAppServerError(503, Text()) {}
    static QString Text() { return QStringLiteral("Se perdió la conexión con la base de datos; intente de nuevo."); }
};
