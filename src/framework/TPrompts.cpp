#include "TPrompts.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QPushButton>

int TPrompts::ShowModal(QDialog &dialog)
{
    return dialog.exec();
}

QMessageBox::StandardButton TPrompts::Question(const QString &text, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton, QWidget *parent)
{
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text, buttons, parent);
    box.setObjectName(QStringLiteral("Pregunta"));
    // Spelled out here: the question must read in Spanish even where Qt's translations are missing.
    const std::pair<QMessageBox::StandardButton, const char16_t *> texts[] = {
        {QMessageBox::Yes, u"&Sí"}, {QMessageBox::No, u"&No"}, {QMessageBox::Cancel, u"&Cancelar"}, {QMessageBox::Ok, u"&Aceptar"}};
    for (const auto &[button, caption] : texts)
        if (QAbstractButton *b = box.button(button))
            b->setText(QString::fromUtf16(caption));
    box.setDefaultButton(defaultButton);
    const QMessageBox::StandardButton escape = (buttons & QMessageBox::Cancel) ? QMessageBox::Cancel : QMessageBox::No;
    box.setEscapeButton(escape);
    const int answer = ShowModal(box);
    return buttons.testFlag(QMessageBox::StandardButton(answer)) ? QMessageBox::StandardButton(answer) : escape;
}

QString TPrompts::SaveFileName(const QString &title, const QString &filter, const QString &suggested, QWidget *parent)
{
    QFileDialog dialog(parent, title);
    dialog.setObjectName(QStringLiteral("GuardarArchivo"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    if (!suggested.isEmpty()) {
        dialog.setDefaultSuffix(QFileInfo(suggested).suffix());
        dialog.selectFile(suggested);
    }
    if (ShowModal(dialog) != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}
