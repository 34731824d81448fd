#pragma once

#include <QDate>
#include <QMessageBox>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

// The one way the framework and the module ask the user something through a dialog: the
// application object holds the prompt service in force. The desktop runs the dialog modally; a
// host without a user (the headless report output) or a test installs one that answers instead.
// Every helper below builds its dialog and runs it through ShowModal, so a service that answers
// only needs ShowModal and RunModal.
class TPrompts
{
public:
    virtual ~TPrompts() = default;
    // Runs the dialog modally and returns its result (QDialog::Accepted or Rejected; a message box
    // returns the QMessageBox::StandardButton chosen). An answering service sets what a user would
    // have set on the dialog's properties before returning.
    virtual int ShowModal(QDialog &dialog);
    // A window of the module that keeps its own modal loop (a form shown modally): the window is
    // already shown and `wait` runs its loop until it has its result, which the window keeps. An
    // answering service acts on the window as a user would instead of waiting.
    virtual void RunModal(QWidget &window, const std::function<void()> &wait);

    // Asks a question in a message box titled with the program's display name, its buttons in
    // Spanish ("Sí", "No", "Cancelar", "Aceptar"), run through ShowModal. Returns the button chosen;
    // closing the box counts as its escape button (Cancelar when offered, else No).
    QMessageBox::StandardButton Question(const QString &text, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton, QWidget *parent = nullptr);

    // Asks where to save a file: a file dialog titled `title` (object name "GuardarArchivo") offering
    // `filter`, in the user's Documents folder with `suggested` as the name (its suffix is added to a
    // name typed without one), run through ShowModal. Returns the chosen path; empty when cancelled.
    QString SaveFileName(const QString &title, const QString &filter, const QString &suggested,
                         QWidget *parent = nullptr);

    // A message box with the caption and icon a rule names (an empty caption: the program's display
    // name), Spanish buttons as Question's. Returns the button chosen, the escape button when closed.
    QMessageBox::StandardButton Message(const QString &text, const QString &caption, QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons, QWidget *parent = nullptr);
    // Shows a text with "Aceptar": Inform without an icon, Warn as an error.
    void Inform(const QString &text, QWidget *parent = nullptr);
    void Warn(const QString &text, const QString &caption = QString(), QWidget *parent = nullptr);

    // A calendar titled "Fecha" starting on `initial`; the date chosen, or an invalid date when
    // cancelled.
    QDate PickDate(const QDate &initial, QWidget *parent = nullptr);
    // A range of dates ("Desde:", "Hasta:") titled `title`, with "Quitar filtro" besides "Aceptar" and
    // "Cancelar": false when cancelled; "Quitar filtro" leaves `from` invalid.
    bool PickDateRange(const QString &title, QDate &from, QDate &to, QWidget *parent = nullptr);
    // A file to read (`saving` false: it must exist) or to write, starting on `suggested`; empty when
    // cancelled.
    QString PickFile(const QString &title, const QString &suggested, const QString &filter, bool saving,
                     QWidget *parent = nullptr);

private:
    QMessageBox::StandardButton Message(QMessageBox &box);
};
