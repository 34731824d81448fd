#include "HostWindow.h"

#include "ModuleLoader.h"

#include <QCloseEvent>
#include <QEvent>
#include <QResizeEvent>

HostWindow::HostWindow(ModuleLoader &loader, QWidget *parent) : QMainWindow(parent), m_loader(loader)
{
    m_workspace = new QWidget(this);
    m_workspace->setObjectName(QStringLiteral("workspace"));
    m_workspace->installEventFilter(this);
    setCentralWidget(m_workspace);
}

void HostWindow::Embed(QWidget *moduleWindow)
{
    m_module = moduleWindow;
    moduleWindow->setParent(m_workspace, Qt::Widget);
    moduleWindow->move(0, 0);
    moduleWindow->show();
    m_loader.Resize(m_workspace->width(), m_workspace->height());
}

bool HostWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_workspace && event->type() == QEvent::Resize) {
        const auto *resize = static_cast<QResizeEvent *>(event);
        m_loader.Resize(resize->size().width(), resize->size().height());
    }
    return QMainWindow::eventFilter(watched, event);
}

void HostWindow::closeEvent(QCloseEvent *event)
{
    // The module's window decides first: it may ask to save its changes, and keep itself open.
    if (m_module && m_module->isVisible() && !m_module->close()) {
        event->ignore();
        return;
    }
    m_loader.Unload();
    QMainWindow::closeEvent(event);
}
