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

HeadlessReport::HeadlessReport(int option, const QString &pdfFile, const QString &xlsxFile) : m_option(option)
{
    for (const QString &file : {pdfFile, xlsxFile})
        m_files << file;
}

HeadlessReport::~HeadlessReport()
{
    if (!m_installed)
        return;
    qApp->removeEventFilter(this);
    TApplication *app = Application();
    app->PrintToPdfFile.clear();
    app->PrintToXlsxFile.clear();
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
    for (const QString &file : std::as_const(m_files))
        if (!file.isEmpty() && QFileInfo::exists(file) && !QFile::remove(file)) {
            m_messages << QStringLiteral("No fue posible reemplazar %1.").arg(file);
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
        app->PrintToPdfFile = m_files.at(0);
        app->PrintToXlsxFile = m_files.at(1);
        qApp->installEventFilter(this);
    }
    const int raisedBefore = m_raised;
    form->spbReporte->click();
    if (m_raised > raisedBefore)
        return false;
    bool written = true;
    for (const QString &file : std::as_const(m_files))
        if (!file.isEmpty() && QFileInfo(file).size() == 0) {
            m_messages << QStringLiteral("No se generó el informe en %1.").arg(file);
            written = false;
        }
    return written;
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
