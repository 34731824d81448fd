#include "TApplication.h"

#include "SysUtils.h"
#include "TPrompts.h"

#include <QDebug>

TApplication::TApplication(QObject *parent) : QObject(parent), m_prompts(std::make_unique<TPrompts>())
{
    setObjectName(QStringLiteral("Application"));
    ApplicationHandleException = [](std::exception_ptr error) { Application()->HandleException(error); };
}

TPrompts &TApplication::Prompts() const
{
    return *m_prompts;
}

void TApplication::SetPrompts(std::unique_ptr<TPrompts> prompts)
{
    m_prompts = prompts ? std::move(prompts) : std::make_unique<TPrompts>();
}

TApplication::~TApplication()
{
    DestroyComponents();
}

void TApplication::InsertComponent(QObject *component)
{
    if (component && !m_components.contains(component))
        m_components.append(component);
}

void TApplication::RemoveComponent(QObject *component)
{
    m_components.removeAll(component);
}

QList<QObject *> TApplication::Components() const
{
    QList<QObject *> alive;
    for (const auto &c : m_components)
        if (c)
            alive.append(c.data());
    return alive;
}

int TApplication::ComponentCount() const
{
    return int(Components().size());
}

void TApplication::DestroyComponents()
{
    while (!m_components.isEmpty()) {
        QPointer<QObject> last = m_components.takeLast();
        delete last.data();
    }
}

void TApplication::HandleException(std::exception_ptr error)
{
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort &) {
        return;
    } catch (const Exception &e) {
        message = e.Message();
    } catch (const std::exception &e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("Error desconocido");
    }
    if (ShowException)
        ShowException(message);
    else
        qWarning().noquote() << message;
}

TApplication *Application()
{
    static TApplication *app = new TApplication;
    return app;
}

void TApplication::Guard(const std::function<void()> &action)
{
    try {
        action();
    } catch (...) {
        HandleException(std::current_exception());
    }
}
