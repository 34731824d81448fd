#include "TAdminCommands.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-server"));
    return TAdminCommands().Run(QCoreApplication::arguments());
}
