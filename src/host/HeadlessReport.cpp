#include "HeadlessReport.h"

#include "HeadlessPrompts.h"
#include "TApplication.h"
#include "TfrmFormaMaestro.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QToolButton>
#include <memory>

HeadlessReport::HeadlessReport(int option, const QString &pdfFile) : m_option(option), m_pdfFile(pdfFile) {}

HeadlessReport::~HeadlessReport()
{
    if (!m_installed)
        return;
    qApp->removeEventFilter(this);
    TApplication *app = Application();
    app->PrintToPdfFile.clear();
    app->SetPrompts(nullptr);
    app->ShowException = m_showException;
}

bool HeadlessReport::Run(QWidget *moduleWindow)
{
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
    if (!m_installed) {
        m_installed = true;
        m_showException = app->ShowException;
        app->ShowException = [this](const QString &message) {
            m_messages << message;
            ++m_raised;
        };
        app->SetPrompts(std::make_unique<HeadlessPrompts>(m_option));
        app->PrintToPdfFile = m_pdfFile;
        qApp->installEventFilter(this);
    }
    const int raisedBefore = m_raised;
    form->spbReporte->click();
    if (m_raised > raisedBefore)
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
