#include "TOfficialCatalogue.h"

#include "EAppServerError.h"

#include <QFile>

// The tables live in a static library, so their resource is registered here explicitly (outside any
// namespace, as the registration requires).
static QByteArray catalogueResource(const QString &name)
{
    Q_INIT_RESOURCE(catalogue);
    QFile f(QStringLiteral(":/appserver/catalogue/estandares-minimos-%1.csv").arg(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList TOfficialCatalogue::Names()
{
    return {QStringLiteral("60")};
}

QString TOfficialCatalogue::Text(const QString &name)
{
    const QByteArray csv = Names().contains(name) ? catalogueResource(name) : QByteArray();
    if (csv.isEmpty())
        throw EAppServerError(400, QStringLiteral("No existe la tabla oficial \"%1\"; las tablas disponibles son: %2.")
                                       .arg(name, Names().join(QStringLiteral(", "))));
    return QString::fromUtf8(csv);
}
