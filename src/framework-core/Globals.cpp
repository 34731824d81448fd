#include "Globals.h"

QString gStParSrv;
QString gStParUsu;
QString gStParPas;
QString gStParEmp;
QString gStParHpv;
QString gStAliasCnx;
QString gStProtocolo;
QString gStServerGUID;
QString gStServerName;
QString gStServerGUIDNet;
QString gStServerNameNet;
QString gStPublicKeyToken;
QString gStVersionCliente;
QString gStFechaCliente;
std::unique_ptr<QStringList> gSlParams;
QString gStCodiUsua;
bool gBoUsuaAudi = false;
QString gStNombProg;
