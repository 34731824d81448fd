#pragma once

#include <QString>
#include <QStringList>
#include <memory>

// Start-up variables shared by the host and its modules. The module's load writes most of them;
// they outlive an unload and a later load overwrites them.
extern QString gStParSrv;     // server
extern QString gStParUsu;     // user
extern QString gStParPas;     // password
extern QString gStParEmp;     // company
extern QString gStParHpv;     // parameter string; after parsing, the condition beginning with AND
extern QString gStAliasCnx;   // connection alias
extern QString gStProtocolo;  // protocol: "local" or "http"
extern QString gStServerGUID; // application server class identifier
extern QString gStServerName; // application server programmatic identifier
extern QString gStServerGUIDNet;
extern QString gStServerNameNet;
extern QString gStPublicKeyToken;
extern QString gStVersionCliente; // host version
extern QString gStFechaCliente;   // host build date
// Words of the parameter string; a fresh list on every load with a non-blank parameter string.
extern std::unique_ptr<QStringList> gSlParams;
extern QString gStCodiUsua; // the signed-in user's code
extern bool gBoUsuaAudi;    // whether the user's queries are audited
extern QString gStNombProg; // the running program's name
