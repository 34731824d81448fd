#include "TDtmSoMalegServer.h"

#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "dataset/SClientDataSet.h"

namespace TDtmSoMalegServer {

namespace {

SDCOMConnection &connectionOf(SClientDataSet &dataSet)
{
    if (!dataSet.RemoteServer)
        throw Exception(QStringLiteral("%1: no hay conexión con el servidor de aplicaciones.").arg(dataSet.Name()));
    return *dataSet.RemoteServer;
}

} // namespace

int GenerarRMT(SClientDataSet &dataSet, int company, const QString &table, const QString &keyColumn)
{
    QVariantList args{QVariant(QVariantList{company, table, keyColumn})};
    return connectionOf(dataSet).Call(QStringLiteral("GenerarRMT"), args).toInt();
}

int EjecutarSql(SClientDataSet &dataSet, const QVariantList &statement)
{
    // By reference: the statement, then the rows and the message the server writes back (not read).
    QVariantList args{QVariant(statement), QVariant(), QString()};
    return connectionOf(dataSet).Call(QStringLiteral("EjecutarSql"), args).toInt();
}

} // namespace TDtmSoMalegServer
