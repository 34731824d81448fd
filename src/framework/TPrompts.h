#pragma once

#include <QMessageBox>

class QDialog;

// The one way the framework and the module ask the user something through a dialog: the
// application object holds the prompt service in force. The desktop runs the dialog modally; a
// host without a user (the headless report output) or a test installs one that answers instead.
class TPrompts
{
public:
    virtual ~TPrompts() = default;
    // Runs the dialog modally and returns its result (QDialog::Accepted or Rejected; a message box
    // returns the QMessageBox::StandardButton chosen). An answering service sets what a user would
    // have set on the dialog's properties before returning.
    virtual int ShowModal(QDialog &dialog);

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
};
