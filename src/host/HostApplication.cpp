#include "HostApplication.h"

#include "TApplication.h"

#include <QGuiApplication>
#include <QMessageBox>

HostApplication::HostApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    Application()->ShowException = [](const QString &message) {
        QMessageBox::critical(nullptr, QGuiApplication::applicationDisplayName(), message);
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
