#include "TForm.h"

#include "TApplication.h"

#include <QCloseEvent>
#include <QHash>

namespace {
QHash<HWND, QWidget *> &handleTable()
{
    static QHash<HWND, QWidget *> table;
    return table;
}
HWND nextHandle = 0x00010000;
} // namespace

TForm::TForm(QObject *owner, const QString &name, QWidget *parent) : QWidget(parent), m_owner(owner)
{
    setObjectName(name);
    setWindowTitle(name);
    if (auto *app = qobject_cast<TApplication *>(owner))
        app->InsertComponent(this);
}

TForm::~TForm()
{
    if (m_handle)
        handleTable().remove(m_handle);
}

HWND TForm::Handle()
{
    if (!m_handle) {
        m_handle = nextHandle++;
        handleTable().insert(m_handle, this);
    }
    return m_handle;
}

void TForm::closeEvent(QCloseEvent *event)
{
    ++m_closeCount;
    QWidget::closeEvent(event);
}

QWidget *FindControl(HWND handle)
{
    return handleTable().value(handle, nullptr);
}
