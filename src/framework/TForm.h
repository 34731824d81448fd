#pragma once

#include <QWidget>
#include <cstdint>

class QCloseEvent;

using HWND = uint32_t;

// A top-level window owned by a component owner. Its 32-bit window handle is issued when first
// asked for and maps back to the window through FindControl while the window lives.
class TForm : public QWidget
{
    Q_OBJECT
public:
    explicit TForm(QObject *owner, const QString &name, QWidget *parent = nullptr);
    ~TForm() override;

    QObject *Owner() const { return m_owner; }
    HWND Handle();
    bool HandleAllocated() const { return m_handle != 0; }
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString &caption) { setWindowTitle(caption); }

    // Number of times the window was closed (a close hides it; destruction is the owner's).
    int CloseCount() const { return m_closeCount; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QObject *m_owner;
    HWND m_handle = 0;
    int m_closeCount = 0;
};

// The window with the given handle, or nullptr when none is alive.
QWidget *FindControl(HWND handle);
