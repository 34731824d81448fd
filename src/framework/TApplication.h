#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class TPrompts;

// The host's application object. It owns components the way a classic component owner does: the
// owned objects are listed in creation order and destroyed, last first, with the owner. An object
// destroyed earlier by someone else simply leaves the list. Widgets may be owned too, whatever their
// parent widget is.
class TApplication : public QObject
{
    Q_OBJECT
public:
    explicit TApplication(QObject *parent = nullptr);
    ~TApplication() override;

    // The selected company's code.
    int Tag = 0;
    QString Title;

    void InsertComponent(QObject *component);
    void RemoveComponent(QObject *component);
    QList<QObject *> Components() const;
    int ComponentCount() const;
    void DestroyComponents();

    // The top-level exception handling: EAbort is ignored, anything else is shown through
    // ShowException (a message box installed by the host; by default written to stderr).
    void HandleException(std::exception_ptr error);
    // Runs an action of a control's event (a click, a key) and reports what it raises as the top
    // level does: the event loop never sees an exception.
    void Guard(const std::function<void()> &action);
    std::function<void(const QString &message)> ShowException;

    // The prompt service in force; never null (by default it runs dialogs modally). Setting a null
    // one restores the default.
    TPrompts &Prompts() const;
    void SetPrompts(std::unique_ptr<TPrompts> prompts);

    // When not empty, printing writes this PDF file instead of going to a printer: the host's
    // headless report output. Empty by default.
    QString PrintToPdfFile;
    // The same for an Excel workbook: printing a report writes its tables into this .xlsx file.
    QString PrintToXlsxFile;

private:
    QList<QPointer<QObject>> m_components;
    std::unique_ptr<TPrompts> m_prompts;
};

// The one application object of the process, created on first use.
TApplication *Application();
