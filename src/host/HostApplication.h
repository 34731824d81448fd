#pragma once

#include <QApplication>

// The host's application: every exception that escapes an event handler reaches the framework's
// top-level handling (a message box titled with the program's name; EAbort is ignored).
class HostApplication : public QApplication
{
public:
    HostApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
