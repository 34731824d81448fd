#pragma once

#include <QMainWindow>
#include <QPointer>

class ModuleLoader;

// The host's main window: a workspace that holds the module's window and tells the module when
// its size changes. Closing the window first closes the module's window, which may refuse; then it
// unloads the module.
class HostWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit HostWindow(ModuleLoader &loader, QWidget *parent = nullptr);

    QWidget *Workspace() const { return m_workspace; }
    // Places the module's window (found by its handle) in the workspace.
    void Embed(QWidget *moduleWindow);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    ModuleLoader &m_loader;
    QWidget *m_workspace;
    QPointer<QWidget> m_module;
};
