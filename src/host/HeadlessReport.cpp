#include "HeadlessReport.h"

#include "HeadlessPrompts.h"
#include "TApplication.h"
#include "TfrmFormaMaestro.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFileInfo>
#include <QFile>
#include <QMessageBox>
#include <QProgressDialog>
#include <QToolButton>
#include <memory>

HeadlessReport::HeadlessReport(int option, const QString &pdfFile) : m_option(option), m_pdfFile(pdfFile) {}

bool HeadlessReport::Run(QWidget *moduleWindow)
{
    m_messages.clear();
    auto *form = qobject_cast<TfrmFormaMaestro *>(moduleWindow);
    if (!form) {
        m_messages << QStringLiteral("La ventana del módulo no tiene botón de impresión.");
        return false;
    }
    if (QFileInfo::exists(m_pdfFile) && !QFile::remove(m_pdfFile)) {
        m_messages << QStringLiteral("No fue posible reemplazar %1.").arg(m_pdfFile);
        return false;
    }
    TApplication *app = Application();
    const auto showException = app->ShowException;
    QStringList raised;
    app->ShowException = [&raised](const QString &message) { raised << message; };
    app->SetPrompts(std::make_unique<HeadlessPrompts>(m_option));
    app->PrintToPdfFile = m_pdfFile;
    qApp->installEventFilter(this);

    form->spbReporte->click();

    qApp->removeEventFilter(this);
    app->PrintToPdfFile.clear();
    app->SetPrompts(nullptr);
    app->ShowException = showException;
    m_messages << raised;
    if (!raised.isEmpty())
        return false;
    if (QFileInfo(m_pdfFile).size() > 0)
        return true;
    m_messages << QStringLiteral("No se generó el informe en %1.").arg(m_pdfFile);
    return false;
}

bool HeadlessReport::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        auto *dialog = qobject_cast<QDialog *>(watched);
        if (dialog && dialog->isModal() && !qobject_cast<QProgressDialog *>(dialog)) {
            const auto *box = qobject_cast<QMessageBox *>(dialog);
            m_messages << (box ? box->text() : dialog->windowTitle());
            // Closed once its own event loop runs: the module's call returns as if it was dismissed.
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}
