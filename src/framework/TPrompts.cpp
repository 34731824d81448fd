#include "TPrompts.h"

#include "dataset/TFieldFormat.h"

#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QStandardPaths>
#include <QGuiApplication>
#include <QPushButton>
#include <QVBoxLayout>

int TPrompts::ShowModal(QDialog &dialog)
{
    return dialog.exec();
}

void TPrompts::RunModal(QWidget &, const std::function<void()> &wait)
{
    wait();
}

QMessageBox::StandardButton TPrompts::Question(const QString &text, QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton defaultButton, QWidget *parent)
{
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text, buttons, parent);
    box.setObjectName(QStringLiteral("Pregunta"));
    box.setDefaultButton(defaultButton);
    return Message(box);
}

QMessageBox::StandardButton TPrompts::Message(const QString &text, const QString &caption, QMessageBox::Icon icon,
                                              QMessageBox::StandardButtons buttons, QWidget *parent)
{
    QMessageBox box(icon, caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption, text, buttons,
                    parent);
    box.setObjectName(QStringLiteral("Mensaje"));
    return Message(box);
}

QMessageBox::StandardButton TPrompts::Message(QMessageBox &box)
{
    // Spelled out here: the box must read in Spanish even where Qt's translations are missing.
    const std::pair<QMessageBox::StandardButton, const char16_t *> texts[] = {{QMessageBox::Yes, u"&Sí"},
                                                                              {QMessageBox::No, u"&No"},
                                                                              {QMessageBox::Cancel, u"&Cancelar"},
                                                                              {QMessageBox::Ok, u"&Aceptar"}};
    for (const auto &[button, caption] : texts)
        if (QAbstractButton *b = box.button(button))
            b->setText(QString::fromUtf16(caption));
    const QMessageBox::StandardButtons buttons = box.standardButtons();
    const QMessageBox::StandardButton escape = buttons.testFlag(QMessageBox::Cancel) ? QMessageBox::Cancel
                                               : buttons.testFlag(QMessageBox::No)   ? QMessageBox::No
                                                                                     : QMessageBox::Ok;
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

void TPrompts::Inform(const QString &text, QWidget *parent)
{
    Message(text, QString(), QMessageBox::NoIcon, QMessageBox::Ok, parent);
}

void TPrompts::Warn(const QString &text, const QString &caption, QWidget *parent)
{
    Message(text, caption, QMessageBox::Critical, QMessageBox::Ok, parent);
}

namespace {

QDialogButtonBox *acceptCancel(QDialog &dialog)
{
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("Aceptar"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

} // namespace

QDate TPrompts::PickDate(const QDate &initial, QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("Fecha"));
    dialog.setWindowTitle(QStringLiteral("Fecha"));
    auto *calendar = new QCalendarWidget(&dialog);
    calendar->setSelectedDate(initial);
    calendar->setGridVisible(true);
    QObject::connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(calendar);
    layout->addWidget(acceptCancel(dialog));
    return ShowModal(dialog) == QDialog::Accepted ? calendar->selectedDate() : QDate();
}

bool TPrompts::PickDateRange(const QString &title, QDate &from, QDate &to, QWidget *parent)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("RangoFechas"));
    dialog.setWindowTitle(title);
    auto *fromEdit = new QDateEdit(from, &dialog);
    auto *toEdit = new QDateEdit(to, &dialog);
    fromEdit->setObjectName(QStringLiteral("Desde"));
    toEdit->setObjectName(QStringLiteral("Hasta"));
    for (QDateEdit *e : {fromEdit, toEdit}) {
        e->setCalendarPopup(true);
        e->setDisplayFormat(TFieldFormat::ShortDateFormat());
    }
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Desde:"), fromEdit);
    form->addRow(QStringLiteral("Hasta:"), toEdit);
    QDialogButtonBox *buttons = acceptCancel(dialog);
    QPushButton *clear = buttons->addButton(QStringLiteral("Quitar filtro"), QDialogButtonBox::ResetRole);
    clear->setObjectName(QStringLiteral("QuitarFiltro"));
    bool cleared = false;
    QObject::connect(clear, &QPushButton::clicked, &dialog, [&] {
        cleared = true;
        dialog.accept();
    });
    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (ShowModal(dialog) != QDialog::Accepted)
        return false;
    from = cleared ? QDate() : fromEdit->date();
    to = toEdit->date();
    return true;
}

QString TPrompts::PickFile(const QString &title, const QString &suggested, const QString &filter, bool saving,
                           QWidget *parent)
{
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    if (ShowModal(dialog) != QDialog::Accepted)
        return QString();
    return dialog.selectedFiles().value(0);
}
