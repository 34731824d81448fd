#pragma once

#include <QString>
#include <QVariantList>

class SClientDataSet;

// The application-server operations the plan, follow-up and saving rules call by name, through the
// connection of the dataset they work on (the main form's DCOMCnction).
namespace TDtmSoMalegServer {

// GenerarRMT: the next sequence number of column keyColumn of table for the company, never issued
// before. Raises when the dataset has no connection or the server fails.
int GenerarRMT(SClientDataSet &dataSet, int company, const QString &table, const QString &keyColumn);

// EjecutarSql: runs statement[0] with the values statement[1..] for its parameters, in the order they
// appear in the text. Returns the server's result: 1 means the statement failed.
int EjecutarSql(SClientDataSet &dataSet, const QVariantList &statement);

} // namespace TDtmSoMalegServer
