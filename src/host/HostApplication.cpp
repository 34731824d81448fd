#include "HostApplication.h"

#include "TApplication.h"
#include "TPrompts.h"

#include <QGuiApplication>
#include <QMessageBox>

HostApplication::HostApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    Application()->ShowException = [](const QString &message) {
        Application()->Prompts().Warn(message, QString(), QApplication::activeWindow());
    };
}

bool HostApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        Application()->HandleException(std::current_exception());
        return false;
    }
}
